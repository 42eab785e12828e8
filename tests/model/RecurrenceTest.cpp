#include "model/RecurrenceExpansion.h"
#include "model/RecurrenceRule.h"
#include "model/RepeatRuleLog.h"

#include "../support/TimeHelpers.h"
#include "support/CapturedLog.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

using namespace TimeHelpers;
using Repeat = RecurrenceRule::Repeat;

namespace {

const QTimeZone kRomeZone("Europe/Rome");

struct TextCase {
    RecurrenceRule rule;
    bool allDay;
    const char* text;
};

class RuleText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RuleText, IsWrittenAsRfc5545AndReadBackAsTheSameChoice) {
    const TextCase& c = GetParam();
    const std::optional<QString> text = c.rule.text(c.allDay, kRomeZone);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, QString::fromLatin1(c.text));
    EXPECT_EQ(RecurrenceRule::read(text, kRomeZone), c.rule);
    EXPECT_EQ(RecurrenceRule::textToStore(c.rule, text, c.allDay, kRomeZone), text);
}

INSTANTIATE_TEST_SUITE_P(
    OfferedRules, RuleText,
    ::testing::Values(TextCase{RecurrenceRule::every(Repeat::Daily), false, "FREQ=DAILY"},
                      TextCase{RecurrenceRule::every(Repeat::Weekly).endingAfter(10), false,
                               "FREQ=WEEKLY;COUNT=10"},
                      TextCase{RecurrenceRule::every(Repeat::EveryTwoWeeks), true,
                               "FREQ=WEEKLY;INTERVAL=2"},
                      // A timed event's last day ends at 23:59:59 in Rome: 22:59:59 UTC in winter.
                      TextCase{RecurrenceRule::every(Repeat::Monthly).endingOn(QDate(2027, 1, 31)),
                               false, "FREQ=MONTHLY;UNTIL=20270131T225959Z"},
                      TextCase{RecurrenceRule::every(Repeat::Monthly).endingOn(QDate(2027, 7, 31)),
                               false, "FREQ=MONTHLY;UNTIL=20270731T215959Z"},
                      TextCase{RecurrenceRule::every(Repeat::Yearly).endingOn(QDate(2030, 2, 28)),
                               true, "FREQ=YEARLY;UNTIL=20300228"}));

TEST(RuleText, ForeignRulesReadAsCustomAndAreKeptUnlessTheRepeatChanges) {
    for (const char* foreign :
         {"FREQ=WEEKLY;BYDAY=MO,WE", "FREQ=DAILY;INTERVAL=3", "FREQ=WEEKLY;INTERVAL=1",
          "freq=daily", "FREQ=DAILY;COUNT=0", "garbage", "FREQ=MONTHLY;COUNT=3;UNTIL=20270101"}) {
        const std::optional<QString> stored = QString::fromLatin1(foreign);
        const RecurrenceRule read = RecurrenceRule::read(stored, kRomeZone);
        EXPECT_EQ(read.repeat, Repeat::Custom) << foreign;
        EXPECT_EQ(RecurrenceRule::textToStore(read, stored, false, kRomeZone), stored) << foreign;
        EXPECT_EQ(RecurrenceRule::textToStore(RecurrenceRule::every(Repeat::Daily), stored, false,
                                              kRomeZone),
                  QStringLiteral("FREQ=DAILY"));
    }
    EXPECT_EQ(RecurrenceRule::read(std::nullopt, kRomeZone).repeat, Repeat::Never);
    EXPECT_EQ(RecurrenceRule::read(QStringLiteral(" "), kRomeZone).repeat, Repeat::Never);
    EXPECT_EQ(RecurrenceRule::textToStore({}, QStringLiteral("FREQ=DAILY"), false, kRomeZone),
              std::nullopt);
}

struct ExpansionCase {
    const char* name;
    const char* rule;
    const char* start;
    bool allDay;
    const char* from;
    const char* to;
    std::vector<const char*> expected;
};

void PrintTo(const ExpansionCase& c, std::ostream* out) {
    *out << c.name;
}

class Expansion : public ::testing::TestWithParam<ExpansionCase> {};

TEST_P(Expansion, GivesTheHandWorkedStartsOnRomesWallClock) {
    const ExpansionCase& c = GetParam();
    const RecurrenceExpansion::Occurrences occurrences = RecurrenceExpansion::occurrences(
        QString::fromLatin1(c.rule), utc(c.start), c.allDay, kRomeZone, utc(c.from), utc(c.to));
    EXPECT_FALSE(occurrences.error) << occurrences.error.value_or(QString()).toStdString();
    std::vector<Instant> expected;
    for (const char* at : c.expected) {
        expected.push_back(utc(at));
    }
    EXPECT_EQ(occurrences.starts, expected);
}

