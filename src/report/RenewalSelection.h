#pragma once

#include "platform/Instant.h"
#include "report/RenewalRange.h"
#include "report/RenewalRow.h"

#include <QTimeZone>

#include <vector>

class ManagedObjectContext;

// The policies a renewal report lists, read from the store on the store's thread.
namespace RenewalSelection {

// The policies expiring within `range` in `zone`, and with `includeExpired` also those whose
// expiry has already passed at `now` though it comes before the range; by expiry, earliest
// first (equal expiries in the order they were stored). None for an invalid range.
std::vector<RenewalRow> rowsOf(const ManagedObjectContext& context, const RenewalRange& range,
                               bool includeExpired, Instant now, const QTimeZone& zone);

} // namespace RenewalSelection
