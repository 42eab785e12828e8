#pragma once

#include "store/PersistentContainer.h"

#include <memory>
#include <optional>

class Clock;
class LogChannel;
class ManagedObjectModel;

// Opens the program's one store and hands out its main context, through which every view
// reads, inserts, changes, deletes and saves policies, contacts and the rest. The controller
// has no save of its own: callers save the context.
//
// A store that cannot be opened is reported by one line, "Error loading persistent stores: "
// and why; the controller then hands out a context with no store, whose fetches find nothing
// and whose saves fail. Rows the program did not write as it writes them are reported by lines
// beginning "Unexpected row in persistent store: ".
class PersistenceController final {
public:
    // The process's controller with its store on disk, made on the first call (safely, from
    // any thread) and kept until the process ends.
    static PersistenceController& shared();

    // The store on disk in the per-user data folder, or, with `inMemory`, a new empty store
    // that lives only in memory.
    PersistenceController(bool inMemory, const Clock& clock, LogChannel& log);
    // The store at a chosen location: tests, and tools that open a copy.
    PersistenceController(const QString& storeLocation, const Clock& clock, LogChannel& log);

    PersistentContainer& container() { return *m_container; }

    // The store's file; empty for a store in memory.
    QString storeFile() const;
    // Why the store could not be opened, or proved damaged once it was; none while it is well.
    const std::optional<QString>& storeProblem() const { return m_problem; }
    // Closes the store's file, so that another can be put in its place: the context keeps its
    // objects, but saves fail until reopen().
    void close();
    // Opens the store's file again and makes its rows the context's objects in place of the
    // old ones (see ManagedObjectContext::reloadStore). False, with the error line said, when
    // it cannot be opened: the context then holds nothing.
    bool reopen();

    // The five entities (Event, Task, Policy, Category, Contact), built in code afresh for
    // every call.
    static std::shared_ptr<ManagedObjectModel> createManagedObjectModel();

    static constexpr const char* kContainerName = "QuintaverModel";
    // More lines than this about unexpected rows in one load say nothing more.
    static constexpr int kMaxRowReports = 100;

private:
    void load(const std::optional<QString>& location);
    void opened(const std::optional<QString>& error);

    std::unique_ptr<PersistentContainer> m_container;
    LogChannel& m_log;
    std::optional<QString> m_problem;
    int m_rowReports = 0;
};
