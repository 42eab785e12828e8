#include "policies/PolicyFilter.h"

namespace PolicyFilters {

QString rawValue(PolicyFilter filter) {
    switch (filter) {
    case PolicyFilter::ExpiringSoon:
        return QStringLiteral("In Scadenza");
    case PolicyFilter::Expired:
        return QStringLiteral("Scadute");
    case PolicyFilter::All:
        break;
    }
    return QStringLiteral("Tutte");
}

std::optional<PolicyFilter> fromRawValue(const QString& raw) {
    for (const PolicyFilter filter : kAllCases) {
        if (rawValue(filter) == raw) {
            return filter;
        }
    }
    return std::nullopt;
}

} // namespace PolicyFilters
