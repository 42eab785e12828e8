#pragma once

#include "Instant.h"
#include "PolicyStatus.h"

#include <QTimeZone>

#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

// Classifies many policies at one instant with the same result as the per-policy rule.
//
// For a fixed now, the days until an expiry e grow with e, step by step at now moved by whole
// calendar days. So "expired" is e <= now - 1 day and "expiring soon within horizon H" is
// now - 1 day < e < now + (H + 1) days, both in wall-clock days of the zone. Those instants
// depend only on now and H: they are worked out once per distinct horizon, and each policy
// then costs two comparisons and no time-zone conversion.
class StatusClassifier final {
public:
    StatusClassifier(Instant now, QTimeZone zone);

    PolicyStatus classify(Instant expirationDate, qint64 reminderHorizon) {
        const qint64 e = expirationDate.msSinceEpoch();
        // The per-policy rule counts zero days to an expiry outside the calendar range.
        if (quint64(e) - quint64(Instant::kMinMs) > quint64(Instant::kMaxMs - Instant::kMinMs))
            [[unlikely]] {
            return PolicyStatusRules::status(0, reminderHorizon);
        }
        if (e <= m_expiredAtOrBefore) {
            return PolicyStatus::Expired;
        }
        return e < soonBefore(reminderHorizon) ? PolicyStatus::ExpiringSoon
                                               : PolicyStatus::Active;
    }

    Instant now() const { return m_now; }

private:
    // The exclusive upper bound of "expiring soon" for a horizon; the lower bound of every
    // instant for a negative horizon, which never is.
    qint64 soonBefore(qint64 horizon) {
        if (horizon >= 0 && horizon < qint64(m_smallHorizons.size())) {
            qint64& bound = m_smallHorizons[size_t(horizon)];
            if (bound == kUnknown) {
                bound = computeSoonBefore(horizon);
            }
            return bound;
        }
        return largeHorizon(horizon);
    }
    qint64 largeHorizon(qint64 horizon);
    qint64 computeSoonBefore(qint64 horizon) const;

    static constexpr qint64 kUnknown = std::numeric_limits<qint64>::min();

    Instant m_now;
    QTimeZone m_zone;
    qint64 m_expiredAtOrBefore;
    std::vector<qint64> m_smallHorizons;
    std::unordered_map<qint64, qint64> m_largeHorizons;
};
