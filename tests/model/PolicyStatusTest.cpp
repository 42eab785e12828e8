#include "model/PolicyStatus.h"
#include "model/CalendarMath.h"
#include "model/PolicyRules.h"
#include "model/StatusClassifier.h"

#include "../support/TimeHelpers.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace TimeHelpers;
using namespace PolicyStatusRules;

namespace {

struct StatusCase {
    qint64 days;
    qint64 horizon;
    PolicyStatus expected;
    const char* color;
    const char16_t* badge;
};

void PrintTo(const StatusCase& c, std::ostream* out) {
    *out << c.days << " days of " << c.horizon;
}

class StatusRule : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusRule, GivesTheStatusItsColourAndItsBadge) {
    const StatusCase& c = GetParam();
    const PolicyStatus s = status(c.days, c.horizon);
    EXPECT_EQ(s, c.expected);
    EXPECT_EQ(colorName(s), QString::fromLatin1(c.color));
    EXPECT_EQ(badgeText(s), QString::fromUtf16(c.badge));
    EXPECT_EQ(isExpired(c.days), c.expected == PolicyStatus::Expired);
    EXPECT_EQ(isExpiringSoon(c.days, c.horizon), c.expected == PolicyStatus::ExpiringSoon);
}

constexpr auto kExpired = PolicyStatus::Expired;
constexpr auto kSoon = PolicyStatus::ExpiringSoon;
constexpr auto kActive = PolicyStatus::Active;

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusRule,
    ::testing::Values(StatusCase{0, 30, kSoon, "orange", u"IN SCADENZA"},
                      StatusCase{-1, 30, kExpired, "red", u"SCADUTA"},
                      StatusCase{30, 30, kSoon, "orange", u"IN SCADENZA"},
                      StatusCase{31, 30, kActive, "green", u"ATTIVA"},
                      StatusCase{0, 0, kSoon, "orange", u"IN SCADENZA"},
                      StatusCase{1, 0, kActive, "green", u"ATTIVA"},
                      // A negative horizon: never expiring soon, active straight to expired.
                      StatusCase{0, -1, kActive, "green", u"ATTIVA"},
                      StatusCase{-1, -5, kExpired, "red", u"SCADUTA"},
                      StatusCase{std::numeric_limits<qint64>::max(),
                                 std::numeric_limits<qint64>::max(), kSoon, "orange",
                                 u"IN SCADENZA"}),
    CaseName());

TEST(StatusPhrases, UseThePluralAndThePlainDecimalNumber) {
    EXPECT_EQ(rowRemainingPhrase(0), QStringLiteral("0g rimanenti"));
    EXPECT_EQ(rowRemainingPhrase(1), QStringLiteral("1g rimanenti"));
    EXPECT_EQ(rowRemainingPhrase(12345), QStringLiteral("12345g rimanenti"));
    EXPECT_EQ(detailRemainingPhrase(0), QStringLiteral("0 giorni rimanenti"));
    EXPECT_EQ(detailRemainingPhrase(1), QStringLiteral("1 giorni rimanenti"));
    EXPECT_EQ(detailRemainingPhrase(-1), QStringLiteral("Scaduta 1 giorni fa"));
    EXPECT_EQ(detailRemainingPhrase(-3650), QStringLiteral("Scaduta 3650 giorni fa"));
    EXPECT_EQ(detailRemainingPhrase(std::numeric_limits<qint64>::min()),
              QStringLiteral("Scaduta 9223372036854775808 giorni fa"));
}

// The status as each policy view computes it for one policy.
PolicyStatus perPolicy(Instant now, Instant expiry, qint64 horizon, const QTimeZone& zone) {
    return status(PolicyRules::daysUntilExpiration(now, expiry, zone), horizon);
}

TEST(StatusClassifier, AgreesWithThePerPolicyRuleAtEveryInstantOfADaylightSavingDay) {
    const qint64 horizons[] = {0, 1, 7, 30, 365, -1, std::numeric_limits<qint64>::max(), 5000};
    const struct {
        const char* zone;
        const char* dayStart; // local midnight, in UTC
    } days[] = {
        {"Europe/Rome", "2026-03-28T23:00:00Z"},
        {"Europe/Rome", "2026-10-24T22:00:00Z"},
        {"America/New_York", "2026-03-08T05:00:00Z"},
        {"Australia/Lord_Howe", "2026-10-03T13:30:00Z"},
        {"UTC", "2028-02-28T12:00:00Z"},
    };
    std::mt19937_64 random(7);
    for (const auto& day : days) {
        const QTimeZone zone(day.zone);
        // Every 20 minutes of the day, and the instants next to the change itself.
        for (qint64 minute = -60; minute <= 25 * 60; minute += 20) {
            const Instant now(utc(day.dayStart).msSinceEpoch() + minute * 60000 + 1);
            StatusClassifier classifier(now, zone);
            for (const qint64 horizon : horizons) {
                // Expiries at and next to each threshold, where an error would show first.
                std::vector<Instant> expiries;
                std::vector<qint64> steps = {-2, -1, 0, 1};
                if (horizon < 1'000'000) {
                    steps.insert(steps.end(), {horizon, horizon + 1, horizon + 2});
                }
                for (const qint64 k : steps) {
                    const std::optional<Instant> step = CalendarMath::addDays(now, k, zone);
                    if (!step) {
                        continue;
                    }
                    for (const qint64 delta : {-kHourMs - 1, -kHourMs, -1LL, 0LL, 1LL, kHourMs}) {
                        expiries.emplace_back(step->msSinceEpoch() + delta);
                    }
                }
                for (int i = 0; i < 20; ++i) {
                    expiries.emplace_back(now.msSinceEpoch() + qint64(random() % (80 * kDayMs)) -
                                          40 * kDayMs);
                }
                for (const Instant expiry : expiries) {
                    ASSERT_EQ(classifier.classify(expiry, horizon),
                              perPolicy(now, expiry, horizon, zone))
                        << day.zone << " now " << wall(now, zone).toStdString() << " expiry "
                        << wall(expiry, zone).toStdString() << " horizon " << horizon;
                }
            }
        }
    }
}

TEST(StatusClassifier, AgreesAtTheEdgesOfTheCalendarRange) {
    const QTimeZone zone("Europe/Rome");
    const Instant edges[] = {Instant(Instant::kMinMs),
                             Instant(Instant::kMinMs + kDayMs / 2),
                             Instant(Instant::kMaxMs),
                             Instant(Instant::kMaxMs - kDayMs / 2),
                             Instant(std::numeric_limits<qint64>::min()),
                             Instant(std::numeric_limits<qint64>::max()),
                             utc("2026-06-01T10:00:00Z")};
    for (const Instant now : edges) {
        StatusClassifier classifier(now, zone);
        for (const Instant expiry : edges) {
            for (const qint64 horizon :
                 {qint64(0), qint64(30), qint64(-1), std::numeric_limits<qint64>::max()}) {
                EXPECT_EQ(classifier.classify(expiry, horizon),
                          perPolicy(now, expiry, horizon, zone))
                    << now.msSinceEpoch() << " " << expiry.msSinceEpoch() << " " << horizon;
            }
        }
    }
}

} // namespace
