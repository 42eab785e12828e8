#pragma once

#include "transfer/ImportPlan.h"
#include "transfer/ImportResult.h"

#include <QTimeZone>

#include <memory>
#include <vector>

class LogChannel;
class ManagedObjectContext;
class Policy;

// Writes a plan into the store as the editors would have saved each policy and client, in one
// save: all of it, or, when the store refuses, none of it (the context is rolled back and the
// line "Error importing: " and the reason is written). Runs on the context's thread.
namespace ImportApplier {

struct Outcome {
    ImportResult result;
    // The policies written, whose reminders are to be scheduled.
    std::vector<std::shared_ptr<Policy>> policies;
};

// `table` gives the texts of skipped rows; `zone` the time of day an updated policy keeps when
// the file gives its expiry's day alone.
Outcome apply(const ImportPlan& plan, const Table& table, const QTimeZone& zone,
              ManagedObjectContext& context, LogChannel& log);

// The skipped and adjusted rows of a plan, as the result lists them.
void listRows(const ImportPlan& plan, const Table& table, ImportResult& result);

} // namespace ImportApplier
