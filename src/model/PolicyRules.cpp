#include "model/PolicyRules.h"

#include "model/CalendarMath.h"
#include "model/Policy.h"

#include <limits>

namespace PolicyRules {
namespace {

QStringView trimmedHorizontally(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isHorizontalSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isHorizontalSpace(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

std::optional<qint64> parseInteger(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    // Accumulate toward the negative side, which holds one more value than the positive one.
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        const int digit = c - u'0';
        if (value < (kMin + digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == kMin) {
            return std::nullopt;
        }
        value = -value;
    }
    return value;
}

// Calls `use` with each day the text holds, in order.
template <typename Use> void forEachReminderDay(QStringView text, Use use) {
    qsizetype begin = 0;
    while (begin <= text.size()) {
        qsizetype end = text.indexOf(u',', begin);
        if (end < 0) {
            end = text.size();
        }
        const QStringView trimmed = trimmedHorizontally(text.sliced(begin, end - begin));
        if (!trimmed.isEmpty()) {
            if (const std::optional<qint64> value = parseInteger(trimmed)) {
                use(*value);
            }
        }
        begin = end + 1;
    }
}

} // namespace

bool isHorizontalSpace(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

qint32 storedReminderDays(const QString& text) {
    const std::vector<qint64> days = parseReminderDays(text);
    if (days.empty()) {
        return Policy::kDefaultReminderDays;
    }
    // A day beyond what the store keeps becomes the nearest it can keep.
    return qint32(std::clamp<qint64>(*std::max_element(days.begin(), days.end()),
                                     std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

std::vector<qint64> parseReminderDays(const QString& text) {
    std::vector<qint64> days;
    forEachReminderDay(text, [&days](qint64 day) { days.push_back(day); });
    return days;
}

std::vector<qint64> reminderDaysArray(const std::optional<QString>& customReminderDays,
                                      qint32 reminderDays) {
    if (customReminderDays && !customReminderDays->isEmpty()) {
        return parseReminderDays(*customReminderDays);
    }
    return {qint64(reminderDays)};
}

qint64 reminderHorizon(const std::vector<qint64>& reminderDaysArray, qint32 reminderDays) {
    if (reminderDaysArray.empty()) {
        return reminderDays;
    }
    return *std::max_element(reminderDaysArray.begin(), reminderDaysArray.end());
}

qint64 reminderHorizonOf(const std::optional<QString>& customReminderDays, qint32 reminderDays) {
    if (!customReminderDays || customReminderDays->isEmpty()) {
        return reminderDays;
    }
    std::optional<qint64> largest;
    forEachReminderDay(*customReminderDays,
                       [&largest](qint64 day) { largest = std::max(day, largest.value_or(day)); });
    return largest.value_or(reminderDays);
}

qint64 daysUntilExpiration(Instant now, Instant expirationDate, const QTimeZone& zone) {
    return CalendarMath::wholeDaysBetween(now, expirationDate, zone);
}

Instant calculateNextRenewalDate(Instant expirationDate, const QString& renewalType,
                                 const QTimeZone& zone) {
    std::optional<Instant> next;
    if (renewalType == u"monthly") {
        next = CalendarMath::addMonths(expirationDate, 1, zone);
    } else if (renewalType == u"quarterly") {
        next = CalendarMath::addMonths(expirationDate, 3, zone);
    } else {
        next = CalendarMath::addYears(expirationDate, 1, zone);
    }
    return next.value_or(expirationDate);
}

Instant reminderDate(Instant expirationDate, qint64 days, const QTimeZone& zone) {
    // Negating the smallest 64-bit value overflows; no such day count reaches a date anyway.
    if (days == std::numeric_limits<qint64>::min()) {
        return expirationDate;
    }
    return CalendarMath::addDays(expirationDate, -days, zone).value_or(expirationDate);
}

QString fullName(const QString& firstName, const QString& lastName) {
    const QString joined = firstName + u' ' + lastName;
    return trimmedHorizontally(joined).toString();
}

} // namespace PolicyRules
