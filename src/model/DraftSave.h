#pragma once

#include "store/ManagedObjectContext.h"

#include <QString>

#include <memory>

// What every editor does with its draft on "save": write it into the object (a new one when
// there is none), save the context, and on failure roll the context back, so that nothing
// half-saved stays behind and a second press never inserts a second object. The saved object,
// or null with `error` set.
template <typename Entity, typename Draft>
std::shared_ptr<Entity> saveDraft(const Draft& draft, ManagedObjectContext& context,
                                  std::shared_ptr<Entity> object, QString* error) {
    if (!object) {
        object = context.insert<Entity>();
        if (!object) {
            if (error) {
                *error = QStringLiteral("The store has no %1 entity").arg(Entity::entityName());
            }
            return nullptr;
        }
    }
    draft.writeInto(*object);
    if (!context.save(error)) {
        context.rollback();
        return nullptr;
    }
    return object;
}
