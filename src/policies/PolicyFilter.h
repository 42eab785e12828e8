#pragma once

#include "model/PolicyStatus.h"

#include <QString>

#include <array>

// The policy list's status filter; its raw value is the segment's label and its identity.
enum class PolicyFilter { All, ExpiringSoon, Expired };

namespace PolicyFilters {

// Every case, in the order of the segments.
inline constexpr std::array<PolicyFilter, 3> kAllCases = {
    PolicyFilter::All, PolicyFilter::ExpiringSoon, PolicyFilter::Expired};

// "Tutte", "In Scadenza" or "Scadute".
QString rawValue(PolicyFilter filter);

// Whether a policy of this status is listed under the filter.
constexpr bool admits(PolicyFilter filter, PolicyStatus status) {
    switch (filter) {
    case PolicyFilter::ExpiringSoon:
        return status == PolicyStatus::ExpiringSoon;
    case PolicyFilter::Expired:
        return status == PolicyStatus::Expired;
    case PolicyFilter::All:
        break;
    }
    return true;
}

} // namespace PolicyFilters
