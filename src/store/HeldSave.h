#pragma once

#include <QString>

#include <memory>

class ManagedObjectContext;

// A save written a part at a time, between turns of the event loop, that is still all or
// nothing: one transaction is held open while the parts are saved, and committed at the end.
// While it is held, every other save of the context fails, so that nothing else rides in a
// transaction that may yet be undone. Undone, or ended by a commit that fails, it rolls the
// transaction back and loads the context afresh from the store: the context then holds what
// the store held before, and handles to its old objects read as deleted.
class HeldSave final {
public:
    // Null, with `error` set, when the context has no store, another held save is open, or
    // the store cannot begin a transaction.
    static std::unique_ptr<HeldSave> begin(ManagedObjectContext& context, QString* error);
    // Undoes every part, unless committed.
    ~HeldSave();
    HeldSave(const HeldSave&) = delete;
    HeldSave& operator=(const HeldSave&) = delete;

    // Saves the context's pending changes as one more part. False, with `error` set and the
    // changes left pending, when the store refuses them; the parts before stay.
    bool savePart(QString* error);
    // Makes every part lasting. False, with `error` set and every part undone, when the
    // commit fails. Either way the held save is over.
    bool commit(QString* error);
    // Undoes every part saved so far and ends the held save.
    void undo();

private:
    explicit HeldSave(ManagedObjectContext& context)
        : m_context(&context) {}
    void end(bool committed);

    ManagedObjectContext* m_context;
    bool m_open = true;
};
