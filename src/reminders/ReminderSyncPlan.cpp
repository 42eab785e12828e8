#include "reminders/ReminderSyncPlan.h"

#include <QHash>

#include <algorithm>

ReminderSyncPlan ReminderSyncPlan::make(const std::vector<PolicyReminderSource>& policies,
                                        const QList<NotificationRequest>& pending,
                                        const QTimeZone& zone, Instant now) {
    QHash<QString, const NotificationRequest*> unmatched;
    unmatched.reserve(pending.size());
    for (const NotificationRequest& request : pending) {
        if (request.identifier.startsWith(PolicyReminders::kPrefix)) {
            unmatched.insert(request.identifier, &request);
        }
    }
    ReminderSyncPlan plan;
    for (const PolicyReminderSource& policy : policies) {
        std::vector<PolicyReminder> reminders = PolicyReminders::all(policy, zone);
        for (size_t i = 0; i < reminders.size(); ++i) {
            // A day written twice is one request.
            const auto days = policy.days.begin();
            if (std::find(days, days + qsizetype(i), policy.days[i]) != days + qsizetype(i)) {
                continue;
            }
            PolicyReminder& reminder = reminders[i];
            const NotificationRequest* held = unmatched.take(reminder.request.identifier);
            if (held && *held == reminder.request) {
                continue;
            }
            if (!PolicyReminders::hasBegun(reminder, now, zone)) {
                plan.add.push_back(std::move(reminder)); // replaces a different one
            } else if (held) {
                plan.remove.append(held->identifier);
            }
        }
    }
    for (auto it = unmatched.cbegin(); it != unmatched.cend(); ++it) {
        plan.remove.append(it.key());
    }
    return plan;
}
