#include "store/ManagedObjectContext.h"

#include "platform/Clock.h"

#include <QPointer>

#include <algorithm>
#include <limits>

namespace {

const qint64* documentSize(const StoredRow& row, int attribute) {
    for (const auto& [index, size] : row.documents) {
        if (index == attribute) {
            return &size;
        }
    }
    return nullptr;
}

quint64 allBits(const EntityDescription& entity) {
    const size_t count = entity.attributes().size() + entity.relationships().size();
    return count >= 64 ? ~quint64(0) : (quint64(1) << count) - 1;
}

} // namespace

ManagedObjectContext::ManagedObjectContext(std::shared_ptr<const ManagedObjectModel> model,
                                           const Clock& clock)
    : m_model(std::move(model))
    , m_clock(&clock)
    , m_entities(m_model->entities().size()) {}

ManagedObjectContext::~ManagedObjectContext() {
    tellObservers([](ContextObserver* observer) { observer->contextWillBeDestroyed(); });
    m_observers.clear();
    releaseObjects();
}

template <typename Call> void ManagedObjectContext::tellObservers(Call call) {
    const std::vector<ContextObserver*> observers = m_observers;
    for (ContextObserver* observer : observers) {
        if (std::find(m_observers.begin(), m_observers.end(), observer) != m_observers.end()) {
            call(observer);
        }
    }
}

void ManagedObjectContext::releaseObjects() {
    // Handles may outlive the context: they keep their objects, which then read as deleted
    // and hold no link to anything.
    for (EntityObjects& entity : m_entities) {
        for (const auto& object : entity.objects) {
            object->m_context = nullptr;
            object->unlinkAll();
        }
        m_forgotten += entity.objects.size();
        entity = EntityObjects();
    }
    for (const auto& object : m_pending) {
        object->m_context = nullptr;
        object->unlinkAll();
    }
    m_pending.clear();
}

void ManagedObjectContext::closeStore() {
    m_store.reset();
}

void ManagedObjectContext::reloadStore(std::unique_ptr<PersistentStore> store,
                                       PersistentStore::Loaded loaded) {
    tellObservers([](ContextObserver* observer) { observer->contextWillReload(); });
    releaseObjects();
    m_store.reset();
    if (store) {
        attachStore(std::move(store), std::move(loaded));
    }
    tellObservers([](ContextObserver* observer) { observer->contextDidReload(); });
}

void ManagedObjectContext::addObserver(ContextObserver* observer) {
    if (observer &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end()) {
        m_observers.push_back(observer);
    }
}

void ManagedObjectContext::removeObserver(ContextObserver* observer) {
    std::erase(m_observers, observer);
}

void ManagedObjectContext::notify(bool will, ObjectChange::Kind kind, ManagedObject& object,
                                  quint64 properties) {
    if (m_observers.empty() || !object.m_announced) {
        return;
    }
    const ObjectChange change{kind, &object, properties};
    if (m_observers.size() == 1) {
        ContextObserver* observer = m_observers.front();
        will ? observer->objectWillChange(change) : observer->objectDidChange(change);
        return;
    }
    // A copy, so that observers may come and go meanwhile; one that went is not told.
    const std::vector<ContextObserver*> observers = m_observers;
    for (ContextObserver* observer : observers) {
        if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end()) {
            continue;
        }
        will ? observer->objectWillChange(change) : observer->objectDidChange(change);
    }
}

std::optional<QByteArray> ManagedObjectContext::readDocument(const ManagedObject& object,
                                                             int attribute) const {
    if (!m_store) {
        return std::nullopt;
    }
    QByteArray bytes;
    QString error;
    const EntityDescription& entity = object.entity();
    switch (m_store->readDocument(entity, attribute, object.m_storedId, &bytes, &error)) {
    case PersistentStore::DocumentRead::Read:
        return bytes;
    case PersistentStore::DocumentRead::Absent:
        return std::nullopt;
    case PersistentStore::DocumentRead::Failed:
        break;
    }
    report(QStringLiteral("%1 %2: %3 could not be read: %4")
               .arg(entity.name(), uuidText(object.m_storedId),
                    entity.attributes()[size_t(attribute)]->name(), error));
    return std::nullopt;
}

