#pragma once

#include "backup/StoreFileCheck.h"
#include "platform/Instant.h"

#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <atomic>

// A backup to write: the store, the folder of backups (made 0700 when missing) and the moment
// that names it.
struct BackupRequest {
    QString store;
    QString folder;
    // A second folder each verified backup is copied into (a removable disk, a synced folder);
    // empty for none. A folder that is not there at the time is skipped without a word.
    QString secondFolder;
    Instant now;
    QTimeZone zone;
    // Off for the backup taken before a restore: it must not remove the very backup that is
    // about to be restored.
    bool applyRetention = true;
    // Written at a pace (PacedWriteOut), so that the program's saves meanwhile do not wait
    // behind it. Off for the backup taken before a restore, which the user waits for and which
    // no save runs beside.
    bool paced = true;
};

// What a backup did.
struct BackupOutcome {
    // The backup under its final name; empty when none was written.
    QString path;
    // Why none was written.
    QString error;
    // What the backup holds, as read back from it.
    StoreFileReport contents;
    // Older backups removed beyond the retention, and why some could not be.
    QStringList removed;
    QStringList removalErrors;
    // The copy in the second folder, or why it failed (empty when skipped).
    QString secondCopy;
    QString secondFolderError;

    bool written() const { return !path.isEmpty(); }
};

// Writes consistent copies of a store file while the program may go on saving to it: SQLite's
// VACUUM INTO on a read-only connection of its own, which reads one snapshot and never blocks a
// writer. The copy is written under a hidden temporary name mode 0600, flushed, checked (see
// StoreFileCheck), and only then given its final name, its folder flushed; only then are older
// backups beyond the retention removed. A copy that fails at any step is removed, nothing older
// is touched, and no file is left under a backup's final name.
//
// Every function is synchronous and safe on any thread; `stop` ends one early, as a failure.
class BackupWriter final {
public:
    static constexpr const char* kFolderName = "backups";

    // A dated backup, "QuintaverModel-YYYY-MM-DD-HHMMSS.sqlite", in the request's folder (one
    // second later when that name is taken), then its copy in the second folder.
    static BackupOutcome write(const BackupRequest& request,
                               const std::atomic<bool>* stop = nullptr);
    // A copy at a path the user chose, replacing a file there only once the copy is checked.
    static BackupOutcome writeTo(const QString& store, const QString& target,
                                 const std::atomic<bool>* stop = nullptr);

private:
    // Writes the copy at `partial`, flushes it and checks it.
    static bool snapshot(const QString& store, const QString& partial, BackupOutcome* outcome,
                         const std::atomic<bool>* stop, bool paced);
    static void copyToSecondFolder(const BackupRequest& request, const QString& name,
                                   BackupOutcome* outcome, const std::atomic<bool>* stop);
};
