#include "model/ClientNotice.h"

#include "model/PolicyRules.h"
#include "model/PolicyStatus.h"

#include "../support/TimeHelpers.h"

#include <gtest/gtest.h>

using namespace TimeHelpers;

namespace {

using Channel = ClientNotice::Channel;

TEST(ClientNotice, AStampKeepsItsChannelAndItsSecondAlsoBefore1970) {
    for (const Instant now : {utc("2026-12-07T09:15:42.987Z"), utc("1969-07-20T20:17:40.004Z"),
                              utc("2026-12-07T09:15:42.001Z")}) {
        for (const Channel channel : {Channel::Unknown, Channel::WhatsApp, Channel::Email}) {
            const Instant stamp = ClientNotice::stamped(now, channel);
            EXPECT_EQ(ClientNotice::channelOf(stamp), channel)
                << wall(now, QTimeZone::utc()).toStdString();
            // Within the second of now (its milliseconds are the channel's).
            EXPECT_LE(stamp.msSinceEpoch(), now.msSinceEpoch() + 2);
            EXPECT_GT(stamp.msSinceEpoch(), now.msSinceEpoch() - 1000);
        }
    }
    // A lastNotified written before channels were kept reads as none, unless it happens to
    // fall on one of the marks.
    EXPECT_EQ(ClientNotice::channelOf(utc("2026-12-07T09:15:42.500Z")), Channel::Unknown);
}

// The window opens exactly where the status rule turns the policy "expiring soon", across a
// change of summer time, so a client told on the policy's first expiring day counts as told.
TEST(ClientNotice, TheWindowOpensWhereThePolicyTurnsExpiringSoon) {
    const QTimeZone rome("Europe/Rome");
    const Instant expiry = utc("2026-04-20T08:30:00Z");
    for (const qint64 horizon : {0, 7, 30}) {
        const Instant opens = ClientNotice::windowOpensAfter(expiry, horizon, rome);
        const auto status = [&](Instant now) {
            return PolicyStatusRules::status(PolicyRules::daysUntilExpiration(now, expiry, rome),
                                             horizon);
        };
        EXPECT_EQ(status(opens), PolicyStatus::Active) << horizon;
        const Instant first(opens.msSinceEpoch() + 1);
        EXPECT_EQ(status(first), PolicyStatus::ExpiringSoon) << horizon;

        EXPECT_FALSE(ClientNotice::toldInWindow(std::nullopt, expiry, horizon, rome));
        EXPECT_FALSE(ClientNotice::toldInWindow(opens, expiry, horizon, rome));
        EXPECT_TRUE(ClientNotice::toldInWindow(first, expiry, horizon, rome));
        EXPECT_TRUE(ClientNotice::toldInWindow(expiry, expiry, horizon, rome));
        // A day before the window opened: told about this expiry too early to count.
        EXPECT_FALSE(ClientNotice::toldInWindow(Instant(opens.msSinceEpoch() - kDayMs), expiry,
                                                horizon, rome));
    }
    EXPECT_EQ(wall(ClientNotice::windowOpensAfter(expiry, 30, rome), rome),
              QStringLiteral("2026-03-20 10:30"));
}

} // namespace