INSTANTIATE_TEST_SUITE_P(
    OfferedRules, Expansion,
    ::testing::Values(
        // The 31st: months without one are skipped; 09:00 stays 09:00 after the spring change.
        ExpansionCase{"MonthlyOnThe31st",
                      "FREQ=MONTHLY",
                      "2027-01-31T08:00:00Z",
                      false,
                      "2027-01-01T00:00:00Z",
                      "2027-05-01T00:00:00Z",
                      {"2027-01-31T08:00:00Z", "2027-03-31T07:00:00Z"}},
        ExpansionCase{"WeeklyAcrossTheSpringChange",
                      "FREQ=WEEKLY;COUNT=3",
                      "2027-03-20T08:00:00Z",
                      false,
                      "2027-03-01T00:00:00Z",
                      "2027-05-01T00:00:00Z",
                      {"2027-03-20T08:00:00Z", "2027-03-27T08:00:00Z", "2027-04-03T07:00:00Z"}},
        // Until the last second of 1 February in Rome: that day's 18:30 is included.
        ExpansionCase{"EveryTwoWeeksUntilADate",
                      "FREQ=WEEKLY;INTERVAL=2;UNTIL=20270201T225959Z",
                      "2027-01-04T17:30:00Z",
                      false,
                      "2027-01-01T00:00:00Z",
                      "2027-03-01T00:00:00Z",
                      {"2027-01-04T17:30:00Z", "2027-01-18T17:30:00Z", "2027-02-01T17:30:00Z"}},
        // All day: each local midnight, the day of the change 23 hours long.
        ExpansionCase{"DailyAllDayAcrossTheSpringChange",
                      "FREQ=DAILY;UNTIL=20270329",
                      "2027-03-26T23:00:00Z",
                      true,
                      "2027-03-01T00:00:00Z",
                      "2027-05-01T00:00:00Z",
                      {"2027-03-26T23:00:00Z", "2027-03-27T23:00:00Z", "2027-03-28T22:00:00Z"}},
        ExpansionCase{"YearlyOnTheLeapDay",
                      "FREQ=YEARLY",
                      "2028-02-29T09:00:00Z",
                      false,
                      "2028-01-01T00:00:00Z",
                      "2033-01-01T00:00:00Z",
                      {"2028-02-29T09:00:00Z", "2032-02-29T09:00:00Z"}},
        // Begun decades ago and never ending: only the window's days, from its first instant.
        ExpansionCase{"DailySinceLongAgoWithinTheWindow",
                      "FREQ=DAILY",
                      "2000-01-01T08:00:00Z",
                      false,
                      "2027-06-01T07:00:00Z",
                      "2027-06-04T00:00:00Z",
                      {"2027-06-01T07:00:00Z", "2027-06-02T07:00:00Z", "2027-06-03T07:00:00Z"}},
        ExpansionCase{"EveryTwoWeeksSinceLongAgoKeepsItsPhase",
                      "FREQ=WEEKLY;INTERVAL=2",
                      "2001-01-01T08:00:00Z",
                      false,
                      "2027-06-01T00:00:00Z",
                      "2027-06-29T00:00:00Z",
                      {"2027-06-14T07:00:00Z", "2027-06-28T07:00:00Z"}},
        ExpansionCase{"NoRuleIsTheEventAlone",
                      "",
                      "2027-06-02T07:00:00Z",
                      false,
                      "2027-06-01T00:00:00Z",
                      "2027-06-04T00:00:00Z",
                      {"2027-06-02T07:00:00Z"}}),
    CaseName());

struct HostileCase {
    const char* name;
    QString rule;
    // Refused: one log line and the event alone. Else expanded within the bounds.
    bool refused;
};

void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << c.name;
}

