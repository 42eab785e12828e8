#include "model/StatusClassifier.h"

#include "model/CalendarMath.h"
#include "model/Policy.h"

#include <limits>

StatusClassifier::StatusClassifier(Instant now, const QTimeZone& zone)
    : m_now(now)
    , m_zone(zone) {
    m_smallHorizons.fill(kUnknown);
    // Out of range (no date a day back): nothing in range is a whole day past.
    const std::optional<Instant> dayBefore = CalendarMath::addDays(now, -1, m_zone);
    m_expiredAtOrBefore =
        dayBefore ? dayBefore->msSinceEpoch() : std::numeric_limits<qint64>::min();
    if (!now.isInCalendarRange()) {
        // The per-policy rule counts zero days from an instant outside the range.
        m_expiredAtOrBefore = std::numeric_limits<qint64>::min();
    }
}

PolicyStatus StatusClassifier::classify(const Policy& policy) {
    return classify(policy.expirationDate(), policy.reminderHorizon());
}

qint64 StatusClassifier::fillSmallHorizon(quint64 slot, qint64 horizon) {
    m_smallHorizons[slot] = computeSoonBefore(horizon);
    return m_smallHorizons[slot];
}

qint64 StatusClassifier::largeHorizon(qint64 horizon) {
    const auto [it, inserted] = m_largeHorizons.try_emplace(horizon, 0);
    if (inserted) {
        it->second = computeSoonBefore(horizon);
    }
    return it->second;
}

qint64 StatusClassifier::computeSoonBefore(qint64 horizon) const {
    if (horizon < 0) {
        return m_expiredAtOrBefore + 1;
    }
    if (!m_now.isInCalendarRange()) {
        return std::numeric_limits<qint64>::max();
    }
    // No date that many days ahead: every expiry in range is within the horizon.
    if (horizon >= std::numeric_limits<qint64>::max() - 1) {
        return std::numeric_limits<qint64>::max();
    }
    const std::optional<Instant> bound = CalendarMath::addDays(m_now, horizon + 1, m_zone);
    return bound ? bound->msSinceEpoch() : std::numeric_limits<qint64>::max();
}
