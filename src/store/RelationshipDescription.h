#pragma once

#include <QString>

class EntityDescription;

// What deleting an object does to the objects it is linked to.
enum class DeleteRule {
    NoAction = 0,
    Nullify = 1,
};

// One side of a link between two entities. A to-one side has maximum count 1; a to-many side
// has maximum count 0, which means unbounded. Every link is declared from both sides, each
// naming the other as its inverse; the store keeps links of one to-one side and one to-many
// side (one-to-one and many-to-many links are not supported).
class RelationshipDescription final {
public:
    void setName(const QString& name) { m_name = name; }
    const QString& name() const { return m_name; }

    void setDestinationEntity(const EntityDescription* entity) { m_destination = entity; }
    const EntityDescription* destinationEntity() const { return m_destination; }

    void setMinCount(int count) { m_minCount = count; }
    int minCount() const { return m_minCount; }
    void setMaxCount(int count) { m_maxCount = count; }
    int maxCount() const { return m_maxCount; }
    bool isToMany() const { return m_maxCount != 1; }

    void setDeleteRule(DeleteRule rule) { m_deleteRule = rule; }
    DeleteRule deleteRule() const { return m_deleteRule; }

    void setInverseRelationship(const RelationshipDescription* inverse) { m_inverse = inverse; }
    const RelationshipDescription* inverseRelationship() const { return m_inverse; }

    // Set by the entity that lists this relationship among its properties.
    const EntityDescription* entity() const { return m_entity; }
    int index() const { return m_index; }

private:
    friend class EntityDescription;

    QString m_name;
    const EntityDescription* m_destination = nullptr;
    int m_minCount = 0;
    int m_maxCount = 1;
    DeleteRule m_deleteRule = DeleteRule::Nullify;
    const RelationshipDescription* m_inverse = nullptr;
    const EntityDescription* m_entity = nullptr;
    int m_index = -1;
};
