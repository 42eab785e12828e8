#pragma once

#include "model/PolicyStatus.h"

#include <QString>

#include <array>

// The policy list's status filter; its raw value is the segment's label and its identity.
enum class PolicyFilter { All, ExpiringSoon, Expired, ToNotify };

namespace PolicyFilters {

// Every case, in the order of the segments.
inline constexpr std::array<PolicyFilter, 4> kAllCases = {
    PolicyFilter::All, PolicyFilter::ExpiringSoon, PolicyFilter::Expired, PolicyFilter::ToNotify};

// "Tutte", "In Scadenza", "Scadute" or "Da Avvisare".
QString rawValue(PolicyFilter filter);

// Whether a policy of this status, whose client was or was not told of this expiry, is listed
// under the filter.
constexpr bool admits(PolicyFilter filter, PolicyStatus status, bool notified) {
    switch (filter) {
    case PolicyFilter::ExpiringSoon:
        return status == PolicyStatus::ExpiringSoon;
    case PolicyFilter::ToNotify:
        return status == PolicyStatus::ExpiringSoon && !notified;
    case PolicyFilter::Expired:
        return status == PolicyStatus::Expired;
    case PolicyFilter::All:
        break;
    }
    return true;
}

} // namespace PolicyFilters
