#include "platform/SystemClock.h"

#include <QDateTime>

#include <gtest/gtest.h>

TEST(SystemClock, ReadsTheMachinesClockZoneAndLocaleAtEachCall) {
    SystemClock clock;
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const qint64 now = clock.now().msSinceEpoch();
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
    EXPECT_EQ(clock.timeZone(), QTimeZone::systemTimeZone());
    EXPECT_EQ(clock.locale(), QLocale::system());
}
