#pragma once

#include "store/ContextObserver.h"

#include <QStringList>

#include <functional>
#include <memory>

class ManagedObject;
class ManagedObjectContext;

// Follows one object while the observation lives: `onChange` hears every change to its
// attributes and relationships (the other side of a link included), pending or saved, with the
// names of the properties that changed; `onDelete` hears once that it was deleted, or that its
// context went. After that nothing more is heard.
class ObjectObservation final : private ContextObserver {
public:
    using ChangeHandler = std::function<void(const QStringList& properties)>;
    using DeleteHandler = std::function<void()>;

    ObjectObservation(const std::shared_ptr<ManagedObject>& object, ChangeHandler onChange,
                      DeleteHandler onDelete = {});
    ~ObjectObservation() override;
    ObjectObservation(const ObjectObservation&) = delete;
    ObjectObservation& operator=(const ObjectObservation&) = delete;

    // The object, still readable after it was deleted.
    const std::shared_ptr<ManagedObject>& object() const { return m_object; }

private:
    void objectWillChange(const ObjectChange&) override {}
    void objectDidChange(const ObjectChange& change) override;
    void contextWillBeDestroyed() override;
    // The object goes with the others: heard as a delete.
    void contextWillReload() override;
    void contextDidReload() override {}
    void stop();

    std::shared_ptr<ManagedObject> m_object;
    ManagedObjectContext* m_context = nullptr;
    ChangeHandler m_onChange;
    DeleteHandler m_onDelete;
};
