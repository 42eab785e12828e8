#pragma once

#include "transfer/ImportPlan.h"
#include "transfer/ImportResult.h"

#include <QHash>
#include <QTimeZone>

#include <memory>
#include <optional>
#include <vector>

class Category;
class Contact;
class LogChannel;
class ManagedObjectContext;
class Policy;

// Makes a plan's policies and clients in the context as the editors would have made each, a
// slice at a time, for the caller to save (ImportSession saves the slices in one held
// transaction, so that the whole is kept or none of it). Runs on the context's thread.
namespace ImportApplier {

struct Outcome {
    ImportResult result;
    // The policies written, whose reminders are to be scheduled.
    std::vector<std::shared_ptr<Policy>> policies;
};

// Where the writing of a plan stands. `start` takes the plan and `table`, which gives the
// texts of skipped rows.
struct Progress {
    size_t contact = 0;
    size_t policy = 0;
    std::vector<std::shared_ptr<Contact>> contacts;
    std::vector<bool> used;
    // The categories by their names as TextKey::name folds them, read from the context when
    // first needed, with those the import makes.
    std::optional<QHash<QString, std::shared_ptr<Category>>> categories;
    Outcome outcome;
};
Progress start(const ImportPlan& plan, const Table& table);
// Makes up to `count` more of the plan's clients, then policies, in the context, unsaved; true
// once every one is made. `zone` gives the time of day an updated policy keeps when the file
// gives its expiry's day alone.
bool makeNext(const ImportPlan& plan, const QTimeZone& zone, ManagedObjectContext& context,
              Progress& progress, size_t count);
// A save that was refused: nothing counts, and the line "Error importing: " says why.
void refuse(Outcome& outcome, const QString& error, LogChannel& log);

// The skipped and adjusted rows of a plan, as the result lists them.
void listRows(const ImportPlan& plan, const Table& table, ImportResult& result);

} // namespace ImportApplier