bool ManagedObjectContext::readDocumentLater(
    const ManagedObject& object, int attribute, quint64 serial, QObject* receiver,
    std::function<void(std::shared_ptr<const QByteArray>)> done) {
    if (!m_store) {
        return false;
    }
    const EntityDescription& entity = object.entity();
    const QString what = QStringLiteral("%1 %2: %3 could not be read: ")
                             .arg(entity.name(), uuidText(object.m_storedId),
                                  entity.attributes()[size_t(attribute)]->name());
    return m_store->readDocumentLater(
        entity, attribute, object.m_storedId,
        [this, weak = object.weak_from_this(), attribute, serial, guard = QPointer(receiver), what,
         done = std::move(done)](PersistentStore::DocumentRead outcome, const QByteArray& bytes,
                                 const QString& error) {
            const std::shared_ptr<const ManagedObject> alive = weak.lock();
            if (!alive || !guard) {
                return;
            }
            const ManagedObject::StoredDocument* stored = alive->storedDocument(attribute);
            if (!stored || stored->serial != serial) {
                // It changed while it was read: what it holds now.
                alive->documentLater(attribute, guard, done);
                return;
            }
            switch (outcome) {
            case PersistentStore::DocumentRead::Read: {
                auto shared = std::make_shared<const QByteArray>(bytes);
                stored->cache = shared;
                done(std::move(shared));
                return;
            }
            case PersistentStore::DocumentRead::Failed:
                report(what + error);
                break;
            case PersistentStore::DocumentRead::Absent:
                break;
            }
            done(nullptr);
        });
}

void ManagedObjectContext::report(const QString& line) const {
    if (m_report) {
        m_report(line);
    }
}

void ManagedObjectContext::attachStore(std::unique_ptr<PersistentStore> store,
                                       PersistentStore::Loaded loaded) {
    m_store = std::move(store);
    for (const QString& line : loaded.reports) {
        report(line);
    }
    // Objects are made from the rows in one pass and linked in a second, over memory laid out
    // in row order: a load is bound by memory, not by work.
    std::vector<std::vector<ManagedObject*>> made(m_model->entities().size());
    for (const auto& entityPointer : m_model->entities()) {
        const EntityDescription& entity = *entityPointer;
        EntityObjects& objects = m_entities[size_t(entity.index())];
        std::vector<StoredRow>& rows = loaded.rowsByEntity[size_t(entity.index())];
        std::vector<ManagedObject*>& madeHere = made[size_t(entity.index())];
        madeHere.reserve(rows.size());
        objects.objects.reserve(rows.size());
        objects.byId.reserve(qsizetype(rows.size()));
        for (StoredRow& row : rows) {
            ManagedObject*& byId = objects.byId[row.id]; // one look-up, inserting
            if (ManagedObject* first = byId) {
                report(QStringLiteral("%1 row %2 (id %3): row %4 has the same id; row not loaded")
                           .arg(entity.name())
                           .arg(row.rowid)
                           .arg(uuidText(row.id))
                           .arg(first->m_order));
                madeHere.push_back(nullptr);
                continue;
            }
            std::shared_ptr<ManagedObject> object = entity.objectFactory()(entity);
            object->m_model = m_model;
            object->m_context = this;
            object->m_values = std::move(row.values);
            for (const auto& [attribute, size] : row.documents) {
                // Known by its size: the bytes stay in the store.
                object->m_documents.push_back({attribute, size, {}});
            }
            object->m_storedId = row.id;
            object->m_order = row.rowid;
            object->m_slot = objects.objects.size();
            byId = object.get();
            objects.nextOrder = std::max(objects.nextOrder, row.rowid + 1);
            madeHere.push_back(object.get());
            objects.objects.push_back(std::move(object));
        }
    }
    for (const auto& entityPointer : m_model->entities()) {
        const EntityDescription& entity = *entityPointer;
        const size_t count = entity.relationships().size();
        const std::vector<std::optional<QUuid>>& ids = loaded.linksByEntity[size_t(entity.index())];
        const std::vector<ManagedObject*>& madeHere = made[size_t(entity.index())];
        for (size_t i = 0; i < madeHere.size(); ++i) {
            ManagedObject* object = madeHere[i];
            for (size_t r = 0; object && r < count; ++r) {
                const std::optional<QUuid>& id = ids[i * count + r];
                if (!id) {
                    continue;
                }
                const RelationshipDescription& relationship = *entity.relationships()[r];
                ManagedObject* destination = objectWithId(*relationship.destinationEntity(), id);
                if (!destination) {
                    report(QStringLiteral("%1 row %2 (id %3): %4 refers to %5 %6, which is not "
                                          "in the store; loaded without a %4")
                               .arg(entity.name())
                               .arg(object->m_order)
                               .arg(uuidText(object->m_storedId), relationship.name(),
                                    relationship.destinationEntity()->name(), uuidText(*id)));
                    continue;
                }
                object->link(int(r), destination);
            }
        }
    }
}

