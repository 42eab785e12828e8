#pragma once

#include "platform/Instant.h"

#include <QString>
#include <QTimeZone>

#include <optional>
#include <vector>

class QUuid;
class RepeatRuleLog;

// The occurrences of an event within a window, worked out from its RFC 5545 RRULE text with
// libical. The rule is read on the wall clock of the event's zone: a 09:00 event stays at
// 09:00 across a daylight-saving change, an all-day one falls on the local midnight of each
// date. A pure function of plain values, for any thread.
namespace RecurrenceExpansion {

// How far ahead repeating events are worked out (reminders, and the start-up top-up).
inline constexpr int kWindowDays = 60;
// Occurrences given at most, whatever the window: a rule that never ends and repeats every
// minute does not run away.
inline constexpr size_t kMaxOccurrences = 500;
// Rules longer than this are not handed to libical at all.
inline constexpr qsizetype kMaxRuleLength = 1'000;
// Steps of libical's iterator at most, occurrences before the window included.
inline constexpr size_t kMaxSteps = 100'000;
// Days a rule's day filters are tried on at most before libical sees the rule: the periods of
// one whole 400-year cycle, after which weekdays and leap years repeat.
inline constexpr size_t kMaxProbeDays = 150'000;
inline constexpr QLatin1StringView kErrorPrefix("Error reading repeat rule: ");

struct Occurrences {
    // Starts within the window, earliest first.
    std::vector<Instant> starts;
    // Why the rule was not expanded; the event then occurs once, at its own start.
    std::optional<QString> error;
    // The days the rule's filters were tried on and the iterator's steps: bounded, whatever
    // the rule.
    size_t steps = 0;
};

// The starts in [from, to) of the event that starts at `start` and repeats by `rule` (none or
// blank: it does not repeat), at most `limit`.
Occurrences occurrences(const std::optional<QString>& rule, Instant start, bool allDay,
                        const QTimeZone& zone, Instant from, Instant to,
                        size_t limit = kMaxOccurrences);

// The same for the event `event`, saying a refused rule on `log` (once per event and rule).
Occurrences occurrences(const std::optional<QString>& rule, Instant start, bool allDay,
                        const QTimeZone& zone, Instant from, Instant to, const QUuid& event,
                        RepeatRuleLog& log, size_t limit = kMaxOccurrences);

} // namespace RecurrenceExpansion
