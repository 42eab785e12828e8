#pragma once

#include "store/ContextObserver.h"
#include "store/FetchRequest.h"
#include "store/ManagedObject.h"
#include "store/ManagedObjectModel.h"
#include "store/PersistentStore.h"

#include <QHash>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <memory>
#include <vector>

class Clock;

// The context that owns every object of a store: one object per stored row, kept in memory
// from the moment the store is attached, and every insert, change and delete made since the
// last save.
//
// A save is synchronous and all or nothing, in one SQLite transaction. It writes only the
// properties that changed, so a value another writer gave to another property of the same row
// survives, and is read back into the object (property by property, the context's changes
// win). A save that fails writes nothing and leaves every pending change in the context.
//
// Without a store (one that could not be opened), fetches find nothing and saves fail.
// Everything happens on the thread that owns the context; nothing here is thread-safe.
class ManagedObjectContext final {
public:
    // `clock` gives new objects their creation instant and the entities their "now"; it must
    // outlive the context.
    ManagedObjectContext(std::shared_ptr<const ManagedObjectModel> model, const Clock& clock);
    ~ManagedObjectContext();
    ManagedObjectContext(const ManagedObjectContext&) = delete;
    ManagedObjectContext& operator=(const ManagedObjectContext&) = delete;

    const ManagedObjectModel& model() const { return *m_model; }
    const Clock& clock() const { return *m_clock; }

    // Where lines about rows that could not be taken as written go (loads and saves).
    void setReportHandler(std::function<void(const QString&)> handler) {
        m_report = std::move(handler);
    }

    // Told after each save that wrote something, once everyone has heard what it read back.
    void setSavedHandler(std::function<void()> handler) { m_saved = std::move(handler); }

    // Makes the loaded rows this context's objects. Called once, by the container.
    void attachStore(std::unique_ptr<PersistentStore> store, PersistentStore::Loaded loaded);
    // Closes the store's file (another file is to be put in its place): the objects stay and
    // can be read, but saves fail and documents cannot be read until reloadStore().
    void closeStore();
    // Lets go of every object, pending changes included, and makes the loaded rows of `store`
    // the context's objects instead; a null store leaves the context with none. Observers hear
    // contextWillReload() and contextDidReload() around it; handles to the old objects read as
    // deleted.
    void reloadStore(std::unique_ptr<PersistentStore> store, PersistentStore::Loaded loaded);
    PersistentStore* persistentStore() const { return m_store.get(); }

    // A new object of the entity, with the model's defaults and its class's insert defaults
    // already set; null for an unknown entity.
    std::shared_ptr<ManagedObject> insertNewObject(const QString& entityName);
    template <typename T> std::shared_ptr<T> insert() {
        return std::dynamic_pointer_cast<T>(insertNewObject(T::entityName()));
    }

    // Deletes the object: every link to it is cleared at once (the nullify rule), it leaves
    // every fetch, and its row goes at the next save.
    void deleteObject(ManagedObject* object);

    bool hasChanges() const;
    // Discards every insert, change and delete since the last save: changed objects take
    // their saved values and links again, inserted ones go (their handles read as deleted),
    // deleted ones come back. Observers hear each of these as a change.
    void rollback();
    // False, with `error` set and nothing written, when a required attribute has no value
    // (the error names the entity and the attribute), the store refuses the write, or a
    // HeldSave is being written.
    bool save(QString* error = nullptr);

    // The matching objects, new ones included and deleted ones left out, in sort order.
    // Empty, with `error` set, for an unknown entity or key or an invalid predicate.
    std::vector<std::shared_ptr<ManagedObject>> execute(const FetchRequestBase& request,
                                                        QString* error = nullptr) const;
    template <typename T>
    std::vector<std::shared_ptr<T>> fetch(const FetchRequest<T>& request,
                                          QString* error = nullptr) const {
        std::vector<std::shared_ptr<T>> result;
        std::vector<std::shared_ptr<ManagedObject>> found = execute(request, error);
        result.reserve(found.size());
        // Every object of T's entity is made by the entity's factory, as a T.
        for (auto& object : found) {
            Q_ASSERT(dynamic_cast<T*>(object.get()));
            result.push_back(std::static_pointer_cast<T>(std::move(object)));
        }
        return result;
    }

