#include "reminders/PolicyReminders.h"

#include "model/CalendarMath.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"

#include <algorithm>

PolicyReminderSource PolicyReminderSource::of(const Policy& policy) {
    return {policy.id(),
            policy.name(),
            policy.policyNumber(),
            policy.expirationDate(),
            policy.customReminderDays(),
            policy.reminderDays()};
}

QString PolicyReminderSource::idText() const {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

namespace PolicyReminders {

QString policyIdOf(const QString& identifier) {
    if (!identifier.startsWith(kPrefix) || identifier.size() < kPrefix.size() + kIdTextLength + 1 ||
        identifier[kPrefix.size() + kIdTextLength] != u'-') {
        return QString();
    }
    return identifier.mid(kPrefix.size(), kIdTextLength);
}

std::vector<PolicyReminder> all(const PolicyReminderSource& policy, const QTimeZone& zone,
                                Days days) {
    const QString id = policy.idText();
    const QString head =
        policy.name + QStringLiteral(" (") + policy.number + QStringLiteral(") expires in ");
    std::vector<qint64> written =
        PolicyRules::reminderDaysArray(policy.customReminderDays, policy.reminderDays);
    if (days == Days::EachOnce) {
        std::vector<qint64> once;
        for (const qint64 n : written) {
            if (std::find(once.begin(), once.end(), n) == once.end()) {
                once.push_back(n);
            }
        }
        written = std::move(once);
    }
    std::vector<PolicyReminder> reminders;
    reminders.reserve(written.size());
    for (const qint64 n : written) {
        const Instant at = PolicyRules::reminderDate(policy.expiry, n, zone);
        const CalendarMath::LocalDateTime local = CalendarMath::toLocal(at, zone);
        const qint64 minuteOfDay = local.msOfDay / 60'000;
        NotificationRequest request;
        request.identifier = QString(kPrefix) + id + u'-' + QString::number(n);
        request.title = QStringLiteral("Policy Expiring Soon");
        request.body = head + QString::number(n) + QStringLiteral(" days");
        request.sound = true;
        request.year = local.date.year();
        request.month = local.date.month();
        request.day = local.date.day();
        request.hour = int(minuteOfDay / 60);
        request.minute = int(minuteOfDay % 60);
        reminders.push_back({std::move(request), id, policy.name, n, at});
    }
    return reminders;
}

bool hasBegun(const PolicyReminder& reminder, Instant now, const QTimeZone& zone) {
    if (reminder.at < now) {
        return true;
    }
    const NotificationRequest& request = reminder.request;
    const std::optional<Instant> minuteBegins =
        CalendarMath::fromLocal(QDate(request.year, request.month, request.day),
                                (request.hour * 60 + request.minute) * 60'000LL, zone,
                                CalendarMath::Gap::FirstInstantAfter);
    return minuteBegins && *minuteBegins < now;
}

std::vector<PolicyReminder> toCome(const PolicyReminderSource& policy, const QTimeZone& zone,
                                   Instant now) {
    std::vector<PolicyReminder> reminders = all(policy, zone);
    std::erase_if(reminders,
                  [&](const PolicyReminder& reminder) { return hasBegun(reminder, now, zone); });
    return reminders;
}

} // namespace PolicyReminders
