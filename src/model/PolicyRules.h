#pragma once

#include "platform/Instant.h"

#include <QString>
#include <QTimeZone>

#include <algorithm>
#include <optional>
#include <vector>

// The values computed from a policy's or a contact's fields. Pure functions of plain values;
// the entity classes expose them as their members, passing the clock's now and zone.
namespace PolicyRules {

// The reminder-day text as the user types it («30, 15, 7»): split at commas, empty pieces
// dropped, each piece trimmed of horizontal white space (not line breaks) and read as a
// base-10 64-bit integer with an optional sign; pieces that do not read are skipped. The
// policy editor reads its text with this same function.
std::vector<qint64> parseReminderDays(const QString& text);

// The single number stored beside a reminder-day text: its largest day, 30 when none reads,
// kept to the signed 32-bit range it is stored in. Every writer of a policy stores this one.
qint32 storedReminderDays(const QString& text);

// The custom text when it is present and non-empty (even if nothing in it reads), otherwise
// the single stored number.
std::vector<qint64> reminderDaysArray(const std::optional<QString>& customReminderDays,
                                      qint32 reminderDays);

// The reminder horizon: the largest reminder day, or the stored number when there is none.
qint64 reminderHorizon(const std::vector<qint64>& reminderDaysArray, qint32 reminderDays);
// The same, read straight from the stored values without building the array: lists work it
// out for every policy.
qint64 reminderHorizonOf(const std::optional<QString>& customReminderDays, qint32 reminderDays);

// Whole calendar days from now until the expiry, truncated toward zero; negative once past.
qint64 daysUntilExpiration(Instant now, Instant expirationDate, const QTimeZone& zone);

// The expiry moved forward by one renewal period: "monthly" one month, "quarterly" three,
// anything else a year. The expiry itself when the calendar gives no date.
Instant calculateNextRenewalDate(Instant expirationDate, const QString& renewalType,
                                 const QTimeZone& zone);

// When the reminder for `days` days before the expiry is due: the expiry moved by minus that
// many calendar days, keeping its wall-clock time. The expiry itself when the calendar gives
// no date (a day count beyond any date, or a result outside the calendar range).
Instant reminderDate(Instant expirationDate, qint64 days, const QTimeZone& zone);

// First and last name joined by one space, trimmed of horizontal white space.
QString fullName(const QString& firstName, const QString& lastName);

// True for the characters that trimming removes: tab and the Unicode space separators.
bool isHorizontalSpace(QChar c);

// A contact's policies by ascending expiry; equal expiries keep their given order.
template <typename T, typename ExpiryOf>
void sortByExpiration(std::vector<T>& policies, ExpiryOf expiryOf) {
    std::stable_sort(policies.begin(), policies.end(),
                     [&](const T& a, const T& b) { return expiryOf(a) < expiryOf(b); });
}

} // namespace PolicyRules
