#pragma once

#include "platform/Instant.h"

#include <QDate>
#include <QTimeZone>

#include <array>
#include <optional>

// The rules of an event's times and reminder, as its editor applies them. Pure functions of
// plain values; the zone is the user's, read at each call.
namespace EventRules {

// The first instant of a local day: its midnight, or the first instant after a gap that skips
// midnight.
Instant localMidnight(QDate date, const QTimeZone& zone);

// `reminderMinutes` for no reminder: any negative number reads as none.
inline constexpr qint32 kNoReminder = -1;
inline constexpr qint32 kMinutesPerDay = 1'440;
// The reminders offered, in order: none, at the start, 5, 15, 30 and 60 minutes and a day
// before.
inline constexpr std::array<qint32, 7> kReminderChoices{kNoReminder,   0, 5, 15, 30, 60,
                                                        kMinutesPerDay};

inline bool hasReminder(qint32 minutes) {
    return minutes >= 0;
}
// Where the stored minutes stand among the choices; nothing for a number not offered (kept
// as it is until the user picks another).
std::optional<size_t> reminderChoiceIndex(qint32 minutes);
// When an occurrence starting at `start` reminds: whole days before it on the wall clock
// (a day before 09:00 is 09:00 the day before, across a daylight-saving change too), other
// numbers as that many minutes. Nothing without a reminder or a date.
std::optional<Instant> reminderInstant(Instant start, qint32 minutes, const QTimeZone& zone);

struct Times {
    Instant start;
    Instant end;
    bool operator==(const Times&) const = default;
};

// A new event: from the first whole hour of the wall clock after now, one hour long, with the
// "Default Reminder" preference as its reminder (a negative preference meaning none).
struct NewEvent {
    Times times;
    qint32 reminderMinutes = kNoReminder;
};
NewEvent newEvent(Instant now, const QTimeZone& zone, int defaultReminderMinutes);
Instant nextWholeHour(Instant now, const QTimeZone& zone);

// The end once the start moved: a timed event keeps its length (none when the end was before
// the start), an all-day one its number of days.
Instant endFollowingStart(const Times& before, Instant newStart, bool allDay,
                          const QTimeZone& zone);

// The local dates an event covers, first to last: the date of its start, and the date of its
// end unless the end is a midnight that closes the day before.
struct Days {
    QDate first;
    QDate last;
    bool operator==(const Days&) const = default;
};
Days days(const Times& times, const QTimeZone& zone);
// An all-day event is stored as the local midnights bounding its days: the start of the first
// and the start of the day after the last (23 or 25 hours apart on a daylight-saving day).
Times allDayBounds(const Days& days, const QTimeZone& zone);

// The one rule of an event's times: its end is not before its start.
inline bool endIsNotBeforeStart(const Times& times) {
    return times.end >= times.start;
}

} // namespace EventRules
