#include "support/ManualClock.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {
Instant at(const char* isoUtc) {
    return Instant::fromDateTime(QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate));
}

struct Spies {
    explicit Spies(ManualClock& clock)
        : minute(&clock, &Clock::minuteChanged)
        , day(&clock, &Clock::dayChanged)
        , zone(&clock, &Clock::timeZoneChanged)
        , jump(&clock, &Clock::wallClockJumped) {}
    QSignalSpy minute, day, zone, jump;
};
} // namespace

TEST(ManualClock, AnswersWithWhatItWasGivenWithoutTouchingTheProcess) {
    const QByteArray processZone = QTimeZone::systemTimeZoneId();
    ManualClock clock(at("2026-03-29T00:30:00Z"), QTimeZone("Australia/Lord_Howe"),
                      QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(clock.now(), at("2026-03-29T00:30:00Z"));
    EXPECT_EQ(clock.timeZone().id(), QByteArray("Australia/Lord_Howe"));
    EXPECT_EQ(clock.locale().name(), QStringLiteral("it_IT"));
    EXPECT_EQ(QTimeZone::systemTimeZoneId(), processZone);
}

TEST(ManualClock, SignalsTheMinuteAndTheLocalDayAsTheyAreCrossed) {
    ManualClock clock(at("2026-01-10T22:58:30Z"), QTimeZone("Europe/Rome"));
    Spies spies(clock);
    clock.advanceTo(at("2026-01-10T22:58:59Z"));
    EXPECT_EQ(spies.minute.count(), 0);
    clock.advanceTo(at("2026-01-10T22:59:00Z"));
    EXPECT_EQ(spies.minute.count(), 1);
    EXPECT_EQ(spies.day.count(), 0);
    // 23:00 UTC is midnight in Rome in winter.
    clock.advanceTo(at("2026-01-10T23:00:00Z"));
    EXPECT_EQ(spies.minute.count(), 2);
    EXPECT_EQ(spies.day.count(), 1);
    EXPECT_EQ(spies.jump.count(), 0);
}

TEST(ManualClock, AJumpAndAZoneChangeAreAnnounced) {
    ManualClock clock(at("2026-06-01T12:00:00Z"), QTimeZone("America/New_York"));
    Spies spies(clock);
    clock.jumpTo(at("2026-06-01T15:00:00Z"));
    EXPECT_EQ(spies.jump.count(), 1);
    EXPECT_EQ(spies.minute.count(), 1);
    EXPECT_EQ(spies.day.count(), 0);

    // 15:00 UTC is 11:00 on 1 June in New York and 01:30 on 2 June in Lord Howe.
    clock.setTimeZone(QTimeZone("Australia/Lord_Howe"));
    EXPECT_EQ(spies.zone.count(), 1);
    EXPECT_EQ(spies.day.count(), 1);
    clock.setTimeZone(QTimeZone("America/New_York"));
    EXPECT_EQ(spies.zone.count(), 2);
    EXPECT_EQ(spies.day.count(), 2);
    clock.setTimeZone(QTimeZone::utc());
    EXPECT_EQ(spies.zone.count(), 3);
    EXPECT_EQ(spies.day.count(), 2);
}
