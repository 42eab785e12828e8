#include "store/EntityDescription.h"

void EntityDescription::setProperties(std::vector<Property> properties) {
    m_attributes.clear();
    m_relationships.clear();
    m_attributeIndex.clear();
    m_relationshipIndex.clear();
    for (Property& property : properties) {
        if (auto* attribute = std::get_if<std::unique_ptr<AttributeDescription>>(&property)) {
            m_attributeIndex.insert((*attribute)->name(), int(m_attributes.size()));
            m_attributes.push_back(std::move(*attribute));
        } else {
            auto& relationship = std::get<std::unique_ptr<RelationshipDescription>>(property);
            relationship->m_entity = this;
            relationship->m_index = int(m_relationships.size());
            m_relationshipIndex.insert(relationship->name(), relationship->m_index);
            m_relationships.push_back(std::move(relationship));
        }
    }
    m_identityAttribute = attributeIndex(QStringLiteral("id"));
}
