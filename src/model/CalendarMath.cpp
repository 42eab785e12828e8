#include "model/CalendarMath.h"

#include "model/ZoneOffsetTable.h"

namespace CalendarMath {
namespace {

constexpr qint64 kJulianDayOfEpoch = 2440588; // 1970-01-01

qint64 floorDiv(qint64 a, qint64 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

qint64 offsetMsAt(qint64 utcMs, const QTimeZone& zone) {
    return ZoneOffsetTable::of(zone).offsetMsAt(utcMs);
}

// Days of the calendar range: any day count larger than this reaches no date from any instant.
constexpr qint64 kMaxDaySpan = (Instant::kMaxMs - Instant::kMinMs) / kMsPerDay + 2;

std::optional<Instant> inRange(qint64 ms) {
    const Instant result(ms);
    return result.isInCalendarRange() ? std::optional(result) : std::nullopt;
}

std::optional<Instant> withLocalDate(QDate date, qint64 msOfDay, const QTimeZone& zone) {
    if (!date.isValid()) {
        return std::nullopt;
    }
    return fromLocal(date, msOfDay, zone, Gap::ShiftByGapLength);
}

} // namespace

LocalDateTime toLocal(Instant instant, const QTimeZone& zone) {
    const qint64 ms = instant.msSinceEpoch();
    // Outside the calendar range the instant is read in UTC: a stored value may be any 64-bit
    // number, and adding an offset to one near either end would overflow.
    const qint64 local = instant.isInCalendarRange() ? ms + offsetMsAt(ms, zone) : ms;
    const qint64 day = floorDiv(local, kMsPerDay);
    const qint64 msOfDay = local % kMsPerDay;
    return {QDate::fromJulianDay(kJulianDayOfEpoch + day),
            msOfDay < 0 ? msOfDay + kMsPerDay : msOfDay};
}

std::optional<Instant> fromLocal(QDate date, qint64 msOfDay, const QTimeZone& zone, Gap gap) {
    if (!date.isValid()) {
        return std::nullopt;
    }
    const qint64 julian = date.toJulianDay();
    // Beyond this the wall time is far outside the range and the sums below could overflow.
    if (julian < kJulianDayOfEpoch - 800'000 || julian > kJulianDayOfEpoch + 3'000'000) {
        return std::nullopt;
    }
    const qint64 local = (julian - kJulianDayOfEpoch) * kMsPerDay + msOfDay;
    // The offsets in force a day before and a day after cover every transition near `local`.
    const qint64 offsetBefore = offsetMsAt(local - kMsPerDay, zone);
    const qint64 offsetAfter = offsetMsAt(local + kMsPerDay, zone);
    std::optional<qint64> first;
    for (const qint64 offset : {offsetBefore, offsetAfter}) {
        const qint64 candidate = local - offset;
        if (offsetMsAt(candidate, zone) == offset && (!first || candidate < *first)) {
            first = candidate;
        }
    }
    if (first) {
        return inRange(*first);
    }
    // The wall time lies in a gap.
    const qint64 shifted = local - offsetBefore;
    if (gap == Gap::ShiftByGapLength) {
        return inRange(shifted);
    }
    const QTimeZone::OffsetData next =
        zone.nextTransition(QDateTime::fromMSecsSinceEpoch(local - offsetAfter, Qt::UTC));
    if (next.atUtc.isValid() && next.atUtc.toMSecsSinceEpoch() <= shifted) {
        return inRange(next.atUtc.toMSecsSinceEpoch());
    }
    return inRange(shifted);
}

std::optional<Instant> addDays(Instant instant, qint64 days, const QTimeZone& zone) {
    if (!instant.isInCalendarRange() || days < -kMaxDaySpan || days > kMaxDaySpan) {
        return std::nullopt;
    }
    if (days == 0) {
        return instant;
    }
    const LocalDateTime local = toLocal(instant, zone);
    return withLocalDate(local.date.addDays(days), local.msOfDay, zone);
}

std::optional<Instant> addMonths(Instant instant, int months, const QTimeZone& zone) {
    if (!instant.isInCalendarRange()) {
        return std::nullopt;
    }
    const LocalDateTime local = toLocal(instant, zone);
    return withLocalDate(local.date.addMonths(months), local.msOfDay, zone);
}

std::optional<Instant> addYears(Instant instant, int years, const QTimeZone& zone) {
    if (!instant.isInCalendarRange()) {
        return std::nullopt;
    }
    const LocalDateTime local = toLocal(instant, zone);
    return withLocalDate(local.date.addYears(years), local.msOfDay, zone);
}

qint64 wholeDaysBetween(Instant from, Instant to, const QTimeZone& zone) {
    if (!from.isInCalendarRange() || !to.isInCalendarRange()) {
        return 0;
    }
    // A day count whose step leaves the range is past `to` in its own direction.
    const auto passes = [&](qint64 days) {
        const std::optional<Instant> at = addDays(from, days, zone);
        if (days > 0) {
            return !at || *at > to;
        }
        return !at || *at < to;
    };
    const auto reaches = [&](qint64 days) { return !passes(days); };

    qint64 days = toLocal(to, zone).date.toJulianDay() - toLocal(from, zone).date.toJulianDay();
    // The date difference is off by at most one or two; step until the count is exact.
    for (int step = 0; step < 8; ++step) {
        if (days >= 1 && passes(days)) {
            --days;
        } else if (days <= -1 && passes(days)) {
            ++days;
        } else if (days >= 0 && reaches(days + 1)) {
            ++days;
        } else if (days <= 0 && reaches(days - 1)) {
            --days;
        } else {
            break;
        }
    }
    return days;
}

} // namespace CalendarMath
