#include "reminders/ReminderSyncPlan.h"

#include <QHash>

std::vector<PolicyReminder>
ReminderSyncPlan::wanted(const std::vector<PolicyReminderSource>& policies, const QTimeZone& zone) {
    std::vector<PolicyReminder> wanted;
    wanted.reserve(policies.size());
    for (const PolicyReminderSource& policy : policies) {
        // A day written twice is one request.
        for (PolicyReminder& reminder :
             PolicyReminders::all(policy, zone, PolicyReminders::Days::EachOnce)) {
            wanted.push_back(std::move(reminder));
        }
    }
    return wanted;
}

ReminderSyncPlan ReminderSyncPlan::make(std::vector<PolicyReminder> wanted,
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
    for (PolicyReminder& reminder : wanted) {
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
    for (auto it = unmatched.cbegin(); it != unmatched.cend(); ++it) {
        plan.remove.append(it.key());
    }
    return plan;
}