    // Every object of the entity the context holds, in no set order, deleted ones and new ones
    // included (their handles say which): a snapshot, without a fetch's sort, for work done a
    // slice at a time.
    std::vector<std::shared_ptr<ManagedObject>> registeredObjects(const QString& entityName) const;
    // At most `count` of them from the `from`th on, in the same order: a slice of that
    // snapshot, as long as forgottenCount() has not changed since the first slice was taken
    // (new objects only join the end).
    std::vector<std::shared_ptr<ManagedObject>> registeredObjects(const QString& entityName,
                                                                  size_t from, size_t count) const;
    // How many objects the context has let go of (deleted and saved, new and deleted) since it
    // was made: whenever it changes, the order of registeredObjects() may have changed too.
    quint64 forgottenCount() const { return m_forgotten; }

    // The live object of the entity with that id, or null.
    std::shared_ptr<ManagedObject> existingObject(const QString& entityName, const QUuid& id) const;

    // Observers hear of every change as it is made, in the order they were added. An
    // observer may add or remove observers while it is told of a change.
    void addObserver(ContextObserver* observer);
    void removeObserver(ContextObserver* observer);

private:
    friend class ManagedObject;
    friend class HeldSave;

    struct EntityObjects {
        std::vector<std::shared_ptr<ManagedObject>> objects;
        QHash<QUuid, ManagedObject*> byId;
        qint64 nextOrder = 1;
    };

    bool setValue(ManagedObject& object, int attribute, Value value);
    // Links without a change record, telling the observers of all three objects concerned.
    void relink(ManagedObject& object, int relationship, ManagedObject* destination);
    void notify(bool will, ObjectChange::Kind kind, ManagedObject& object, quint64 properties);
    std::optional<QByteArray> readDocument(const ManagedObject& object, int attribute) const;
    // Reads the stored document off this thread (see ManagedObject::documentLater); `serial`
    // is the stored document's as the read began. False for a store no other thread reaches.
    bool readDocumentLater(const ManagedObject& object, int attribute, quint64 serial,
                           QObject* receiver,
                           std::function<void(std::shared_ptr<const QByteArray>)> done);
    bool setDestination(ManagedObject& object, int relationship, ManagedObject* destination);
    void markChanged(ManagedObject& object, quint64 bits);
    // Keeps the saved state of a stored object before its first change since the last save.
    void remember(ManagedObject& object);
    void restoreValues(ManagedObject& object);
    void restoreLinks(ManagedObject& object);
    void unlinkInserted(ManagedObject& object);
    void discardInserted(ManagedObject& object);
    void forget(ManagedObject& object);
    // After a save: the object as written, before anyone is told.
    void settle(ManagedObject& object, RowWrite::Kind kind);
    // Brings in the values another writer gave to what this save did not write.
    void refresh(ManagedObject& object, quint64 written, const StoredRow& current);
    ManagedObject* objectWithId(const EntityDescription& entity, const std::optional<QUuid>& id);
    void report(const QString& line) const;
    // Tells each observer, skipping one removed meanwhile.
    template <typename Call> void tellObservers(Call call);
    // Every object lets go of the context, which then holds none.
    void releaseObjects();

    std::shared_ptr<const ManagedObjectModel> m_model;
    const Clock* m_clock;
    std::unique_ptr<PersistentStore> m_store;
    std::vector<EntityObjects> m_entities;
    std::vector<std::shared_ptr<ManagedObject>> m_pending;
    std::function<void(const QString&)> m_report;
    std::function<void()> m_saved;
    std::vector<ContextObserver*> m_observers;
    quint64 m_forgotten = 0;
    // While a HeldSave is open, only its own parts may save.
    bool m_heldSave = false;
    bool m_savingPart = false;
};
