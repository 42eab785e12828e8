#include "store/ObjectObservation.h"

#include "store/ManagedObjectContext.h"

ObjectObservation::ObjectObservation(const std::shared_ptr<ManagedObject>& object,
                                     ChangeHandler onChange, DeleteHandler onDelete)
    : m_object(object)
    , m_context(object && !object->isDeleted() ? object->managedObjectContext() : nullptr)
    , m_onChange(std::move(onChange))
    , m_onDelete(std::move(onDelete)) {
    if (m_context) {
        m_context->addObserver(this);
    }
}

ObjectObservation::~ObjectObservation() {
    stop();
}

void ObjectObservation::stop() {
    if (m_context) {
        m_context->removeObserver(this);
        m_context = nullptr;
    }
}

void ObjectObservation::objectDidChange(const ObjectChange& change) {
    if (change.object != m_object.get()) {
        return;
    }
    if (change.kind == ObjectChange::Kind::Delete) {
        stop();
        if (m_onDelete) {
            m_onDelete();
        }
        return;
    }
    const EntityDescription& entity = m_object->entity();
    const size_t attributes = entity.attributes().size();
    QStringList names;
    for (size_t i = 0; i < attributes + entity.relationships().size(); ++i) {
        if (change.properties & (quint64(1) << i)) {
            names << (i < attributes ? entity.attributes()[i]->name()
                                     : entity.relationships()[i - attributes]->name());
        }
    }
    // A change that names no property (an object coming back) has nothing to report.
    if (!names.isEmpty() && m_onChange) {
        m_onChange(names);
    }
}

void ObjectObservation::contextWillReload() {
    stop();
    if (m_onDelete) {
        m_onDelete();
    }
}

void ObjectObservation::contextWillBeDestroyed() {
    m_context = nullptr;
    if (m_onDelete) {
        m_onDelete();
    }
}