ManagedObject* ManagedObjectContext::objectWithId(const EntityDescription& entity,
                                                  const std::optional<QUuid>& id) {
    if (!id) {
        return nullptr;
    }
    ManagedObject* object = m_entities[size_t(entity.index())].byId.value(*id);
    return object && !object->m_deleted ? object : nullptr;
}

std::vector<std::shared_ptr<ManagedObject>>
ManagedObjectContext::registeredObjects(const QString& entityName) const {
    return registeredObjects(entityName, 0, std::numeric_limits<size_t>::max());
}

std::vector<std::shared_ptr<ManagedObject>>
ManagedObjectContext::registeredObjects(const QString& entityName, size_t from,
                                        size_t count) const {
    const EntityDescription* entity = m_model->entity(entityName);
    if (!entity) {
        return {};
    }
    const std::vector<std::shared_ptr<ManagedObject>>& objects =
        m_entities[size_t(entity->index())].objects;
    from = std::min(from, objects.size());
    const auto first = objects.begin() + qsizetype(from);
    return {first, first + qsizetype(std::min(count, objects.size() - from))};
}

std::shared_ptr<ManagedObject> ManagedObjectContext::existingObject(const QString& entityName,
                                                                    const QUuid& id) const {
    const EntityDescription* entity = m_model->entity(entityName);
    if (!entity) {
        return nullptr;
    }
    ManagedObject* object = m_entities[size_t(entity->index())].byId.value(id);
    return object && !object->m_deleted ? object->shared_from_this() : nullptr;
}

std::shared_ptr<ManagedObject> ManagedObjectContext::insertNewObject(const QString& entityName) {
    const EntityDescription* entity = m_model->entity(entityName);
    if (!entity || !entity->objectFactory()) {
        return nullptr;
    }
    std::shared_ptr<ManagedObject> object = entity->objectFactory()(*entity);
    EntityObjects& objects = m_entities[size_t(entity->index())];
    object->m_model = m_model;
    object->m_context = this;
    object->m_inserted = true;
    object->m_order = objects.nextOrder++;
    object->m_slot = objects.objects.size();
    object->m_values.resize(entity->attributes().size());
    for (size_t i = 0; i < entity->attributes().size(); ++i) {
        object->m_values[i] = entity->attributes()[i]->defaultValue();
    }
    objects.objects.push_back(object);
    markChanged(*object, allBits(*entity));
    // Observers hear of the object once, with its insert defaults set.
    object->m_announced = false;
    object->awakeFromInsert();
    object->m_announced = true;
    notify(true, ObjectChange::Kind::Insert, *object, 0);
    notify(false, ObjectChange::Kind::Insert, *object, 0);
    return object;
}

