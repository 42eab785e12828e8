#pragma once

#include <QString>
#include <QtGlobal>

// The three-way status every policy view shows, from the days until expiration and the
// reminder horizon. Computed on every evaluation, never stored.
// The values are fixed: the status classifier computes them without branches.
enum class PolicyStatus { Expired = 0, ExpiringSoon = 1, Active = 2 };

namespace PolicyStatusRules {

constexpr bool isExpired(qint64 daysUntilExpiration) {
    return daysUntilExpiration < 0;
}

constexpr bool isExpiringSoon(qint64 daysUntilExpiration, qint64 reminderHorizon) {
    return daysUntilExpiration >= 0 && daysUntilExpiration <= reminderHorizon;
}

constexpr PolicyStatus status(qint64 daysUntilExpiration, qint64 reminderHorizon) {
    if (isExpired(daysUntilExpiration)) {
        return PolicyStatus::Expired;
    }
    if (isExpiringSoon(daysUntilExpiration, reminderHorizon)) {
        return PolicyStatus::ExpiringSoon;
    }
    return PolicyStatus::Active;
}

// Whether a policy of this status needs attention: the panel popover counts these and warns
// of them. An expired policy has had its reminders; an active one is not yet due.
constexpr bool needsAttention(PolicyStatus status) {
    return status == PolicyStatus::ExpiringSoon;
}

// The status's colour role, "red", "orange" or "green": the screens map the name to their
// palette in one place (Palette::byName).
QString colorName(PolicyStatus status);

// "SCADUTA", "IN SCADENZA" or "ATTIVA".
QString badgeText(PolicyStatus status);

// The list row's phrase, shown only while expiring soon: "12g rimanenti".
QString rowRemainingPhrase(qint64 daysUntilExpiration);

// The detail pane's phrase: "Scaduta 3 giorni fa" once past, else "12 giorni rimanenti".
QString detailRemainingPhrase(qint64 daysUntilExpiration);

} // namespace PolicyStatusRules
