#include "model/ClientNotice.h"

#include "model/PolicyRules.h"

#include <limits>

namespace {

constexpr qint64 kMsPerSecond = 1000;
constexpr qint64 kWhatsAppMark = 1;
constexpr qint64 kEmailMark = 2;

// The milliseconds within the second, also before 1970.
qint64 msInSecond(qint64 ms) {
    return ((ms % kMsPerSecond) + kMsPerSecond) % kMsPerSecond;
}

} // namespace

namespace ClientNotice {

Instant stamped(Instant now, Channel channel) {
    const qint64 second = now.msSinceEpoch() - msInSecond(now.msSinceEpoch());
    switch (channel) {
    case Channel::WhatsApp:
        return Instant(second + kWhatsAppMark);
    case Channel::Email:
        return Instant(second + kEmailMark);
    case Channel::Unknown:
        break;
    }
    return Instant(second);
}

Channel channelOf(Instant notified) {
    switch (msInSecond(notified.msSinceEpoch())) {
    case kWhatsAppMark:
        return Channel::WhatsApp;
    case kEmailMark:
        return Channel::Email;
    default:
        return Channel::Unknown;
    }
}

Instant windowOpensAfter(Instant expirationDate, qint64 reminderHorizon, const QTimeZone& zone) {
    const qint64 days = reminderHorizon < std::numeric_limits<qint64>::max() ? reminderHorizon + 1
                                                                             : reminderHorizon;
    return PolicyRules::reminderDate(expirationDate, days, zone);
}

bool toldInWindow(std::optional<Instant> lastNotified, Instant expirationDate,
                  qint64 reminderHorizon, const QTimeZone& zone) {
    return lastNotified && *lastNotified > windowOpensAfter(expirationDate, reminderHorizon, zone);
}

} // namespace ClientNotice
