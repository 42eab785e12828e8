#pragma once

#include "model/PolicyStatus.h"
#include "platform/Instant.h"

#include <QTimeZone>

#include <array>
#include <limits>
#include <optional>
#include <unordered_map>

class Policy;

// Classifies many policies at one instant with the same result as the per-policy rule.
//
// For a fixed now, the days until an expiry e grow with e, step by step at now moved by whole
// calendar days. So "expired" is e <= now - 1 day and "expiring soon within horizon H" is
// now - 1 day < e < now + (H + 1) days, both in wall-clock days of the zone. Those instants
// depend only on now and H: they are worked out once per distinct horizon, and each policy
// then costs two comparisons and no time-zone conversion.
class StatusClassifier final {
public:
    StatusClassifier(Instant now, const QTimeZone& zone);

    PolicyStatus classify(Instant expirationDate, qint64 reminderHorizon) {
        const qint64 e = expirationDate.msSinceEpoch();
        // The per-policy rule counts zero days to an expiry outside the calendar range.
        if (quint64(e) - quint64(Instant::kMinMs) > quint64(Instant::kMaxMs - Instant::kMinMs))
            [[unlikely]] {
            return PolicyStatusRules::status(0, reminderHorizon);
        }
        // Without branches on the expiry, which a list in any order would mispredict: past the
        // expired bound counts one, past the horizon's bound one more. A negative horizon's
        // bound lies just above the expired one, so such a policy goes from expired to active.
        return PolicyStatus(int(e > m_expiredAtOrBefore) + int(e >= soonBefore(reminderHorizon)));
    }

    // The policy's status, by its expiry and its reminder horizon.
    PolicyStatus classify(const Policy& policy);

    Instant now() const { return m_now; }

private:
    // The exclusive upper bound of "expiring soon" for a horizon; the lower bound of every
    // instant for a negative horizon, which never is.
    qint64 soonBefore(qint64 horizon) {
        // Slot 0 holds every negative horizon, slot h + 1 the horizon h. Worked out without a
        // branch, which a list in any order would mispredict: a negative horizon ORed with its
        // sign becomes -1, which wraps to slot 0.
        const quint64 slot = quint64(horizon | (horizon >> 63)) + 1;
        if (slot < kSmallHorizons) [[likely]] {
            const qint64 bound = m_smallHorizons[slot];
            return bound != kUnknown ? bound : fillSmallHorizon(slot, horizon);
        }
        return largeHorizon(horizon);
    }
    qint64 fillSmallHorizon(quint64 slot, qint64 horizon);
    qint64 largeHorizon(qint64 horizon);
    qint64 computeSoonBefore(qint64 horizon) const;

    // No bound is ever this value: the smallest bound is the calendar range's first instant.
    // Horizons up to about three years are kept in a flat table; larger ones in a map.
    static constexpr quint64 kSmallHorizons = 1100;
    static constexpr qint64 kUnknown = std::numeric_limits<qint64>::max() - 1;

    Instant m_now;
    QTimeZone m_zone;
    qint64 m_expiredAtOrBefore;
    std::array<qint64, kSmallHorizons> m_smallHorizons;
    std::unordered_map<qint64, qint64> m_largeHorizons;
};
