#pragma once

#include "platform/Instant.h"

#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

class ManagedObjectContext;

// What the calendar file holds, as plain values: read from the store on its thread, cheaply,
// then turned into iCalendar text on any thread (CalendarWriter). Only saved objects are read:
// one inserted and not yet saved is left out.
struct CalendarBook {
    struct Policy {
        QUuid id;
        QString name;
        QString number;
        Instant expiry;
        // As stored: the reminder days are worked out from these by the writer.
        std::optional<QString> customReminderDays;
        qint32 reminderDays = 0;
        QString clientFirstName;
        QString clientLastName;
        bool hasClient = false;
        QString phone; // as the client card chooses it; empty for none
        Instant createdAt;
    };
    struct Event {
        QUuid id;
        QString title;
        Instant start;
        Instant end;
        bool allDay = false;
        std::optional<QString> location;
        std::optional<QString> notes;
        std::optional<QString> recurrenceRule;
        qint32 reminderMinutes = -1;
        Instant createdAt;
    };
    struct Task {
        QUuid id;
        QString title;
        std::optional<Instant> due;
        bool completed = false;
        std::optional<Instant> completedAt;
        qint32 priority = 1;
        std::optional<QString> notes;
        std::optional<Instant> reminder;
        Instant createdAt;
    };

    std::vector<Policy> policies;
    std::vector<Event> events;
    std::vector<Task> tasks;

    // Every saved policy, event and task of the context, in no set order.
    static CalendarBook of(const ManagedObjectContext& context);
};