void ManagedObjectContext::markChanged(ManagedObject& object, quint64 bits) {
    object.m_changed |= bits;
    if (!object.m_pending) {
        object.m_pending = true;
        m_pending.push_back(object.shared_from_this());
    }
}

void ManagedObjectContext::remember(ManagedObject& object) {
    if (!object.m_inserted && !object.m_saved) {
        object.m_saved = std::make_unique<ManagedObject::SavedState>(
            ManagedObject::SavedState{object.m_values, object.m_documents, object.m_links});
    }
}

bool ManagedObjectContext::setValue(ManagedObject& object, int attribute, Value value) {
    const EntityDescription& entity = object.entity();
    if (object.m_context != this || object.m_deleted || attribute < 0 ||
        size_t(attribute) >= entity.attributes().size() ||
        !entity.attributes()[size_t(attribute)]->accepts(value)) {
        return false;
    }
    Value& held = object.m_values[size_t(attribute)];
    const bool stored = object.storedDocument(attribute) != nullptr;
    if (held == value && !stored) {
        return true;
    }
    if (attribute == entity.identityAttribute()) {
        // Given once, by the insert defaults, and never changed: lists, selections and
        // reminders know an object by it. One object per id.
        QHash<QUuid, ManagedObject*>& byId = m_entities[size_t(entity.index())].byId;
        const QUuid* newId = std::get_if<QUuid>(&value);
        if (object.m_announced || !ValueOrder::isAbsent(held) || !newId || byId.contains(*newId)) {
            return false;
        }
        byId.insert(*newId, &object);
    }
    remember(object);
    const quint64 bit = quint64(1) << attribute;
    notify(true, ObjectChange::Kind::Update, object, bit);
    held = std::move(value);
    if (stored) {
        object.setStoredDocument(attribute, std::nullopt);
    }
    markChanged(object, bit);
    notify(false, ObjectChange::Kind::Update, object, bit);
    return true;
}

void ManagedObjectContext::relink(ManagedObject& object, int relationship,
                                  ManagedObject* destination) {
    ManagedObject* old = object.m_links[size_t(relationship)];
    if (old == destination) {
        return;
    }
    const RelationshipDescription* inverse =
        object.entity().relationships()[size_t(relationship)]->inverseRelationship();
    const int inverseIndex = inverse && inverse->isToMany() ? inverse->index() : -1;
    auto tell = [&](bool will) {
        notify(will, ObjectChange::Kind::Update, object, object.relationshipBit(relationship));
        for (ManagedObject* side : {old, destination}) {
            if (side && inverseIndex >= 0) {
                notify(will, ObjectChange::Kind::Update, *side,
                       side->relationshipBit(inverseIndex));
            }
        }
    };
    tell(true);
    object.link(relationship, destination);
    tell(false);
}

bool ManagedObjectContext::setDestination(ManagedObject& object, int relationship,
                                          ManagedObject* destination) {
    const EntityDescription& entity = object.entity();
    if (object.m_context != this || object.m_deleted || relationship < 0 ||
        size_t(relationship) >= entity.relationships().size()) {
        return false;
    }
    const RelationshipDescription& description = *entity.relationships()[size_t(relationship)];
    if (description.isToMany() ||
        (destination && (destination->m_context != this || destination->m_deleted ||
                         &destination->entity() != description.destinationEntity()))) {
        return false;
    }
    if (object.m_links[size_t(relationship)] == destination) {
        return true;
    }
    remember(object);
    relink(object, relationship, destination);
    markChanged(object, object.relationshipBit(relationship));
    return true;
}

