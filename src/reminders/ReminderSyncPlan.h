#pragma once

#include "reminders/EventReminders.h"
#include "reminders/PolicyReminders.h"
#include "reminders/TaskReminders.h"

#include <QList>
#include <QLocale>
#include <QStringList>

#include <vector>

class RepeatRuleLog;

// What makes the pending reminders those of the store's policies, events and tasks, and
// nothing more: the requests to remove (of an owner no longer there, a day or an occurrence no
// longer due, or a request that no longer reads as its owner's) and the reminders to add
// (missing or different, their minute still to come). A pending request that is its owner's
// own stays, its minute begun or not: the service shows it, or is showing it. Requests that
// are none of the program's reminders are not touched. A pure function of plain values, for
// any thread.
struct ReminderSyncPlan {
    QStringList remove;
    std::vector<Reminder> add;

    // What the store holds, read on the program's thread.
    struct Sources {
        std::vector<PolicyReminderSource> policies;
        std::vector<EventReminderSource> events;
        std::vector<TaskReminderSource> tasks;
    };

    // Every reminder of the policies (past or to come, each day once), of the events'
    // occurrences from `now` on, and of the tasks: the costly half, which can be worked out
    // while the pending list is on its way. A repeating event is expanded afresh, so that a
    // match each day tops up its window.
    static std::vector<Reminder> wanted(const Sources& sources, const QTimeZone& zone,
                                        const QLocale& locale, Instant now, RepeatRuleLog& log);
    static ReminderSyncPlan make(std::vector<Reminder> wanted,
                                 const QList<NotificationRequest>& pending, const QTimeZone& zone,
                                 Instant now);
};
