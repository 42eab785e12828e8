#include "model/PolicyRules.h"

#include "../support/TimeHelpers.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <limits>

using namespace TimeHelpers;

namespace {

struct ParseCase {
    const char16_t* text;
    std::vector<qint64> expected;
};

void PrintTo(const ParseCase& c, std::ostream* out) {
    *out << '"' << QString::fromUtf16(c.text).toStdString() << '"';
}

class ParseReminderDays : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseReminderDays, ReadsWhatTheUserTyped) {
    const ParseCase& c = GetParam();
    const QString text = QString::fromUtf16(c.text);
    EXPECT_EQ(PolicyRules::parseReminderDays(text), c.expected);
    // The horizon read straight from the text agrees with the one of the array.
    EXPECT_EQ(PolicyRules::reminderHorizonOf(text, 77),
              PolicyRules::reminderHorizon(PolicyRules::reminderDaysArray(text, 77), 77));
}

constexpr qint64 kMin = std::numeric_limits<qint64>::min();
constexpr qint64 kMax = std::numeric_limits<qint64>::max();

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseReminderDays,
    ::testing::Values(ParseCase{u"30, 15, 7", {30, 15, 7}}, ParseCase{u"7,30", {7, 30}},
                      ParseCase{u"7,7", {7, 7}}, ParseCase{u" 30 ,, 15 ,", {30, 15}},
                      ParseCase{u",,", {}}, ParseCase{u" ", {}}, ParseCase{u"", {}},
                      ParseCase{u"abc, 10, 5x, -3, +4", {10, -3, 4}},
                      ParseCase{u"0,-0,+0", {0, 0, 0}}, ParseCase{u"+,-,+-1,1 2", {}},
                      // Tabs and the Unicode space separators are trimmed, line breaks not.
                      ParseCase{u"\t5\u00a0,\u20037\u3000", {5, 7}}, ParseCase{u"5\n,\n7,9", {9}},
                      // Only ASCII digits: Arabic-Indic and full-width digits do not read.
                      ParseCase{u"\u0663,\uff13,3", {3}},
                      // The whole 64-bit range reads, one step beyond it does not.
                      ParseCase{u"9223372036854775807,-9223372036854775808", {kMax, kMin}},
                      ParseCase{u"9223372036854775808,-9223372036854775809,1", {1}},
                      ParseCase{u"99999999999999999999999", {}}),
    CaseName());

TEST(PolicyRules, ANonEmptyCustomTextWinsEvenWhenNothingInItReads) {
    EXPECT_EQ(PolicyRules::reminderDaysArray(QStringLiteral("30, 15, 7"), 10),
              (std::vector<qint64>{30, 15, 7}));
    EXPECT_EQ(PolicyRules::reminderDaysArray(QStringLiteral(" "), 10), std::vector<qint64>{});
    EXPECT_EQ(PolicyRules::reminderDaysArray(QStringLiteral("x"), 10), std::vector<qint64>{});
    EXPECT_EQ(PolicyRules::reminderDaysArray(QString(), 30), std::vector<qint64>{30});
    EXPECT_EQ(PolicyRules::reminderDaysArray(std::nullopt, 0), std::vector<qint64>{0});
    EXPECT_EQ(PolicyRules::reminderDaysArray(std::nullopt, std::numeric_limits<qint32>::min()),
              std::vector<qint64>{std::numeric_limits<qint32>::min()});
}

TEST(PolicyRules, TheHorizonIsTheLargestDayOrTheStoredNumber) {
    EXPECT_EQ(PolicyRules::reminderHorizon({7, 30, 15}, 90), 30);
    EXPECT_EQ(PolicyRules::reminderHorizon({-5, -2}, 90), -2);
    EXPECT_EQ(PolicyRules::reminderHorizon({}, 10), 10);
}

struct DaysCase {
    const char* zone;
    const char* now;
    const char* expiry;
    qint64 expected;
};

void PrintTo(const DaysCase& c, std::ostream* out) {
    *out << c.zone << " now " << c.now << " expiry " << c.expiry;
}

class DaysUntilExpiration : public ::testing::TestWithParam<DaysCase> {};