void ManagedObjectContext::deleteObject(ManagedObject* object) {
    if (!object || object->m_context != this || object->m_deleted) {
        return;
    }
    remember(*object);
    const EntityDescription& entity = object->entity();
    for (size_t r = 0; r < entity.relationships().size(); ++r) {
        const RelationshipDescription& relationship = *entity.relationships()[r];
        if (!relationship.isToMany()) {
            setDestination(*object, int(r), nullptr);
        } else if (const RelationshipDescription* inverse = relationship.inverseRelationship()) {
            for (ManagedObject* member : object->membersAt(int(r))) {
                setDestination(*member, inverse->index(), nullptr);
            }
        }
    }
    notify(true, ObjectChange::Kind::Delete, *object, 0);
    object->m_deleted = true;
    notify(false, ObjectChange::Kind::Delete, *object, 0);
    if (object->m_inserted) {
        // Never stored: it simply goes.
        forget(*object);
    } else {
        markChanged(*object, 0);
    }
}

void ManagedObjectContext::forget(ManagedObject& object) {
    EntityObjects& objects = m_entities[size_t(object.entity().index())];
    const int idAttribute = object.entity().identityAttribute();
    if (const QUuid* id = std::get_if<QUuid>(&object.m_values[size_t(idAttribute)]);
        id && objects.byId.value(*id) == &object) {
        objects.byId.remove(*id);
    }
    std::shared_ptr<ManagedObject> keep = object.shared_from_this();
    ++m_forgotten;
    const size_t slot = object.m_slot;
    if (slot < objects.objects.size() && objects.objects[slot].get() == &object) {
        std::swap(objects.objects[slot], objects.objects.back());
        objects.objects[slot]->m_slot = slot;
        objects.objects.pop_back();
    }
    object.unlinkAll();
    object.m_context = nullptr;
    object.m_changed = 0;
}

bool ManagedObjectContext::hasChanges() const {
    return std::any_of(m_pending.begin(), m_pending.end(), [this](const auto& object) {
        return object->m_context == this && object->hasChanges();
    });
}

void ManagedObjectContext::rollback() {
    std::vector<std::shared_ptr<ManagedObject>> pending;
    pending.swap(m_pending);
    std::vector<ManagedObject*> stored;
    std::vector<ManagedObject*> inserted;
    for (const auto& object : pending) {
        object->m_pending = false;
        if (object->m_context == this) {
            (object->m_inserted ? inserted : stored).push_back(object.get());
        }
    }
    // Deleted objects come back before any link to them does; new objects let go of every
    // link before any of them goes.
    for (ManagedObject* object : stored) {
        restoreValues(*object);
    }
    for (ManagedObject* object : stored) {
        restoreLinks(*object);
    }
    for (ManagedObject* object : inserted) {
        unlinkInserted(*object);
    }
    for (ManagedObject* object : inserted) {
        discardInserted(*object);
    }
}

void ManagedObjectContext::restoreValues(ManagedObject& object) {
    ManagedObject::SavedState* saved = object.m_saved.get();
    if (!saved) {
        return;
    }
    const quint64 attributes =
        object.m_changed & ((quint64(1) << object.entity().attributes().size()) - 1);
    const bool deleted = object.m_deleted;
    if (!deleted && attributes == 0) {
        return;
    }
    if (!deleted) {
        notify(true, ObjectChange::Kind::Update, object, attributes);
    }
    object.m_values = std::move(saved->values);
    object.m_documents = std::move(saved->documents);
    if (deleted) {
        notify(true, ObjectChange::Kind::Insert, object, 0);
        object.m_deleted = false;
        notify(false, ObjectChange::Kind::Insert, object, 0);
    } else {
        notify(false, ObjectChange::Kind::Update, object, attributes);
    }
}

void ManagedObjectContext::restoreLinks(ManagedObject& object) {
    if (const std::unique_ptr<ManagedObject::SavedState> saved = std::move(object.m_saved)) {
        const auto& relationships = object.entity().relationships();
        for (size_t r = 0; r < relationships.size(); ++r) {
            if (!relationships[r]->isToMany()) {
                relink(object, int(r), saved->links[r]);
            }
        }
    }
    object.m_changed = 0;
}

