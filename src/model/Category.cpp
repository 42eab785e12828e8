#include "model/Category.h"

#include "model/Event.h"
#include "model/Policy.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "store/ManagedObjectContext.h"

std::vector<std::shared_ptr<Event>> Category::events() const {
    return membersAs<Event>(kEvents);
}

std::vector<std::shared_ptr<Task>> Category::tasks() const {
    return membersAs<Task>(kTasks);
}

std::vector<std::shared_ptr<Policy>> Category::policies() const {
    return membersAs<Policy>(kPolicies);
}

void Category::awakeFromInsert() {
    setId(QUuid::createUuid());
    setCreatedAt(managedObjectContext()->clock().now());
    setColor(QStringLiteral("blue"));
}
