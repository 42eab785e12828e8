#include "model/EventRules.h"

#include "model/CalendarMath.h"

#include <algorithm>

namespace EventRules {
namespace {

constexpr qint64 kMsPerMinute = 60'000;
constexpr qint64 kMsPerHour = 60 * kMsPerMinute;

} // namespace

Instant localMidnight(QDate date, const QTimeZone& zone) {
    return CalendarMath::fromLocal(date, 0, zone, CalendarMath::Gap::FirstInstantAfter)
        .value_or(Instant());
}

std::optional<size_t> reminderChoiceIndex(qint32 minutes) {
    const qint32 chosen = hasReminder(minutes) ? minutes : kNoReminder;
    const auto* it = std::find(kReminderChoices.begin(), kReminderChoices.end(), chosen);
    if (it == kReminderChoices.end()) {
        return std::nullopt;
    }
    return size_t(it - kReminderChoices.begin());
}

std::optional<Instant> reminderInstant(Instant start, qint32 minutes, const QTimeZone& zone) {
    if (!hasReminder(minutes)) {
        return std::nullopt;
    }
    if (minutes > 0 && minutes % kMinutesPerDay == 0) {
        return CalendarMath::addDays(start, -qint64(minutes / kMinutesPerDay), zone);
    }
    const Instant at(start.msSinceEpoch() - minutes * kMsPerMinute);
    return at.isInCalendarRange() ? std::optional(at) : std::nullopt;
}

Instant nextWholeHour(Instant now, const QTimeZone& zone) {
    const CalendarMath::LocalDateTime local = CalendarMath::toLocal(now, zone);
    // The hour that began on the wall clock, then one real hour on: 02:00 in the autumn's
    // repeated hour is the next whole hour after 02:30 of the first one, 03:00 the one after
    // 01:30 on the spring day.
    const std::optional<Instant> began =
        CalendarMath::fromLocal(local.date, local.msOfDay / kMsPerHour * kMsPerHour, zone);
    Instant next(began.value_or(now).msSinceEpoch() + kMsPerHour);
    while (next <= now) {
        next = Instant(next.msSinceEpoch() + kMsPerHour);
    }
    return next;
}

NewEvent newEvent(Instant now, const QTimeZone& zone, int defaultReminderMinutes) {
    const Instant start = nextWholeHour(now, zone);
    return {{start, Instant(start.msSinceEpoch() + kMsPerHour)},
            defaultReminderMinutes < 0 ? kNoReminder : qint32(defaultReminderMinutes)};
}

Instant endFollowingStart(const Times& before, Instant newStart, bool allDay,
                          const QTimeZone& zone) {
    if (allDay) {
        const Days was = days(before, zone);
        const QDate first = CalendarMath::toLocal(newStart, zone).date;
        return allDayBounds({first, first.addDays(was.first.daysTo(was.last))}, zone).end;
    }
    const qint64 length =
        std::max<qint64>(0, before.end.msSinceEpoch() - before.start.msSinceEpoch());
    return Instant(newStart.msSinceEpoch() + length);
}

Days days(const Times& times, const QTimeZone& zone) {
    const CalendarMath::LocalDateTime start = CalendarMath::toLocal(times.start, zone);
    const CalendarMath::LocalDateTime end = CalendarMath::toLocal(times.end, zone);
    QDate last = end.date;
    if (times.end > times.start && localMidnight(end.date, zone) == times.end) {
        last = last.addDays(-1);
    }
    return {start.date, std::max(start.date, last)};
}

Times allDayBounds(const Days& days, const QTimeZone& zone) {
    const QDate last = std::max(days.first, days.last);
    return {localMidnight(days.first, zone), localMidnight(last.addDays(1), zone)};
}

} // namespace EventRules