void ManagedObjectContext::unlinkInserted(ManagedObject& object) {
    const auto& relationships = object.entity().relationships();
    for (size_t r = 0; r < relationships.size(); ++r) {
        if (!relationships[r]->isToMany()) {
            relink(object, int(r), nullptr);
        }
    }
}

void ManagedObjectContext::discardInserted(ManagedObject& object) {
    notify(true, ObjectChange::Kind::Delete, object, 0);
    object.m_deleted = true;
    notify(false, ObjectChange::Kind::Delete, object, 0);
    forget(object);
}

bool ManagedObjectContext::save(QString* error) {
    QString ignored;
    QString& message = error ? *error : ignored;
    message.clear();
    if (!m_store) {
        message = QStringLiteral("No persistent store is open");
        return false;
    }
    if (m_heldSave && !m_savingPart) {
        message = QStringLiteral("Another save is being written");
        return false;
    }

    std::vector<ManagedObject*> objects;
    QStringList missing;
    for (const auto& object : m_pending) {
        if (object->m_context != this || !object->hasChanges()) {
            continue;
        }
        objects.push_back(object.get());
        if (object->m_deleted) {
            continue;
        }
        const EntityDescription& entity = object->entity();
        for (size_t a = 0; a < entity.attributes().size(); ++a) {
            const AttributeDescription& attribute = *entity.attributes()[a];
            if (!attribute.isOptional() && !object->hasValue(int(a))) {
                missing << QStringLiteral("%1.%2 is required").arg(entity.name(), attribute.name());
            }
        }
    }
    if (!missing.isEmpty()) {
        missing.removeDuplicates();
        message = QStringLiteral("Validation failed: ") + missing.join(QStringLiteral("; "));
        return false;
    }
    // New rows in the order their objects were inserted, so that rowids keep that order.
    std::stable_sort(objects.begin(), objects.end(),
                     [](const ManagedObject* a, const ManagedObject* b) {
                         if (a->m_inserted != b->m_inserted) {
                             return a->m_inserted;
                         }
                         return a->m_inserted && a->m_order < b->m_order;
                     });

    std::vector<RowWrite> writes;
    writes.reserve(objects.size());
    for (ManagedObject* object : objects) {
        RowWrite write;
        write.entity = &object->entity();
        write.kind = object->m_deleted    ? RowWrite::Kind::Delete
                     : object->m_inserted ? RowWrite::Kind::Insert
                                          : RowWrite::Kind::Update;
        write.storedId = object->m_storedId;
        write.changed = object->m_changed;
        if (write.kind != RowWrite::Kind::Delete) {
            write.values = object->m_values;
            // Should the row be gone, it is written again with every document at hand.
            for (const ManagedObject::StoredDocument& stored : object->m_documents) {
                if (const std::shared_ptr<const QByteArray> bytes = stored.cache.lock()) {
                    write.values[size_t(stored.attribute)] = *bytes;
                } else {
                    write.documentsLeftInStore |= quint64(1) << stored.attribute;
                }
            }
            write.links.resize(object->m_links.size());
            for (size_t r = 0; r < object->m_links.size(); ++r) {
                if (ManagedObject* destination = object->m_links[r]) {
                    const int id = destination->entity().identityAttribute();
                    if (const QUuid* uuid =
                            std::get_if<QUuid>(&destination->m_values[size_t(id)])) {
                        write.links[r] = *uuid;
                    }
                }
            }
        }
        writes.push_back(std::move(write));
    }

    std::vector<RowWriteResult> results;
    QStringList reports;
    if (!m_store->write(writes, &results, &reports, &message)) {
        return false;
    }

    // All that was written counts as saved before anyone hears of what the save read back: a
    // change an observer makes while told is a new change, left pending for the next save.
    std::vector<std::shared_ptr<ManagedObject>> saved;
    saved.swap(m_pending);
    for (const auto& object : saved) {
        object->m_pending = false;
        object->m_saved.reset();
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        settle(*objects[i], writes[i].kind);
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        // An object an observer deleted meanwhile takes nothing more.
        if (writes[i].kind != RowWrite::Kind::Delete && results[i].current &&
            !objects[i]->isDeleted()) {
            refresh(*objects[i], writes[i].changed, *results[i].current);
        }
    }
    for (const QString& line : reports) {
        report(line);
    }
    if (m_saved && !objects.empty()) {
        m_saved();
    }
    return true;
}