class HostileRule : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileRule, IsRefusedWithOneLineOrExpandedWithinTheWindowAndTheCount) {
    const HostileCase& c = GetParam();
    CapturedLog log;
    RepeatRuleLog ruleLog(log.channel());
    const Instant start = utc("2027-06-01T07:00:00Z");
    const Instant to = utc("2027-07-31T07:00:00Z"); // 60 days
    const RecurrenceExpansion::Occurrences occurrences = RecurrenceExpansion::occurrences(
        c.rule, start, false, kRomeZone, start, to, QUuid::createUuid(), ruleLog);
    if (c.refused) {
        EXPECT_EQ(occurrences.starts, std::vector<Instant>{start});
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].startsWith(QLatin1StringView("Error reading repeat rule: ")))
            << log.lines()[0].toStdString();
        EXPECT_LT(log.lines()[0].size(), 300);
    } else {
        EXPECT_TRUE(log.lines().isEmpty());
        EXPECT_FALSE(occurrences.starts.empty());
        EXPECT_LE(occurrences.starts.size(), RecurrenceExpansion::kMaxOccurrences);
        EXPECT_TRUE(std::is_sorted(occurrences.starts.begin(), occurrences.starts.end()));
        EXPECT_GE(occurrences.starts.front(), start);
        EXPECT_LT(occurrences.starts.back(), to);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HostileRule,
    ::testing::Values(
        HostileCase{"Garbage", QStringLiteral("not a rule at all"), true},
        HostileCase{"CountBeyondAnInteger", QStringLiteral("FREQ=DAILY;COUNT=999999999999"), true},
        HostileCase{"IntervalZero", QStringLiteral("FREQ=DAILY;INTERVAL=0"), true},
        HostileCase{"ByDayJunk", QStringLiteral("FREQ=WEEKLY;BYDAY=XX,1QQ"), true},
        HostileCase{"NoFrequency", QStringLiteral("COUNT=3"), true},
        HostileCase{"HundredThousandCharacters",
                    QStringLiteral("FREQ=WEEKLY;BYDAY=") + QStringLiteral("MO,").repeated(33'333),
                    true},
        // libical would search for a 30 February one minute at a time for centuries.
        HostileCase{"MinutelyOnADayThatNeverComes",
                    QStringLiteral("FREQ=MINUTELY;BYMONTH=2;BYMONTHDAY=30"), true},
        HostileCase{"SecondlyOnTheSixtiethSecond", QStringLiteral("FREQ=SECONDLY;BYSECOND=60"),
                    true},
        HostileCase{"YearlyOnADayThatNeverComes",
                    QStringLiteral("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30"), true},
        HostileCase{"EmbeddedNul", QStringLiteral("FREQ=DAILY") + QChar(0) + QStringLiteral("X"),
                    true},
        HostileCase{"HugeCount", QStringLiteral("FREQ=DAILY;COUNT=2000000000"), false},
        HostileCase{"SecondlyWithoutEnd", QStringLiteral("FREQ=SECONDLY"), false},
        HostileCase{"MinutelyWithAHugeCount", QStringLiteral("FREQ=MINUTELY;COUNT=2000000000"),
                    false},
        HostileCase{"WithAPrefix", QStringLiteral("RRULE:FREQ=HOURLY;BYHOUR=9,17"), false}),
    CaseName());

// Expanded for every month shown and every day, a refused rule is said once per event until
// the event's rule changes.
TEST(HostileRule, IsSaidOncePerEventAndRule) {
    CapturedLog log;
    RepeatRuleLog ruleLog(log.channel());
    const QUuid first = QUuid::createUuid();
    const QUuid second = QUuid::createUuid();
    const Instant start = utc("2027-06-01T07:00:00Z");
    const auto expand = [&](const QUuid& event, const QString& rule) {
        for (int month = 0; month < 3; ++month) {
            const Instant from(start.msSinceEpoch() + month * 30 * 86'400'000LL);
            RecurrenceExpansion::occurrences(rule, start, false, kRomeZone, from,
                                             Instant(from.msSinceEpoch() + 86'400'000LL * 42),
                                             event, ruleLog);
        }
    };
    expand(first, QStringLiteral("FREQ=SOMETIMES"));
    expand(first, QStringLiteral("FREQ=DAILY"));
    EXPECT_EQ(log.lines().size(), 1);
    expand(second, QStringLiteral("FREQ=SOMETIMES"));
    EXPECT_EQ(log.lines().size(), 2);
    expand(first, QStringLiteral("FREQ=WEEKLY;BYDAY=XX"));
    expand(first, QStringLiteral("FREQ=WEEKLY;BYDAY=XX"));
    ASSERT_EQ(log.lines().size(), 3);
    EXPECT_TRUE(log.lines()[2].startsWith(QLatin1StringView("Error reading repeat rule: ")));
}

struct DaysCase {
    const char* name;
    QString rule;
    const char* start;
    // Empty: the rule names days that never come.
    std::vector<const char*> expected;
};

void PrintTo(const DaysCase& c, std::ostream* out) {
    *out << c.name;
}

class RuleDays : public ::testing::TestWithParam<DaysCase> {};

// A rule naming days that never come is refused after trying the days of one 400-year cycle
// at most, before libical would search for them up to the year 20000; a rare day that does
// come is found.
TEST_P(RuleDays, ThatNeverComeAreRefusedWithinABoundedNumberOfSteps) {
    const DaysCase& c = GetParam();
    const Instant start = utc(c.start);
    const RecurrenceExpansion::Occurrences occurrences = RecurrenceExpansion::occurrences(
        c.rule, start, false, kRomeZone, start, utc("2037-01-01T00:00:00Z"));
    if (c.expected.empty()) {
        EXPECT_EQ(occurrences.error, QStringLiteral("the rule names days that never come"));
        EXPECT_EQ(occurrences.starts, std::vector<Instant>{start});
        EXPECT_LE(occurrences.steps, RecurrenceExpansion::kMaxProbeDays);
    } else {
        EXPECT_FALSE(occurrences.error);
        std::vector<Instant> expected;
        std::transform(c.expected.begin(), c.expected.end(), std::back_inserter(expected), utc);
        EXPECT_EQ(occurrences.starts, expected);
        EXPECT_LE(occurrences.steps,
                  RecurrenceExpansion::kMaxProbeDays + RecurrenceExpansion::kMaxSteps);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleDays,
    ::testing::Values(
        DaysCase{"ThirtiethOfFebruaryCounted",
                 QStringLiteral("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30;COUNT=5"),
                 "2027-06-01T07:00:00Z",
                 {}},
        // The day of the month comes from the first occurrence, the 30th.
        DaysCase{"FebruaryFromAThirtieth",
                 QStringLiteral("FREQ=YEARLY;BYMONTH=2"),
                 "2027-06-30T07:00:00Z",
                 {}},
        DaysCase{
            "SixthMonday", QStringLiteral("FREQ=MONTHLY;BYDAY=6MO"), "2027-06-01T07:00:00Z", {}},
        DaysCase{"DailyOnTheThirtyFirstOfShortMonths",
                 QStringLiteral("FREQ=DAILY;BYMONTH=4,6;BYMONTHDAY=31;COUNT=3"),
                 "2027-06-01T07:00:00Z",
                 {}},
        // Every fourth year from an odd one: never a leap year.
        DaysCase{"LeapDayEveryFourYearsFromAnOddYear",
                 QStringLiteral("FREQ=YEARLY;INTERVAL=4;BYMONTH=2;BYMONTHDAY=29"),
                 "2027-06-01T07:00:00Z",
                 {}},
        // Every seventh day from a Tuesday: never a Monday.
        DaysCase{"MondaysEverySeventhDayFromATuesday",
                 QStringLiteral("FREQ=DAILY;INTERVAL=7;BYDAY=MO"),
                 "2027-06-01T07:00:00Z",
                 {}},
        DaysCase{"LeapDays",
                 QStringLiteral("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29;COUNT=3"),
                 "2027-06-01T07:00:00Z",
                 {"2028-02-29T08:00:00Z", "2032-02-29T08:00:00Z", "2036-02-29T08:00:00Z"}},
        DaysCase{"FifthMondays",
                 QStringLiteral("FREQ=MONTHLY;BYDAY=5MO;COUNT=2"),
                 "2027-06-01T07:00:00Z",
                 {"2027-08-30T07:00:00Z", "2027-11-29T08:00:00Z"}},
        DaysCase{"LeapDayEveryFourYearsFromALeapYear",
                 QStringLiteral("FREQ=YEARLY;INTERVAL=4;BYMONTH=2;BYMONTHDAY=29;COUNT=2"),
                 "2028-02-29T08:00:00Z",
                 {"2028-02-29T08:00:00Z", "2032-02-29T08:00:00Z"}}),
    CaseName());

// No end, every minute: the window and the count bound the walk.
TEST(HostileRule, AMinutelyRuleWithoutEndStopsAtTheCount) {
    const Instant start = utc("2027-01-01T07:00:00Z");
    const Instant from = utc("2027-06-01T07:00:00Z");
    const Instant to = utc("2027-07-31T07:00:00Z"); // 60 days
    const RecurrenceExpansion::Occurrences occurrences = RecurrenceExpansion::occurrences(
        QStringLiteral("FREQ=MINUTELY"), start, false, kRomeZone, from, to);
    EXPECT_FALSE(occurrences.error);
    ASSERT_EQ(occurrences.starts.size(), RecurrenceExpansion::kMaxOccurrences);
    EXPECT_EQ(occurrences.starts.front(), from);
    EXPECT_EQ(occurrences.starts.back().msSinceEpoch() - from.msSinceEpoch(),
              qint64(RecurrenceExpansion::kMaxOccurrences - 1) * 60'000);
    // Begun a day before the window, not at the event's start five months earlier.
    EXPECT_LE(occurrences.steps, 2 * 1'440 + RecurrenceExpansion::kMaxOccurrences);
}

TEST(HostileRule, ASecondlyRuleBegunLongAgoWithACountEnds) {
    // No window start to jump to (a count runs from the first occurrence): the walk is bounded.
    const RecurrenceExpansion::Occurrences occurrences = RecurrenceExpansion::occurrences(
        QStringLiteral("FREQ=SECONDLY;COUNT=2000000000"), utc("2001-01-01T00:00:00Z"), false,
        kRomeZone, utc("2027-06-01T00:00:00Z"), utc("2027-07-31T00:00:00Z"));
    EXPECT_FALSE(occurrences.error);
    EXPECT_TRUE(occurrences.starts.empty());
    EXPECT_EQ(occurrences.steps, RecurrenceExpansion::kMaxSteps);
}

} // namespace
