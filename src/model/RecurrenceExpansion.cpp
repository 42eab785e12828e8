#include "model/RecurrenceExpansion.h"

#include "model/CalendarMath.h"
#include "model/RepeatRuleLog.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

namespace RecurrenceExpansion {
namespace {

constexpr qint64 kMsPerSecond = 1'000;

struct IteratorDeleter {
    void operator()(icalrecur_iterator* iterator) const { icalrecur_iterator_free(iterator); }
};
using Iterator = std::unique_ptr<icalrecur_iterator, IteratorDeleter>;

// Wall-clock seconds counted as if every day had 86,400 of them: floating time, as libical
// steps through it.
qint64 floatingSeconds(const icaltimetype& t) {
    const qint64 days = QDate(t.year, t.month, t.day).toJulianDay();
    return days * 86'400 + qint64(t.hour) * 3'600 + qint64(t.minute) * 60 + t.second;
}

icaltimetype floatingTime(QDate date, qint64 msOfDay) {
    icaltimetype t = icaltime_null_time();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    const qint64 seconds = msOfDay / kMsPerSecond;
    t.hour = int(seconds / 3'600);
    t.minute = int(seconds / 60 % 60);
    t.second = int(seconds % 60);
    return t;
}

icaltimetype fromFloatingSeconds(qint64 seconds) {
    const qint64 days = seconds / 86'400;
    return floatingTime(QDate::fromJulianDay(days), (seconds % 86'400) * kMsPerSecond);
}

icaltimetype floatingTime(Instant instant, const QTimeZone& zone) {
    const CalendarMath::LocalDateTime local = CalendarMath::toLocal(instant, zone);
    return floatingTime(local.date, local.msOfDay);
}

bool isSet(const short* list) {
    return list[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

bool listHas(const short* list, int size, short value) {
    for (int i = 0; i < size && list[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        if (list[i] == value) {
            return true;
        }
    }
    return false;
}

// Seconds of one step of a rule that libical walks one period at a time, or 0.
qint64 periodSeconds(const icalrecurrencetype& rule) {
    switch (rule.freq) {
    case ICAL_SECONDLY_RECURRENCE:
        return 1;
    case ICAL_MINUTELY_RECURRENCE:
        return 60;
    case ICAL_HOURLY_RECURRENCE:
        return 3'600;
    case ICAL_DAILY_RECURRENCE:
        return 86'400;
    case ICAL_WEEKLY_RECURRENCE:
        return 604'800; // seven days
    default:
        return 0;
    }
}

bool isSubDaily(const icalrecurrencetype& rule) {
    return rule.freq == ICAL_SECONDLY_RECURRENCE || rule.freq == ICAL_MINUTELY_RECURRENCE ||
           rule.freq == ICAL_HOURLY_RECURRENCE;
}

// libical walks a rule that repeats more often than daily one period at a time inside a single
// step until a filter matches, so a filter on days or months (or on the 60th second, which
// never comes) can hold one step for hours. Such a rule is refused.
std::optional<QString> subDailyProblem(const icalrecurrencetype& rule) {
    if (!isSubDaily(rule)) {
        return std::nullopt;
    }
    if (isSet(rule.by_day) || isSet(rule.by_month_day) || isSet(rule.by_year_day) ||
        isSet(rule.by_week_no) || isSet(rule.by_month) || isSet(rule.by_set_pos) ||
        listHas(rule.by_second, ICAL_BY_SECOND_SIZE, 60)) {
        return QStringLiteral("a rule repeating more often than daily may only choose hours, "
                              "minutes and seconds");
    }
    return std::nullopt;
}

// A date's fields, worked out once from its Julian day.
struct DayFields {
    int month = 0;
    int day = 0;
    int daysInMonth = 0;
    int dayOfYear = 0;
    int daysInYear = 0;
    int weekday = 0; // libical's: 1 Sunday to 7 Saturday

    explicit DayFields(qint64 julianDay) {
        const QDate date = QDate::fromJulianDay(julianDay);
        int year = 0;
        date.getDate(&year, &month, &day);
        daysInMonth = date.daysInMonth();
        dayOfYear = date.dayOfYear();
        daysInYear = date.daysInYear();
        weekday = date.dayOfWeek() % 7 + 1;
    }
};

bool positionMatches(short wanted, int index, int length) {
    return wanted > 0 ? index == wanted : index == length + 1 + wanted;
}

bool anyMatches(const short* list, int size, int index, int length) {
    for (int i = 0; i < size && list[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        if (positionMatches(list[i], index, length)) {
            return true;
        }
    }
    return false;
}

// The BY parts that choose days, with the month and day libical takes from the first
// occurrence when a yearly or monthly rule names none. BYWEEKNO and BYSETPOS are left out:
// the filter may let through a day libical would not, never the other way round.
struct DayFilter {
    const icalrecurrencetype& rule;
    short month = ICAL_RECURRENCE_ARRAY_MAX;
    short monthDay = ICAL_RECURRENCE_ARRAY_MAX;
    // Whether a BYDAY position counts within the month rather than the year.
    bool monthScope = false;

    DayFilter(const icalrecurrencetype& rule, QDate first)
        : rule(rule) {
        const bool daysNamed = isSet(rule.by_month_day) || isSet(rule.by_day) ||
                               isSet(rule.by_year_day) || isSet(rule.by_week_no);
        if (rule.freq == ICAL_YEARLY_RECURRENCE && !daysNamed) {
            monthDay = short(first.day());
            if (!isSet(rule.by_month)) {
                month = short(first.month());
            }
        } else if (rule.freq == ICAL_MONTHLY_RECURRENCE && !daysNamed) {
            monthDay = short(first.day());
        }
        monthScope = rule.freq == ICAL_MONTHLY_RECURRENCE ||
                     (rule.freq == ICAL_YEARLY_RECURRENCE && isSet(rule.by_month));
    }

    bool weekdayMatches(const DayFields& d) const {
        for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
            if (int(icalrecurrencetype_day_day_of_week(rule.by_day[i])) != d.weekday) {
                continue;
            }
            const int position = icalrecurrencetype_day_position(rule.by_day[i]);
            const int index = monthScope ? d.day : d.dayOfYear;
            const int length = monthScope ? d.daysInMonth : d.daysInYear;
            const bool positioned =
                rule.freq == ICAL_MONTHLY_RECURRENCE || rule.freq == ICAL_YEARLY_RECURRENCE;
            if (position == 0 || !positioned ||
                (position > 0 ? (index - 1) / 7 + 1 == position
                              : (length - index) / 7 + 1 == -position)) {
                return true;
            }
        }
        return false;
    }

    bool matches(const DayFields& d) const {
        if (month != ICAL_RECURRENCE_ARRAY_MAX
                ? d.month != month
                : isSet(rule.by_month) &&
                      !listHas(rule.by_month, ICAL_BY_MONTH_SIZE, short(d.month))) {
            return false;
        }
        if (monthDay != ICAL_RECURRENCE_ARRAY_MAX
                ? d.day != monthDay
                : isSet(rule.by_month_day) &&
                      !anyMatches(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE, d.day, d.daysInMonth)) {
            return false;
        }
        if (isSet(rule.by_year_day) &&
            !anyMatches(rule.by_year_day, ICAL_BY_YEARDAY_SIZE, d.dayOfYear, d.daysInYear)) {
            return false;
        }
        return !isSet(rule.by_day) || weekdayMatches(d);
    }
};

// The Julian day of the first day of the rule's `period`th period from the one holding
// `first`, and the period's length in days.
std::pair<qint64, int> periodDays(const icalrecurrencetype& rule, QDate first, qint64 period) {
    const qint64 interval = std::max<qint64>(rule.interval, 1);
    switch (rule.freq) {
    case ICAL_YEARLY_RECURRENCE: {
        const QDate start(int(first.year() + period * interval), 1, 1);
        return {start.toJulianDay(), start.daysInYear()};
    }
    case ICAL_MONTHLY_RECURRENCE: {
        // libical walks every month BYMONTH names, whatever the interval.
        const qint64 step = isSet(rule.by_month) ? 1 : interval;
        const qint64 month = qint64(first.year()) * 12 + first.month() - 1 + period * step;
        const QDate start(int(month / 12), int(month % 12) + 1, 1);
        return {start.toJulianDay(), start.daysInMonth()};
    }
    case ICAL_WEEKLY_RECURRENCE: {
        const int weekStart =
            rule.week_start == ICAL_NO_WEEKDAY ? int(ICAL_MONDAY_WEEKDAY) : int(rule.week_start);
        const int back = (first.dayOfWeek() % 7 + 1 - weekStart + 7) % 7;
        return {first.toJulianDay() - back + period * 7 * interval, 7};
    }
    default:
        return {first.toJulianDay() + period * interval, 1};
    }
}

// Whether any day the rule walks through in one whole 400-year cycle passes its day filters.
// libical searches for such a day itself, but up to the year 20000, which takes seconds for a
// rule that names a day that never comes (30 February, a sixth Monday). Counts the days tried
// into `steps`.
bool daysCanCome(const icalrecurrencetype& rule, QDate first, size_t& steps) {
    if (isSubDaily(rule)) {
        return true; // refused before whenever it names days
    }
    const DayFilter filter(rule, first);
    const qint64 periods = rule.freq == ICAL_YEARLY_RECURRENCE    ? 400
                           : rule.freq == ICAL_MONTHLY_RECURRENCE ? 4'800
                           : rule.freq == ICAL_WEEKLY_RECURRENCE  ? 20'871
                                                                  : 146'097;
    for (qint64 period = 0; period < periods && steps < kMaxProbeDays; ++period) {
        const auto [start, length] = periodDays(rule, first, period);
        for (int day = 0; day < length && steps < kMaxProbeDays; ++day, ++steps) {
            if (filter.matches(DayFields(start + day))) {
                return true;
            }
        }
    }
    return false;
}

// The rule as libical reads it, or why it cannot be expanded.
std::optional<QString> parse(const QString& text, icalrecurrencetype& rule) {
    if (text.size() > kMaxRuleLength) {
        return QStringLiteral("longer than %1 characters").arg(kMaxRuleLength);
    }
    if (text.contains(QChar(0))) {
        return QStringLiteral("a NUL character in the rule");
    }
    QString body = text.trimmed();
    if (body.startsWith(QLatin1StringView("RRULE:"), Qt::CaseInsensitive)) {
        body = body.mid(6);
    }
    icalerror_clear_errno();
    rule = icalrecurrencetype_from_string(body.toUtf8().constData());
    const icalerrorenum error = icalerrno;
    if (rule.rscale) {
        std::free(rule.rscale); // allocated by the parser; we never hand it on
        rule.rscale = nullptr;
        return QStringLiteral("calendar scales (RSCALE) are not supported");
    }
    if (error != ICAL_NO_ERROR) {
        return QString::fromUtf8(icalerror_strerror(error));
    }
    if (rule.freq == ICAL_NO_RECURRENCE) {
        return QStringLiteral("no FREQ");
    }
    return subDailyProblem(rule);
}

// UNTIL as the event's wall clock reads it: a DATE is its whole last day, a UTC time the
// local time it falls on, a floating time as it stands.
void untilOnWallClock(icalrecurrencetype& rule, const QTimeZone& zone) {
    icaltimetype& until = rule.until;
    if (icaltime_is_null_time(until)) {
        return;
    }
    const QDate date(until.year, until.month, until.day);
    if (until.is_date) {
        until = floatingTime(date, CalendarMath::kMsPerDay - kMsPerSecond);
    } else if (icaltime_is_utc(until)) {
        const qint64 ms =
            QDateTime(date, QTime(until.hour, until.minute, until.second), QTimeZone::utc())
                .toMSecsSinceEpoch();
        until = floatingTime(Instant(ms), zone);
    }
}

// Expands a rule libical read into `result`; false, with the reason in `result`, when no day
// can pass its filters or its iterator refuses it. Without COUNT the walk is bounded by the
// window's end, and a rule stepping by a fixed period starts near the window instead of years
// before it.
bool expand(icalrecurrencetype rule, Instant start, bool allDay, const QTimeZone& zone,
            Instant from, Instant to, size_t limit, Occurrences& result) {
    untilOnWallClock(rule, zone);
    icaltimetype first = allDay ? floatingTime(CalendarMath::toLocal(start, zone).date, 0)
                                : floatingTime(start, zone);
    if (!daysCanCome(rule, QDate(first.year, first.month, first.day), result.steps)) {
        result.error = QStringLiteral("the rule names days that never come");
        return false;
    }
    if (rule.count == 0) {
        // A day past the window's end, so that no daylight-saving shift cuts one off.
        const qint64 endSeconds = floatingSeconds(floatingTime(to, zone)) + 86'400;
        if (icaltime_is_null_time(rule.until) || floatingSeconds(rule.until) > endSeconds) {
            rule.until = fromFloatingSeconds(endSeconds);
        }
        const qint64 period = periodSeconds(rule) * rule.interval;
        // A day before the window's start, for the same reason; whole periods keep the phase.
        const qint64 gap =
            floatingSeconds(floatingTime(from, zone)) - 86'400 - floatingSeconds(first);
        if (period > 0 && gap > period) {
            first = fromFloatingSeconds(floatingSeconds(first) + gap / period * period);
        }
    }
    Iterator iterator(icalrecur_iterator_new(rule, first));
    if (!iterator) {
        result.error = QString::fromUtf8(icalerror_strerror(icalerrno));
        return false;
    }
    std::vector<Instant>& starts = result.starts;
    std::optional<QDate> lastDate;
    for (size_t step = 0; step < kMaxSteps && starts.size() < limit; ++step, ++result.steps) {
        const icaltimetype next = icalrecur_iterator_next(iterator.get());
        if (icaltime_is_null_time(next)) {
            break;
        }
        const QDate date(next.year, next.month, next.day);
        if (allDay && lastDate == date) {
            continue; // an all-day event occurs once a day, whatever hours the rule names
        }
        lastDate = date;
        const std::optional<Instant> at =
            allDay ? CalendarMath::fromLocal(date, 0, zone, CalendarMath::Gap::FirstInstantAfter)
                   : CalendarMath::fromLocal(
                         date,
                         (qint64(next.hour) * 3'600 + qint64(next.minute) * 60 + next.second) *
                             kMsPerSecond,
                         zone);
        if (!at || *at >= to) {
            break;
        }
        if (*at >= from) {
            starts.push_back(*at);
        }
    }
    return true;
}

} // namespace

Occurrences occurrences(const std::optional<QString>& rule, Instant start, bool allDay,
                        const QTimeZone& zone, Instant from, Instant to, size_t limit) {
    Occurrences result;
    if (rule && !rule->trimmed().isEmpty() && limit > 0) {
        icalrecurrencetype parsed;
        icalrecurrencetype_clear(&parsed);
        result.error = parse(*rule, parsed);
        if (!result.error && expand(parsed, start, allDay, zone, from, to, limit, result)) {
            return result;
        }
        result.starts.clear();
    }
    if (start >= from && start < to && limit > 0) {
        result.starts.push_back(start);
    }
    return result;
}

Occurrences occurrences(const std::optional<QString>& rule, Instant start, bool allDay,
                        const QTimeZone& zone, Instant from, Instant to, const QUuid& event,
                        RepeatRuleLog& log, size_t limit) {
    Occurrences result = occurrences(rule, start, allDay, zone, from, to, limit);
    if (result.error) {
        log.refused(event, *rule, *result.error);
    }
    return result;
}

} // namespace RecurrenceExpansion
