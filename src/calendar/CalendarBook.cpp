#include "calendar/CalendarBook.h"

#include "model/ClientReminderMessage.h"
#include "model/Contact.h"
#include "model/Event.h"
#include "model/Policy.h"
#include "model/Task.h"
#include "store/ManagedObjectContext.h"

namespace {

// Objects as the last save left them: new ones not yet saved are not in the file.
bool isSavedObject(const ManagedObject& object) {
    return !object.isDeleted() && !object.isInserted();
}

} // namespace

CalendarBook CalendarBook::of(const ManagedObjectContext& context) {
    CalendarBook book;
    const std::vector<std::shared_ptr<ManagedObject>> policies =
        context.registeredObjects(::Policy::entityName());
    book.policies.reserve(policies.size());
    for (const std::shared_ptr<ManagedObject>& object : policies) {
        if (!isSavedObject(*object)) {
            continue;
        }
        // Every object of an entity is made by the entity's factory, as its class.
        const auto& policy = static_cast<const ::Policy&>(*object);
        Policy& row = book.policies.emplace_back();
        row.id = policy.id();
        row.name = policy.name();
        row.number = policy.policyNumber();
        row.expiry = policy.expirationDate();
        row.customReminderDays = policy.customReminderDays();
        row.reminderDays = policy.reminderDays();
        row.createdAt = policy.createdAt();
        const std::shared_ptr<Contact> contact = policy.contact();
        if (contact) {
            row.hasClient = true;
            row.clientFirstName = contact->firstName();
            row.clientLastName = contact->lastName();
        }
        // The phone the client card shows and the reminder goes to.
        row.phone = ClientReminderMessage::contactPhone(
            contact != nullptr, contact ? contact->phoneNumber() : std::nullopt,
            policy.clientPhoneNumber());
    }
    for (const std::shared_ptr<ManagedObject>& object :
         context.registeredObjects(::Event::entityName())) {
        if (!isSavedObject(*object)) {
            continue;
        }
        const auto& event = static_cast<const ::Event&>(*object);
        book.events.push_back({.id = event.id(),
                               .title = event.title(),
                               .start = event.startDate(),
                               .end = event.endDate(),
                               .allDay = event.isAllDay(),
                               .location = event.location(),
                               .notes = event.notes(),
                               .recurrenceRule = event.recurrenceRule(),
                               .reminderMinutes = event.reminderMinutes(),
                               .createdAt = event.createdAt()});
    }
    for (const std::shared_ptr<ManagedObject>& object :
         context.registeredObjects(::Task::entityName())) {
        if (!isSavedObject(*object)) {
            continue;
        }
        const auto& task = static_cast<const ::Task&>(*object);
        book.tasks.push_back({.id = task.id(),
                              .title = task.title(),
                              .due = task.dueDate(),
                              .completed = task.isCompleted(),
                              .completedAt = task.completedAt(),
                              .priority = task.priority(),
                              .notes = task.notes(),
                              .reminder = task.reminderDate(),
                              .createdAt = task.createdAt()});
    }
    return book;
}
