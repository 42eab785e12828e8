#include "model/Task.h"

#include "model/Category.h"
#include "platform/Clock.h"
#include "store/ManagedObjectContext.h"

std::shared_ptr<Category> Task::category() const {
    return destinationAs<Category>(kCategory);
}

void Task::setCategory(const std::shared_ptr<Category>& category) {
    setDestinationAt(kCategory, category.get());
}

void Task::setDone(bool done, Instant at) {
    if (!done) {
        setIsCompleted(false);
        setCompletedAt(std::nullopt);
    } else if (!isCompleted() || !completedAt()) {
        setIsCompleted(true);
        setCompletedAt(at);
    }
}

void Task::awakeFromInsert() {
    setId(QUuid::createUuid());
    setCreatedAt(managedObjectContext()->clock().now());
    setIsCompleted(false);
    setPriority(1);
}