void ManagedObjectContext::settle(ManagedObject& object, RowWrite::Kind kind) {
    if (kind == RowWrite::Kind::Delete) {
        forget(object);
        return;
    }
    // Written documents go back to the store, which gives them again when asked.
    for (size_t a = 0; a < object.m_values.size(); ++a) {
        if (const QByteArray* bytes = std::get_if<QByteArray>(&object.m_values[a])) {
            const qint64 size = bytes->size();
            object.m_values[a] = Value();
            object.setStoredDocument(int(a), size);
        }
    }
    object.m_inserted = false;
    object.m_changed = 0;
    object.m_storedId =
        std::get<QUuid>(object.m_values[size_t(object.entity().identityAttribute())]);
}

void ManagedObjectContext::refresh(ManagedObject& object, quint64 written,
                                   const StoredRow& current) {
    const EntityDescription& entity = object.entity();
    quint64 changed = 0;
    for (size_t a = 0; a < entity.attributes().size(); ++a) {
        if ((written & (quint64(1) << a)) || int(a) == entity.identityAttribute()) {
            continue;
        }
        if (entity.attributes()[a]->attributeType() == AttributeType::Binary) {
            // Another writer's document: known by its size, read when asked for.
            const qint64* size = documentSize(current, int(a));
            const auto* stored = object.storedDocument(int(a));
            if ((size != nullptr) != (stored != nullptr) || (size && *size != stored->size) ||
                !ValueOrder::isAbsent(object.m_values[a])) {
                changed |= quint64(1) << a;
            }
        } else if (object.m_values[a] != current.values[a]) {
            changed |= quint64(1) << a;
        }
    }
    // Another writer's value is the saved one now; a change an observer makes meanwhile wins.
    auto take = [&](std::vector<Value>& values,
                    std::vector<ManagedObject::StoredDocument>& documents, size_t a) {
        if (entity.attributes()[a]->attributeType() != AttributeType::Binary) {
            values[a] = current.values[a];
            return;
        }
        values[a] = Value();
        std::erase_if(documents, [a](const auto& stored) { return stored.attribute == int(a); });
        if (const qint64* size = documentSize(current, int(a))) {
            documents.push_back({int(a), *size, {}});
        }
    };
    if (changed != 0) {
        notify(true, ObjectChange::Kind::Update, object, changed);
        for (size_t a = 0; a < entity.attributes().size(); ++a) {
            const quint64 bit = quint64(1) << a;
            if ((changed & bit) && !(object.m_changed & bit)) {
                take(object.m_values, object.m_documents, a);
                if (object.m_saved) {
                    take(object.m_saved->values, object.m_saved->documents, a);
                }
            }
        }
        notify(false, ObjectChange::Kind::Update, object, changed);
    }
    for (size_t r = 0; r < entity.relationships().size(); ++r) {
        const RelationshipDescription& relationship = *entity.relationships()[r];
        const quint64 bit = object.relationshipBit(int(r));
        if (relationship.isToMany() || (written & bit) || (object.m_changed & bit)) {
            continue;
        }
        ManagedObject* destination =
            objectWithId(*relationship.destinationEntity(), current.links[r]);
        if (object.m_saved) {
            object.m_saved->links[r] = destination;
        }
        relink(object, int(r), destination);
    }
}

