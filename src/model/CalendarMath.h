#pragma once

#include "platform/Instant.h"

#include <QDate>
#include <QTimeZone>

#include <optional>

// Calendar arithmetic in a given time zone, on wall-clock time: adding a day keeps the time of
// day, so a day may be 23 or 25 hours long. Every function is pure; the zone is an argument.
namespace CalendarMath {

inline constexpr qint64 kMsPerDay = 86'400'000;

// A wall-clock reading: a local date and the milliseconds since its local midnight.
struct LocalDateTime {
    QDate date;
    qint64 msOfDay = 0;
};

// How to read a wall-clock time that the zone skips (the spring-forward gap).
enum class Gap {
    // As if the offset before the change still held: 02:30 in a one-hour gap reads as 03:30.
    // Used for date arithmetic, so that a day added keeps its length of wall time.
    ShiftByGapLength,
    // The first instant after the gap: 02:30 in a gap from 02:00 to 03:00 reads as 03:00.
    FirstInstantAfter,
};

// The zone's wall clock at the instant; an instant outside the calendar range reads in UTC.
LocalDateTime toLocal(Instant instant, const QTimeZone& zone);

// The instant at which the zone's wall clock shows date and time. A repeated wall time (the
// autumn hour) reads as its first occurrence. No value when the result leaves the calendar
// range or the date is invalid.
std::optional<Instant> fromLocal(QDate date, qint64 msOfDay, const QTimeZone& zone,
                                 Gap gap = Gap::ShiftByGapLength);

// The instant moved by whole calendar days, keeping the wall-clock time of day. Zero days is
// the instant itself. No value when the calendar gives no date (out of range, or a day count
// too large for any date).
std::optional<Instant> addDays(Instant instant, qint64 days, const QTimeZone& zone);

// The instant moved by calendar months or years, keeping the time of day; a day of month that
// the target month lacks becomes its last day (31 January + 1 month = 28/29 February).
std::optional<Instant> addMonths(Instant instant, int months, const QTimeZone& zone);
std::optional<Instant> addYears(Instant instant, int years, const QTimeZone& zone);

// Whole calendar days from `from` to `to`, truncated toward zero, with neither end moved to the
// start of its day: the d for which addDays(from, d) is as far as one can go toward `to`
// without passing it. Zero when either instant is outside the calendar range.
qint64 wholeDaysBetween(Instant from, Instant to, const QTimeZone& zone);

} // namespace CalendarMath
