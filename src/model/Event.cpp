#include "model/Event.h"

#include "model/Category.h"
#include "platform/Clock.h"
#include "store/ManagedObjectContext.h"

std::shared_ptr<Category> Event::category() const {
    return destinationAs<Category>(kCategory);
}

void Event::setCategory(const std::shared_ptr<Category>& category) {
    setDestinationAt(kCategory, category.get());
}

void Event::awakeFromInsert() {
    setId(QUuid::createUuid());
    setCreatedAt(managedObjectContext()->clock().now());
    setIsAllDay(false);
    setReminderMinutes(15);
}