std::vector<std::shared_ptr<ManagedObject>>
ManagedObjectContext::execute(const FetchRequestBase& request, QString* error) const {
    QString ignored;
    QString& message = error ? *error : ignored;
    message.clear();
    const EntityDescription* entity = m_model->entity(request.entityName());
    if (!entity) {
        message = QStringLiteral("No entity %1").arg(request.entityName());
        return {};
    }
    std::optional<Predicate> predicate;
    if (request.predicate()) {
        predicate = request.predicate()->boundTo(*entity);
        if (!predicate->isValid()) {
            message = predicate->errorString();
            return {};
        }
    }
    std::vector<std::pair<int, bool>> keys;
    for (const SortDescriptor& sort : request.sortDescriptors()) {
        const int index = entity->attributeIndex(sort.key);
        if (index < 0) {
            message = QStringLiteral("%1 has no attribute %2").arg(entity->name(), sort.key);
            return {};
        }
        keys.emplace_back(index, sort.ascending);
    }
    if (!m_store) {
        return {};
    }

    // A first key that is a date, an integer or a text sorts as plain integers beside the
    // objects (absent first; a text by its first eight characters), and only ties are compared
    // in full. Each object's rank and handle are taken while it is at hand: objects lie
    // wherever they were made.
    const AttributeType firstType =
        keys.empty() ? AttributeType::Binary
                     : entity->attributes()[size_t(keys.front().first)]->attributeType();
    const bool ranked =
        !keys.empty() && keys.front().second &&
        (firstType == AttributeType::Date || firstType == AttributeType::Integer32 ||
         firstType == AttributeType::String);
    const size_t rankKey = ranked ? size_t(keys.front().first) : 0;
    struct Found {
        qint64 rank;
        qint64 nextRank; // a text's characters five to eight
        ManagedObject* object;
        std::shared_ptr<ManagedObject> handle;
    };
    std::vector<Found> found;
    const std::vector<std::shared_ptr<ManagedObject>>& objects =
        m_entities[size_t(entity->index())].objects;
    found.reserve(objects.size());
    for (size_t i = 0; i < objects.size(); ++i) {
        if (i + 16 < objects.size()) {
            __builtin_prefetch(objects[i + 16].get());
        }
        if (i + 8 < objects.size()) {
            __builtin_prefetch(objects[i + 8]->m_values.data());
        }
        ManagedObject* object = objects[i].get();
        if (object->m_deleted || (predicate && !predicate->evaluate(object->m_values, object))) {
            continue;
        }
        qint64 rank = std::numeric_limits<qint64>::min();
        qint64 nextRank = rank;
        if (ranked) {
            const Value& value = object->m_values[rankKey];
            if (const Instant* instant = std::get_if<Instant>(&value)) {
                rank = instant->msSinceEpoch();
            } else if (const qint64* number = std::get_if<qint64>(&value)) {
                rank = *number;
            } else if (const QString* text = std::get_if<QString>(&value)) {
                rank = ValueOrder::textPrefixRank(*text);
                nextRank = ValueOrder::textPrefixRank(
                    QStringView(*text).mid(std::min<qsizetype>(4, text->size())));
            }
        }
        found.push_back({rank, nextRank, object, objects[i]});
    }
    const auto before = [&keys](const ManagedObject* a, const ManagedObject* b) {
        for (const auto& [index, ascending] : keys) {
            const int c =
                ValueOrder::compare(a->m_values[size_t(index)], b->m_values[size_t(index)]);
            if (c != 0) {
                return ascending ? c < 0 : c > 0;
            }
        }
        return a->m_order < b->m_order;
    };
    std::sort(found.begin(), found.end(), [&before](const Found& a, const Found& b) {
        if (a.rank != b.rank) {
            return a.rank < b.rank;
        }
        return a.nextRank != b.nextRank ? a.nextRank < b.nextRank : before(a.object, b.object);
    });
    std::vector<std::shared_ptr<ManagedObject>> result;
    result.reserve(found.size());
    for (Found& entry : found) {
        result.push_back(std::move(entry.handle));
    }
    return result;
}
