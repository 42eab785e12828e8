#include "reminders/PolicyReminders.h"

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

std::vector<Reminder> all(const PolicyReminderSource& policy, const QTimeZone& zone, Days days) {
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
    std::vector<Reminder> reminders;
    reminders.reserve(written.size());
    for (const qint64 n : written) {
        const Instant at = PolicyRules::reminderDate(policy.expiry, n, zone);
        reminders.push_back(
            {Reminder::requestAt(QString(kPrefix) + id + u'-' + QString::number(n),
                                 QStringLiteral("Policy Expiring Soon"),
                                 head + QString::number(n) + QStringLiteral(" days"), at, zone),
             Reminder::Kind::Policy, id, policy.name, n, at});
    }
    return reminders;
}

std::vector<Reminder> toCome(const PolicyReminderSource& policy, const QTimeZone& zone,
                             Instant now) {
    std::vector<Reminder> reminders = all(policy, zone);
    std::erase_if(reminders,
                  [&](const Reminder& reminder) { return reminder.hasBegun(now, zone); });
    return reminders;
}

} // namespace PolicyReminders
