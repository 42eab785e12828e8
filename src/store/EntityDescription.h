#pragma once

#include "store/AttributeDescription.h"
#include "store/RelationshipDescription.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <variant>
#include <vector>

class ManagedObject;

// One entity of a model: its name, the class its objects have, and its properties, attributes
// first and then relationships, in the order given.
class EntityDescription final {
public:
    using Property = std::variant<std::unique_ptr<AttributeDescription>,
                                  std::unique_ptr<RelationshipDescription>>;
    // Makes the object of the entity's class; the context inserts or fills it.
    using ObjectFactory = std::function<std::shared_ptr<ManagedObject>(const EntityDescription&)>;

    void setName(const QString& name) { m_name = name; }
    const QString& name() const { return m_name; }

    void setManagedObjectClassName(const QString& name) { m_className = name; }
    const QString& managedObjectClassName() const { return m_className; }

    void setObjectFactory(ObjectFactory factory) { m_factory = std::move(factory); }
    const ObjectFactory& objectFactory() const { return m_factory; }

    // Takes the properties; attributes and relationships are numbered in the order given,
    // each kind from 0.
    void setProperties(std::vector<Property> properties);

    const std::vector<std::unique_ptr<AttributeDescription>>& attributes() const {
        return m_attributes;
    }
    const std::vector<std::unique_ptr<RelationshipDescription>>& relationships() const {
        return m_relationships;
    }
    int attributeIndex(const QString& name) const { return m_attributeIndex.value(name, -1); }
    int relationshipIndex(const QString& name) const { return m_relationshipIndex.value(name, -1); }
    // The attribute named "id" that identifies an object, or -1.
    int identityAttribute() const { return m_identityAttribute; }

    // Attribute lists by which fetches sort; the store keeps an index for each.
    void setFetchIndexes(std::vector<QStringList> indexes) { m_fetchIndexes = std::move(indexes); }
    const std::vector<QStringList>& fetchIndexes() const { return m_fetchIndexes; }

    // Position of the entity in its model.
    int index() const { return m_index; }

private:
    friend class ManagedObjectModel;

    QString m_name;
    QString m_className;
    ObjectFactory m_factory;
    std::vector<std::unique_ptr<AttributeDescription>> m_attributes;
    std::vector<std::unique_ptr<RelationshipDescription>> m_relationships;
    QHash<QString, int> m_attributeIndex;
    QHash<QString, int> m_relationshipIndex;
    std::vector<QStringList> m_fetchIndexes;
    int m_identityAttribute = -1; // looked up once: every load and write asks for it
    int m_index = -1;
};
