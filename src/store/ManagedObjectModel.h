#pragma once

#include "store/EntityDescription.h"

#include <memory>
#include <vector>

// A model built in code: the entities in the order given, each with its properties. The
// store's tables and the context's objects both follow from it.
class ManagedObjectModel final {
public:
    void setEntities(std::vector<std::unique_ptr<EntityDescription>> entities);

    const std::vector<std::unique_ptr<EntityDescription>>& entities() const { return m_entities; }
    // The entity of that name, or null.
    const EntityDescription* entity(const QString& name) const;

private:
    std::vector<std::unique_ptr<EntityDescription>> m_entities;
};
