#pragma once

#include "reminders/PolicyReminders.h"

#include <QList>
#include <QStringList>

#include <vector>

// What makes the pending policy reminders those of the store's policies, and nothing more: the
// requests to remove (of a policy no longer there, a reminder day no longer set, or a request
// that no longer reads as the policy's) and the reminders to add (missing or different, their
// minute still to come). A pending request that is the policy's own stays, its minute begun or
// not: the service shows it, or is showing it. Requests that are not policy reminders are not
// touched. A pure function of plain values, for any thread.
struct ReminderSyncPlan {
    QStringList remove;
    std::vector<PolicyReminder> add;

    // Every reminder of the policies, past or to come, each day once: the costly half, which
    // can be worked out while the pending list is on its way.
    static std::vector<PolicyReminder> wanted(const std::vector<PolicyReminderSource>& policies,
                                              const QTimeZone& zone);
    static ReminderSyncPlan make(std::vector<PolicyReminder> wanted,
                                 const QList<NotificationRequest>& pending, const QTimeZone& zone,
                                 Instant now);
};
