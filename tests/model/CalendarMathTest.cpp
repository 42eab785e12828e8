#include "model/CalendarMath.h"

#include "../support/TimeHelpers.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <limits>

using namespace TimeHelpers;
using CalendarMath::Gap;

namespace {

struct WallTimeCase {
    const char* zone;
    QDate date;
    int hour, minute;
    Gap gap;
    const char* expectedUtc;
};

void PrintTo(const WallTimeCase& c, std::ostream* out) {
    *out << c.zone << ' ' << c.date.toString(Qt::ISODate).toStdString() << ' ' << c.hour << ':'
         << c.minute << (c.gap == Gap::FirstInstantAfter ? " first after" : " shifted");
}

class FromLocal : public ::testing::TestWithParam<WallTimeCase> {};

TEST_P(FromLocal, ReadsWallTimesInGapsAndRepeatedHoursAsDecided) {
    const WallTimeCase& c = GetParam();
    const std::optional<Instant> instant = CalendarMath::fromLocal(
        c.date, (c.hour * 60 + c.minute) * 60000LL, QTimeZone(c.zone), c.gap);
    ASSERT_TRUE(instant);
    EXPECT_EQ(*instant, utc(c.expectedUtc)) << wall(*instant, QTimeZone(c.zone)).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Zones, FromLocal,
    ::testing::Values(
        // An ordinary time reads one way whatever the gap rule.
        WallTimeCase{"Europe/Rome", QDate(2026, 1, 15), 9, 0, Gap::FirstInstantAfter,
                     "2026-01-15T08:00:00Z"},
        WallTimeCase{"UTC", QDate(2026, 3, 29), 2, 30, Gap::ShiftByGapLength,
                     "2026-03-29T02:30:00Z"},
        // Spring forward in Rome: 02:00 CET becomes 03:00 CEST.
        WallTimeCase{"Europe/Rome", QDate(2026, 3, 29), 2, 30, Gap::ShiftByGapLength,
                     "2026-03-29T01:30:00Z"}, // 03:30 CEST
        WallTimeCase{"Europe/Rome", QDate(2026, 3, 29), 2, 30, Gap::FirstInstantAfter,
                     "2026-03-29T01:00:00Z"}, // 03:00 CEST
        WallTimeCase{"Europe/Rome", QDate(2026, 3, 29), 3, 0, Gap::FirstInstantAfter,
                     "2026-03-29T01:00:00Z"},
        // Fall back in Rome: 02:00-03:00 happens twice; the first (CEST) is taken.
        WallTimeCase{"Europe/Rome", QDate(2026, 10, 25), 2, 30, Gap::ShiftByGapLength,
                     "2026-10-25T00:30:00Z"},
        // New York: 02:00 EST becomes 03:00 EDT; 01:00-02:00 happens twice in November.
        WallTimeCase{"America/New_York", QDate(2026, 3, 8), 2, 15, Gap::ShiftByGapLength,
                     "2026-03-08T07:15:00Z"}, // 03:15 EDT
        WallTimeCase{"America/New_York", QDate(2026, 3, 8), 2, 15, Gap::FirstInstantAfter,
                     "2026-03-08T07:00:00Z"}, // 03:00 EDT
        WallTimeCase{"America/New_York", QDate(2026, 11, 1), 1, 30, Gap::ShiftByGapLength,
                     "2026-11-01T05:30:00Z"}, // 01:30 EDT
        // Lord Howe moves by half an hour: 02:00 (+10:30) becomes 02:30 (+11).
        WallTimeCase{"Australia/Lord_Howe", QDate(2026, 10, 4), 2, 15, Gap::ShiftByGapLength,
                     "2026-10-03T15:45:00Z"}, // 02:45 +11
        WallTimeCase{"Australia/Lord_Howe", QDate(2026, 10, 4), 2, 15, Gap::FirstInstantAfter,
                     "2026-10-03T15:30:00Z"}, // 02:30 +11
        // ...and 01:30-02:00 happens twice in April; the first (+11) is taken.
        WallTimeCase{"Australia/Lord_Howe", QDate(2026, 4, 5), 1, 45, Gap::ShiftByGapLength,
                     "2026-04-04T14:45:00Z"}),
    CaseName());

TEST(CalendarMath, AddingDaysKeepsTheWallClockTimeAcrossDaylightSavingChanges) {
    const QTimeZone rome("Europe/Rome");
    // The day of the spring change is 23 hours long, the autumn one 25.
    const Instant saturday = utc("2026-03-28T09:00:00Z"); // 10:00 CET
    EXPECT_EQ(*CalendarMath::addDays(saturday, 1, rome), utc("2026-03-29T08:00:00Z"));
    EXPECT_EQ(wall(*CalendarMath::addDays(saturday, 1, rome), rome), "2026-03-29 10:00");
    const Instant octoberSaturday = utc("2026-10-24T08:00:00Z"); // 10:00 CEST
    EXPECT_EQ(*CalendarMath::addDays(octoberSaturday, 1, rome), utc("2026-10-25T09:00:00Z"));
    // Backwards too, and a time of day that falls in the gap moves by the gap's length.
    EXPECT_EQ(*CalendarMath::addDays(utc("2026-03-30T00:30:00Z"), -1, rome),
              utc("2026-03-29T01:30:00Z")); // 02:30 CEST -> 02:30 does not exist -> 03:30
    EXPECT_EQ(*CalendarMath::addDays(saturday, 0, rome), saturday);
}

TEST(CalendarMath, MonthsAndYearsClampToTheLastDayOfTheMonth) {
    const QTimeZone rome("Europe/Rome");
    EXPECT_EQ(wall(*CalendarMath::addMonths(utc("2026-01-31T08:15:00Z"), 1, rome), rome),
              "2026-02-28 09:15");
    EXPECT_EQ(wall(*CalendarMath::addMonths(utc("2027-11-30T08:15:00Z"), 3, rome), rome),
              "2028-02-29 09:15");
    EXPECT_EQ(wall(*CalendarMath::addYears(utc("2028-02-29T08:15:00Z"), 1, rome), rome),
              "2029-02-28 09:15");
    // A month across the spring change keeps 09:15 on the wall.
    EXPECT_EQ(wall(*CalendarMath::addMonths(utc("2026-03-15T08:15:00Z"), 1, rome), rome),
              "2026-04-15 09:15");
}

TEST(CalendarMath, ArithmeticThatLeavesTheCalendarRangeHasNoDate) {
    const QTimeZone zone("Europe/Rome");
    const Instant last(Instant::kMaxMs);
    const Instant first(Instant::kMinMs);
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    EXPECT_FALSE(CalendarMath::addDays(last, 1, QTimeZone::utc()));
    EXPECT_FALSE(CalendarMath::addDays(first, -1, QTimeZone::utc()));
    EXPECT_FALSE(CalendarMath::addYears(last, 1, zone));
    EXPECT_FALSE(CalendarMath::addMonths(first, -1, QTimeZone::utc()));
    for (const qint64 days : {kMin, kMin + 1, kMax, qint64(1) << 40, -(qint64(1) << 40)}) {
        EXPECT_FALSE(CalendarMath::addDays(utc("2026-01-01T00:00:00Z"), days, zone)) << days;
    }
    for (const qint64 ms : {kMin, kMax, Instant::kMaxMs + 1, Instant::kMinMs - 1}) {
        EXPECT_FALSE(CalendarMath::addDays(Instant(ms), 1, zone)) << ms;
        EXPECT_FALSE(CalendarMath::addYears(Instant(ms), 1, zone)) << ms;
        // A stored expiry can be any 64-bit number: reading it must not overflow.
        EXPECT_TRUE(CalendarMath::toLocal(Instant(ms), zone).date.isValid()) << ms;
        EXPECT_EQ(CalendarMath::wholeDaysBetween(Instant(ms), utc("2026-01-01T00:00:00Z"), zone),
                  0);
    }
    // The largest span the range holds is counted exactly.
    EXPECT_EQ(CalendarMath::wholeDaysBetween(first, last, QTimeZone::utc()), 3652058);
    EXPECT_EQ(CalendarMath::wholeDaysBetween(last, first, QTimeZone::utc()), -3652058);
    EXPECT_EQ(*CalendarMath::addDays(first, 3652058, QTimeZone::utc()),
              utc("9999-12-31T00:00:00Z"));
}

TEST(CalendarMath, WholeDaysAreTheLargestStepThatDoesNotPassTheTarget) {
    // Checked against its definition for many pairs around both changes in four zones: d is
    // the day count for which from + d days has not passed `to` and from + (d +/- 1) would.
    for (const char* zoneId : {"Europe/Rome", "America/New_York", "UTC", "Australia/Lord_Howe"}) {
        const QTimeZone zone(zoneId);
        for (const char* base : {"2026-03-27T22:10:00Z", "2026-10-23T23:50:00Z",
                                 "2026-04-03T12:20:00Z", "2026-11-01T05:40:00Z"}) {
            for (qint64 step = -40; step <= 40; ++step) {
                const Instant from(utc(base).msSinceEpoch() + step * 73 * 60000);
                for (qint64 span = -50; span <= 50; ++span) {
                    const Instant to(utc(base).msSinceEpoch() + span * 53 * 60000 * 6);
                    const qint64 d = CalendarMath::wholeDaysBetween(from, to, zone);
                    const Instant reached = d == 0 ? from : *CalendarMath::addDays(from, d, zone);
                    if (d > 0) {
                        ASSERT_LE(reached, to);
                    } else if (d < 0) {
                        ASSERT_GE(reached, to);
                    }
                    const Instant further =
                        *CalendarMath::addDays(from, d >= 0 && to >= from ? d + 1 : d - 1, zone);
                    if (to >= from || d > 0) {
                        ASSERT_GT(further, to) << zoneId << " " << d;
                    } else {
                        ASSERT_LT(further, to) << zoneId << " " << d;
                    }
                }
            }
        }
    }
}

} // namespace
