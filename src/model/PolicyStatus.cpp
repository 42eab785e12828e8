#include "model/PolicyStatus.h"

namespace PolicyStatusRules {
namespace {
// "%lld" as plain decimal, also for the magnitude of the smallest 64-bit value.
QString decimalMagnitude(qint64 value) {
    const quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    return QString::number(magnitude);
}
} // namespace

QString colorName(PolicyStatus status) {
    switch (status) {
    case PolicyStatus::Expired:
        return QStringLiteral("red");
    case PolicyStatus::ExpiringSoon:
        return QStringLiteral("orange");
    case PolicyStatus::Active:
        break;
    }
    return QStringLiteral("green");
}

QString badgeText(PolicyStatus status) {
    switch (status) {
    case PolicyStatus::Expired:
        return QStringLiteral("SCADUTA");
    case PolicyStatus::ExpiringSoon:
        return QStringLiteral("IN SCADENZA");
    case PolicyStatus::Active:
        break;
    }
    return QStringLiteral("ATTIVA");
}

QString rowRemainingPhrase(qint64 daysUntilExpiration) {
    return QString::number(daysUntilExpiration) + QStringLiteral("g rimanenti");
}

QString detailRemainingPhrase(qint64 daysUntilExpiration) {
    if (daysUntilExpiration < 0) {
        return QStringLiteral("Scaduta ") + decimalMagnitude(daysUntilExpiration) +
               QStringLiteral(" giorni fa");
    }
    return QString::number(daysUntilExpiration) + QStringLiteral(" giorni rimanenti");
}

} // namespace PolicyStatusRules
