#pragma once

#include "backup/StoreFileCheck.h"
#include "platform/Instant.h"

#include <QString>
#include <QTimeZone>

#include <atomic>

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
// Every connection to the store must be closed first: a store still open anywhere is refused
// and left as it was. Synchronous, safe on any thread.
class StoreRestore final {
public:
    static RestoreOutcome restore(const RestoreRequest& request,
                                  const std::atomic<bool>* stop = nullptr);

private:
    // Leaves the store in its file alone, its log emptied into it; false, with `error` set,
    // when some connection still has it open.
    static bool closeIntoFile(const QString& store, QString* error);
    // Moves the store and what lies beside it aside, keeping them whole.
    static bool moveAside(const RestoreRequest& request, RestoreOutcome* outcome);
};