TEST_P(DaysUntilExpiration, CountsWholeDaysTruncatedTowardZero) {
    const DaysCase& c = GetParam();
    EXPECT_EQ(PolicyRules::daysUntilExpiration(utc(c.now), utc(c.expiry), QTimeZone(c.zone)),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DaysUntilExpiration,
    ::testing::Values(
        DaysCase{"UTC", "2026-05-10T12:00:00Z", "2026-05-11T11:00:00Z", 0},  // 23 h ahead
        DaysCase{"UTC", "2026-05-10T12:00:00Z", "2026-05-11T13:00:00Z", 1},  // 25 h ahead
        DaysCase{"UTC", "2026-05-10T12:00:00Z", "2026-05-20T13:00:00Z", 10}, // 10 days 1 h
        DaysCase{"UTC", "2026-05-10T12:00:00Z", "2026-05-10T00:00:00Z", 0},  // 12 h ago
        DaysCase{"UTC", "2026-05-10T12:00:00Z", "2026-05-08T11:00:00Z", -2}, // 49 h ago
        DaysCase{"UTC", "2026-05-10T12:00:00Z", "2026-05-09T12:00:00Z", -1}, // a day ago
        DaysCase{"UTC", "2026-05-10T12:00:00Z", "2026-05-10T12:00:00Z", 0},
        // Midnights do not count: 23:55 to 00:05 the next day is no whole day.
        DaysCase{"Europe/Rome", "2026-05-10T21:55:00Z", "2026-05-10T22:05:00Z", 0},
        DaysCase{"America/New_York", "2026-05-10T03:55:00Z", "2026-05-10T04:05:00Z", 0},
        // Spring forward in Rome: the day is 23 hours of wall-clock time.
        // 10:00 CET Saturday to 10:00 CEST Sunday is one day, though only 23 hours.
        DaysCase{"Europe/Rome", "2026-03-28T09:00:00Z", "2026-03-29T08:00:00Z", 1},
        DaysCase{"Europe/Rome", "2026-03-28T09:00:00Z", "2026-03-29T07:59:59Z", 0},
        // 02:30 CET Saturday plus a day is 02:30 Sunday, which does not exist: 03:30 CEST.
        DaysCase{"Europe/Rome", "2026-03-28T01:30:00Z", "2026-03-29T01:10:00Z", 0}, // 03:10
        DaysCase{"Europe/Rome", "2026-03-28T01:30:00Z", "2026-03-29T01:30:00Z", 1}, // 03:30
        // Fall back: the day is 25 hours; 10:00 CEST to 10:00 CET is one day.
        DaysCase{"Europe/Rome", "2026-10-24T08:00:00Z", "2026-10-25T09:00:00Z", 1},
        DaysCase{"Europe/Rome", "2026-10-24T08:00:00Z", "2026-10-25T08:30:00Z", 0},
        // 02:30 CEST Saturday plus a day is the first 02:30 of Sunday.
        DaysCase{"Europe/Rome", "2026-10-24T00:30:00Z", "2026-10-25T00:30:00Z", 1},
        DaysCase{"Europe/Rome", "2026-10-24T00:30:00Z", "2026-10-25T00:29:00Z", 0},
        DaysCase{"Europe/Rome", "2026-10-24T00:30:00Z", "2026-10-25T01:30:00Z", 1}, // 2nd 02:30
        // Backwards over the changes.
        DaysCase{"Europe/Rome", "2026-03-30T08:00:00Z", "2026-03-29T08:00:00Z", -1},
        DaysCase{"Europe/Rome", "2026-10-26T09:00:00Z", "2026-10-25T09:00:00Z", -1},
        DaysCase{"Australia/Lord_Howe", "2026-10-03T12:00:00Z", "2026-10-04T11:30:00Z", 1},
        DaysCase{"Australia/Lord_Howe", "2026-10-03T12:00:00Z", "2026-10-04T11:29:00Z", 0},
        // Month ends and 29 February.
        DaysCase{"UTC", "2028-02-28T10:00:00Z", "2028-03-01T10:00:00Z", 2},
        DaysCase{"UTC", "2027-02-28T10:00:00Z", "2027-03-01T10:00:00Z", 1},
        DaysCase{"UTC", "2026-12-31T23:00:00Z", "2027-01-31T22:59:00Z", 30},
        // The edges of the calendar range count exactly; beyond them nothing is counted.
        DaysCase{"UTC", "0001-01-01T00:00:00Z", "9999-12-31T23:59:59.999Z", 3652058},
        DaysCase{"UTC", "2026-01-01T00:00:00Z", "9999-12-31T23:59:59.999Z", 2912442}),
    CaseName());

TEST(PolicyRules, DaysUntilAnExpiryOutsideTheCalendarRangeAreZero) {
    const QTimeZone zone("Europe/Rome");
    const Instant now = utc("2026-01-01T00:00:00Z");
    EXPECT_EQ(PolicyRules::daysUntilExpiration(now, Instant(kMax), zone), 0);
    EXPECT_EQ(PolicyRules::daysUntilExpiration(now, Instant(kMin), zone), 0);
    EXPECT_EQ(PolicyRules::daysUntilExpiration(Instant(kMin), now, zone), 0);
}

struct RenewalCase {
    const char* expiry;
    const char16_t* renewalType;
    const char* expected; // wall time in Rome
};

void PrintTo(const RenewalCase& c, std::ostream* out) {
    *out << QString::fromUtf16(c.renewalType).toStdString() << " from " << c.expiry;
}

class NextRenewalDate : public ::testing::TestWithParam<RenewalCase> {};

TEST_P(NextRenewalDate, MovesTheExpiryByOnePeriodKeepingTheTimeOfDay) {
    const RenewalCase& c = GetParam();
    const QTimeZone rome("Europe/Rome");
    const Instant next = PolicyRules::calculateNextRenewalDate(
        utc(c.expiry), QString::fromUtf16(c.renewalType), rome);
    EXPECT_EQ(wall(next, rome), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NextRenewalDate,
    ::testing::Values(RenewalCase{"2026-01-31T08:00:00Z", u"monthly", "2026-02-28 09:00"},
                      RenewalCase{"2027-11-30T08:00:00Z", u"quarterly", "2028-02-29 09:00"},
                      RenewalCase{"2026-11-30T08:00:00Z", u"quarterly", "2027-02-28 09:00"},
                      RenewalCase{"2028-02-29T08:00:00Z", u"yearly", "2029-02-28 09:00"},
                      RenewalCase{"2026-01-31T08:00:00Z", u"Monthly", "2027-01-31 09:00"},
                      RenewalCase{"2026-01-31T08:00:00Z", u"", "2027-01-31 09:00"},
                      RenewalCase{"2026-01-31T08:00:00Z", u"weekly", "2027-01-31 09:00"},
                      // Across the spring change the wall-clock time stays 09:00.
                      RenewalCase{"2026-03-10T08:00:00Z", u"monthly", "2026-04-10 09:00"},
                      RenewalCase{"2026-03-10T08:00:00Z", u"quarterly", "2026-06-10 09:00"},
                      // Two years in the past stays in the past: one step only.
                      RenewalCase{"2024-05-01T08:00:00Z", u"yearly", "2025-05-01 10:00"}),
    CaseName());

TEST(PolicyRules, ARenewalWithNoDateKeepsTheExpiry) {
    const QTimeZone rome("Europe/Rome");
    for (const qint64 ms : {Instant::kMaxMs, Instant::kMaxMs - 10 * kDayMs, kMax, kMin}) {
        EXPECT_EQ(
            PolicyRules::calculateNextRenewalDate(Instant(ms), QStringLiteral("monthly"), rome),
            Instant(ms));
        EXPECT_EQ(
            PolicyRules::calculateNextRenewalDate(Instant(ms), QStringLiteral("yearly"), rome),
            Instant(ms));
    }
}

TEST(PolicyRules, TheReminderDateIsTheExpiryMovedBackByCalendarDays) {
    const QTimeZone rome("Europe/Rome");
    const Instant expiry = utc("2026-04-10T07:00:00Z"); // 09:00 CEST
    // Thirty days back crosses the spring change and still reads 09:00 on the wall.
    EXPECT_EQ(wall(PolicyRules::reminderDate(expiry, 30, rome), rome), "2026-03-11 09:00");
    EXPECT_EQ(PolicyRules::reminderDate(expiry, 0, rome), expiry);
    EXPECT_EQ(wall(PolicyRules::reminderDate(expiry, -2, rome), rome), "2026-04-12 09:00");
    // Day counts that reach no date fall back to the expiry instead of overflowing.
    for (const qint64 days : {kMin, kMin + 1, kMax, qint64(1) << 50, qint64(4'000'000)}) {
        EXPECT_EQ(PolicyRules::reminderDate(expiry, days, rome), expiry) << days;
    }
    EXPECT_EQ(PolicyRules::reminderDate(Instant(Instant::kMinMs), 1, QTimeZone::utc()),
              Instant(Instant::kMinMs));
}

TEST(PolicyRules, FullNameJoinsWithOneSpaceAndTrimsOnlyTheEnds) {
    const struct {
        const char16_t* first;
        const char16_t* last;
        const char16_t* expected;
    } cases[] = {
        {u"Anna", u"Bianchi", u"Anna Bianchi"},
        {u" Anna", u"Bianchi ", u"Anna Bianchi"},
        {u"Anna ", u"Bianchi", u"Anna  Bianchi"},
        {u"", u"", u""},
        {u"", u"Bianchi", u"Bianchi"},
        {u"Anna", u"", u"Anna"},
        {u"\tAnna\u00a0", u"Bianchi\u2009", u"Anna\u00a0 Bianchi"},
        {u"\nAnna", u"Bianchi\n", u"\nAnna Bianchi\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PolicyRules::fullName(QString::fromUtf16(c.first), QString::fromUtf16(c.last)),
                  QString::fromUtf16(c.expected));
    }
}

TEST(PolicyRules, PoliciesSortByExpiryAndEqualExpiriesKeepTheirOrder) {
    struct Item {
        const char* name;
        qint64 expiry;
    };
    std::vector<Item> items = {{"march", 3}, {"january-a", 1}, {"february", 2}, {"january-b", 1}};
    PolicyRules::sortByExpiration(items, [](const Item& item) { return item.expiry; });
    std::vector<std::string> names;
    for (const Item& item : items) {
        names.emplace_back(item.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"january-a", "january-b", "february", "march"}));
}

} // namespace
