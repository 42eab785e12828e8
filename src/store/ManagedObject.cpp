#include "store/ManagedObject.h"

#include "store/ManagedObjectContext.h"

#include <QTimer>

#include <algorithm>

ManagedObject::ManagedObject(const EntityDescription& entity)
    : m_entity(&entity)
    , m_links(entity.relationships().size(), nullptr)
    , m_linkSlots(entity.relationships().size(), 0)
    // Only an entity with a to-many side needs the sets: most objects are of one without.
    , m_members(std::any_of(entity.relationships().begin(), entity.relationships().end(),
                            [](const auto& relationship) { return relationship->isToMany(); })
                    ? entity.relationships().size()
                    : 0) {}

ManagedObject::~ManagedObject() = default;

Value ManagedObject::value(const QString& key) const {
    const int index = m_entity->attributeIndex(key);
    if (index < 0) {
        return Value();
    }
    if (storedDocument(index)) {
        const std::shared_ptr<const QByteArray> bytes = document(index);
        return bytes ? Value(*bytes) : Value();
    }
    return m_values[size_t(index)];
}

const ManagedObject::StoredDocument* ManagedObject::storedDocument(int attribute) const {
    for (const StoredDocument& stored : m_documents) {
        if (stored.attribute == attribute) {
            return &stored;
        }
    }
    return nullptr;
}

void ManagedObject::setStoredDocument(int attribute, std::optional<qint64> size) {
    std::erase_if(m_documents, [attribute](const StoredDocument& stored) {
        return stored.attribute == attribute;
    });
    if (size) {
        m_documents.push_back({attribute, *size, {}});
    }
}

std::optional<qint64> ManagedObject::documentSize(int attribute) const {
    if (const auto* held = std::get_if<QByteArray>(&m_values[size_t(attribute)])) {
        return held->size();
    }
    if (const StoredDocument* stored = storedDocument(attribute)) {
        return stored->size;
    }
    return std::nullopt;
}

std::shared_ptr<const QByteArray> ManagedObject::document(int attribute) const {
    if (const auto* held = std::get_if<QByteArray>(&m_values[size_t(attribute)])) {
        return std::make_shared<const QByteArray>(*held);
    }
    const StoredDocument* stored = storedDocument(attribute);
    if (!stored) {
        return nullptr;
    }
    if (std::shared_ptr<const QByteArray> cached = stored->cache.lock()) {
        return cached;
    }
    if (!m_context) {
        return nullptr;
    }
    std::optional<QByteArray> bytes = m_context->readDocument(*this, attribute);
    if (!bytes) {
        return nullptr;
    }
    auto shared = std::make_shared<const QByteArray>(std::move(*bytes));
    stored->cache = shared;
    return shared;
}

quint64 ManagedObject::nextSerial() {
    static quint64 serial = 0;
    return ++serial;
}

void ManagedObject::documentLater(
    int attribute, QObject* receiver,
    std::function<void(std::shared_ptr<const QByteArray>)> done) const {
    const StoredDocument* stored = storedDocument(attribute);
    std::shared_ptr<const QByteArray> cached = stored ? stored->cache.lock() : nullptr;
    if (!stored || cached || !m_context ||
        !m_context->readDocumentLater(*this, attribute, stored->serial, receiver, done)) {
        // In memory, absent, or an in-memory store: handed over on the next turn.
        std::weak_ptr<const ManagedObject> self = weak_from_this();
        QTimer::singleShot(0, receiver, [self, attribute, cached, done = std::move(done)] {
            if (const std::shared_ptr<const ManagedObject> object = self.lock()) {
                done(cached ? cached : object->document(attribute));
            }
        });
    }
}

bool ManagedObject::setValue(const QString& key, const Value& value) {
    const int index = m_entity->attributeIndex(key);
    return index >= 0 && setValueAt(index, value);
}

bool ManagedObject::setValueAt(int attribute, Value value) {
    return m_context && m_context->setValue(*this, attribute, std::move(value));
}

std::shared_ptr<ManagedObject> ManagedObject::destination(const QString& relationship) const {
    const int index = m_entity->relationshipIndex(relationship);
    if (index < 0 || !m_links[size_t(index)]) {
        return nullptr;
    }
    return m_links[size_t(index)]->shared_from_this();
}

bool ManagedObject::setDestination(const QString& relationship, ManagedObject* destination) {
    const int index = m_entity->relationshipIndex(relationship);
    return index >= 0 && setDestinationAt(index, destination);
}

bool ManagedObject::setDestinationAt(int relationship, ManagedObject* destination) {
    return m_context && m_context->setDestination(*this, relationship, destination);
}

std::vector<ManagedObject*> ManagedObject::membersAt(int relationship) const {
    if (size_t(relationship) >= m_members.size()) {
        return {};
    }
    std::vector<ManagedObject*> members = m_members[size_t(relationship)];
    std::sort(members.begin(), members.end(), [](const ManagedObject* a, const ManagedObject* b) {
        return a->m_order < b->m_order;
    });
    return members;
}

std::vector<std::shared_ptr<ManagedObject>>
ManagedObject::members(const QString& relationship) const {
    std::vector<std::shared_ptr<ManagedObject>> result;
    const int index = m_entity->relationshipIndex(relationship);
    if (index >= 0) {
        for (ManagedObject* member : membersAt(index)) {
            result.push_back(member->shared_from_this());
        }
    }
    return result;
}

int ManagedObject::inverseOfToMany(const QString& relationship, const ManagedObject* member) const {
    const int index = m_entity->relationshipIndex(relationship);
    if (index < 0 || !member) {
        return -1;
    }
    const RelationshipDescription* inverse =
        m_entity->relationships()[size_t(index)]->inverseRelationship();
    if (!inverse || inverse->isToMany() || member->m_entity != inverse->entity()) {
        return -1;
    }
    return inverse->index();
}

bool ManagedObject::addMember(const QString& relationship, ManagedObject* member) {
    const int inverse = inverseOfToMany(relationship, member);
    return inverse >= 0 && member->setDestinationAt(inverse, this);
}

bool ManagedObject::removeMember(const QString& relationship, ManagedObject* member) {
    const int inverse = inverseOfToMany(relationship, member);
    if (inverse < 0) {
        return false;
    }
    return member->m_links[size_t(inverse)] != this || member->setDestinationAt(inverse, nullptr);
}

void ManagedObject::link(int relationship, ManagedObject* destination) {
    const RelationshipDescription& description = *m_entity->relationships()[size_t(relationship)];
    const RelationshipDescription* inverse = description.inverseRelationship();
    if (inverse && !inverse->isToMany()) {
        inverse = nullptr; // one-to-one links are not kept in step (see RelationshipDescription)
    }
    ManagedObject* old = m_links[size_t(relationship)];
    if (old == destination) {
        return;
    }
    const size_t r = size_t(relationship);
    if (old && inverse) {
        std::vector<ManagedObject*>& members = old->m_members[size_t(inverse->index())];
        ManagedObject* last = members.back();
        members[m_linkSlots[r]] = last;
        last->m_linkSlots[r] = m_linkSlots[r];
        members.pop_back();
    }
    m_links[r] = destination;
    if (destination && inverse) {
        std::vector<ManagedObject*>& members = destination->m_members[size_t(inverse->index())];
        m_linkSlots[r] = members.size();
        members.push_back(this);
    }
}

void ManagedObject::unlinkAll() {
    std::fill(m_links.begin(), m_links.end(), nullptr);
    for (auto& set : m_members) {
        set.clear();
    }
}
