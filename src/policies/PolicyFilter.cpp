#include "policies/PolicyFilter.h"

namespace PolicyFilters {

QString rawValue(PolicyFilter filter) {
    switch (filter) {
    case PolicyFilter::ExpiringSoon:
        return QStringLiteral("In Scadenza");
    case PolicyFilter::Expired:
        return QStringLiteral("Scadute");
    case PolicyFilter::ToNotify:
        return QStringLiteral("Da Avvisare");
    case PolicyFilter::All:
        break;
    }
    return QStringLiteral("Tutte");
}

} // namespace PolicyFilters
