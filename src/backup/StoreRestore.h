#pragma once

#include "backup/BackupWriter.h"
#include "backup/StoreFileCheck.h"
#include "platform/Instant.h"

#include <QString>
#include <QTimeZone>

#include <atomic>
#include <memory>
#include <optional>

class SqliteConnection;

// A backup to put in place of the store.
struct RestoreRequest {
    QString chosen;
    QString store;
    // Where the store as it is now is backed up first.
    QString backupFolder;
    Instant now;
    QTimeZone zone;
};

struct RestoreOutcome {
    bool restored = false;
    // Why the store was left as it was.
    QString error;
    // What the store holds now, as read from the copy put in place.
    StoreFileReport contents;
    // The backup of the store as it was, when it could be read whole.
    QString backupOfPrevious;
    // Where the store was moved when it could not be read whole (damaged, another version):
    // "QuintaverModel-damaged-<date>.sqlite" beside it, with its log, kept as it was.
    QString movedAside;
};

// A restore made ready while the user is still asked (see StoreRestore::prepare): the chosen
// file's checked copy beside the store, and the store as it was then, backed up.
struct PreparedRestore {
    PreparedRestore();
    PreparedRestore(PreparedRestore&&) noexcept;
    PreparedRestore& operator=(PreparedRestore&&) noexcept;
    ~PreparedRestore();

    QString chosen;
    // The copy, under a temporary name; empty once refused or taken away.
    QString partial;
    // What the copy holds, or why it was refused (`error` then says it for the log).
    StoreFileReport contents;
    QString error;
    std::optional<BackupOutcome> backup;
    // The folder of backups when this restore made it, to be taken away with its backup.
    QString madeFolder;
    // Open on the store since before its backup began: tells whether anything was saved since.
    std::unique_ptr<SqliteConnection> watch;
    qint64 version = -1;
};

// Puts a backup in place of the store, atomically: a SIGKILL or a power cut at any moment
// leaves the old store or the restored one, whole, never a mix.
//
// The chosen file is copied beside the store under a temporary name, flushed and checked (see
// StoreFileCheck); what is checked is what goes in place. Meanwhile, on a thread of its own, the
// store as it is is backed up (a backup that fails stops the restore, changing nothing; a chosen
// file refused takes that backup away again). A store that cannot be read whole
// is never written: it is moved aside, its write-ahead log with it. A whole one is closed into
// its file alone (no log left beside it, which SQLite would otherwise read into the restored
// file). The copy is then renamed over the store and the folder flushed.
//
// The work can be split in two: prepare() copies, checks and backs up while the store is
// still open and the user is asked; commit() then only closes the store into its file and
// renames the copy over it, backing the store up again if anything was saved since.
//
// Every connection to the store must be closed before commit(): a store still open anywhere is
// refused and left as it was. Synchronous, safe on any thread.
class StoreRestore final {
public:
    static RestoreOutcome restore(const RestoreRequest& request,
                                  const std::atomic<bool>* stop = nullptr);

    // Never refuses for a store that is open. A refused copy leaves nothing behind.
    static PreparedRestore prepare(const RestoreRequest& request,
                                   const std::atomic<bool>* stop = nullptr);
    static RestoreOutcome commit(const RestoreRequest& request, PreparedRestore prepared,
                                 const std::atomic<bool>* stop = nullptr);
    // A restore the user did not confirm: its copy and its backup go.
    static void discard(PreparedRestore prepared);

private:
    // Leaves the store in its file alone, its log emptied into it; false, with `error` set,
    // when some connection still has it open.
    static bool closeIntoFile(const QString& store, QString* error);
    // Moves the store and what lies beside it aside, keeping them whole.
    static bool moveAside(const RestoreRequest& request, RestoreOutcome* outcome);
    // Whether the store may have changed since its backup was taken.
    static bool changedSinceBackup(PreparedRestore& prepared);
};
