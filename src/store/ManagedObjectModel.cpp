#include "store/ManagedObjectModel.h"

void ManagedObjectModel::setEntities(std::vector<std::unique_ptr<EntityDescription>> entities) {
    m_entities = std::move(entities);
    for (size_t i = 0; i < m_entities.size(); ++i) {
        m_entities[i]->m_index = int(i);
    }
}

const EntityDescription* ManagedObjectModel::entity(const QString& name) const {
    for (const auto& entity : m_entities) {
        if (entity->name() == name) {
            return entity.get();
        }
    }
    return nullptr;
}
