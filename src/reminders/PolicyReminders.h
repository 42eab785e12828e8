#pragma once

#include "platform/Instant.h"
#include "reminders/Reminder.h"

#include <QString>
#include <QTimeZone>
#include <QUuid>

#include <optional>

#include <vector>

class Policy;

// What a policy's reminders are made from, read on the program's thread as stored (cheaply, for
// many policies at a time), so that its reminders can be worked out on any thread.
struct PolicyReminderSource {
    QUuid id;
    QString name;
    QString number;
    Instant expiry;
    std::optional<QString> customReminderDays;
    qint32 reminderDays = 0;

    static PolicyReminderSource of(const Policy& policy);
    // The id as the reminders' identifiers spell it.
    QString idText() const;
};

// A policy's reminders: one request per reminder day, "policy-<id>-<days>", at the expiry's
// wall-clock time that many calendar days before it.
namespace PolicyReminders {

inline constexpr QLatin1StringView kPrefix("policy-");
// A policy's id in its canonical text: 32 hexadecimal digits and four hyphens.
inline constexpr qsizetype kIdTextLength = 36;

// The policy's id in a request identifier of this kind; empty for any other identifier.
QString policyIdOf(const QString& identifier);

// Every reminder of the policy, past or to come, one per reminder day as written, or each day
// once.
enum class Days { AsWritten, EachOnce };
std::vector<Reminder> all(const PolicyReminderSource& policy, const QTimeZone& zone,
                          Days days = Days::AsWritten);

// The reminders whose minute has not begun: what saving the policy schedules.
std::vector<Reminder> toCome(const PolicyReminderSource& policy, const QTimeZone& zone,
                             Instant now);

} // namespace PolicyReminders
