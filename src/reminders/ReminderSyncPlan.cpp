#include "reminders/ReminderSyncPlan.h"

#include <QHash>

std::vector<Reminder> ReminderSyncPlan::wanted(const Sources& sources, const QTimeZone& zone,
                                               const QLocale& locale, Instant now,
                                               RepeatRuleLog& log) {
    std::vector<Reminder> wanted;
    wanted.reserve(sources.policies.size() + sources.events.size() + sources.tasks.size());
    const auto take = [&wanted](std::vector<Reminder> reminders) {
        std::move(reminders.begin(), reminders.end(), std::back_inserter(wanted));
    };
    for (const PolicyReminderSource& policy : sources.policies) {
        // A day written twice is one request.
        take(PolicyReminders::all(policy, zone, PolicyReminders::Days::EachOnce));
    }
    for (const EventReminderSource& event : sources.events) {
        take(EventReminders::all(event, zone, locale, now, log));
    }
    for (const TaskReminderSource& task : sources.tasks) {
        take(TaskReminders::all(task, zone, locale));
    }
    return wanted;
}

ReminderSyncPlan ReminderSyncPlan::make(std::vector<Reminder> wanted,
                                        const QList<NotificationRequest>& pending,
                                        const QTimeZone& zone, Instant now) {
    QHash<QString, const NotificationRequest*> unmatched;
    unmatched.reserve(pending.size());
    for (const NotificationRequest& request : pending) {
        if (Reminder::isOurs(request.identifier)) {
            unmatched.insert(request.identifier, &request);
        }
    }
    ReminderSyncPlan plan;
    for (Reminder& reminder : wanted) {
        const NotificationRequest* held = unmatched.take(reminder.request.identifier);
        if (held && *held == reminder.request) {
            continue;
        }
        if (!reminder.hasBegun(now, zone)) {
            plan.add.push_back(std::move(reminder)); // replaces a different one
        } else if (held) {
            plan.remove.append(held->identifier);
        }
    }
    for (auto it = unmatched.cbegin(); it != unmatched.cend(); ++it) {
        plan.remove.append(it.key());
    }
    return plan;
}
