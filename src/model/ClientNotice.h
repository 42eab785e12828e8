#pragma once

#include "platform/Instant.h"

#include <QTimeZone>

#include <optional>

// When the client was last told of the expiry, and how. The store keeps only the instant
// (`lastNotified`); the way it was sent rides in its milliseconds, which nobody reads as
// time: a stamp is taken to the whole second, plus 1 ms for WhatsApp and 2 ms for e-mail. A
// store written before the channel was kept, or by hand, reads as no channel.
namespace ClientNotice {

enum class Channel { Unknown, WhatsApp, Email };

// Now, to the whole second below it, carrying the channel.
Instant stamped(Instant now, Channel channel);

// The channel an instant carries; Unknown for any instant that was not stamped with one.
Channel channelOf(Instant notified);

// The last instant before the policy turns "expiring soon": the expiry moved back by one day
// more than its horizon, as the status counts whole days. The window is open after it.
Instant windowOpensAfter(Instant expirationDate, qint64 reminderHorizon, const QTimeZone& zone);

// Whether the client was told while the current expiry's reminder window was open: a notice
// about an earlier expiry, or before the policy was expiring soon, does not count.
bool toldInWindow(std::optional<Instant> lastNotified, Instant expirationDate,
                  qint64 reminderHorizon, const QTimeZone& zone);

} // namespace ClientNotice
