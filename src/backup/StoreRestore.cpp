#include "backup/StoreRestore.h"

#include "backup/BackupFileName.h"
#include "backup/BackupWriter.h"
#include "backup/DurableFiles.h"
#include "platform/PrivateFolders.h"
#include "store/SqliteConnection.h"
#include "store/SqliteQuery.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

#include <thread>

namespace {

// What SQLite keeps beside a store, each read into it when it opens.
constexpr QLatin1StringView kLog("-wal");
constexpr QLatin1StringView kJournal("-journal");
constexpr QLatin1StringView kLogIndex("-shm");

bool anythingAt(const QString& store) {
    for (const QLatin1StringView suffix : {QLatin1StringView(), kLog, kJournal}) {
        if (QFileInfo::exists(store + suffix)) {
            return true;
        }
    }
    return false;
}

} // namespace

RestoreOutcome StoreRestore::restore(const RestoreRequest& request, const std::atomic<bool>* stop) {
    RestoreOutcome outcome;
    const QFileInfo storeInfo(request.store);
    const QString folder = storeInfo.absolutePath();
    const QString partial = QDir(folder).filePath(BackupFileName::partial(storeInfo.fileName()));
    std::optional<QString> error = makePrivateFolders(folder);
    if (error) {
        outcome.error = *error;
        return outcome;
    }
    // The store as it is is backed up while the chosen file is copied and checked: the two
    // touch different files, and each takes a core.
    std::optional<BackupOutcome> backup;
    const bool hadBackupFolder = QFileInfo::exists(request.backupFolder);
    std::thread backingUp;
    if (QFileInfo::exists(request.store)) {
        backingUp = std::thread([&request, &backup, stop] {
            backup = BackupWriter::write({request.store, request.backupFolder, QString(),
                                          request.now, request.zone, false, false},
                                         stop);
        });
    }
    DurableFiles::removeFile(partial);
    error = DurableFiles::copyFile(request.chosen, partial, stop);
    if (!error) {
        outcome.contents = StoreFileCheck::check(partial, stop);
        if (!outcome.contents.isWhole()) {
            error = outcome.contents.why;
        }
    }
    if (backingUp.joinable()) {
        backingUp.join();
    }
    if (error) {
        DurableFiles::removeFile(partial);
        // Refused, the restore leaves the backups as they were.
        if (backup && backup->written()) {
            DurableFiles::removeFile(backup->path);
        }
        if (!hadBackupFolder) {
            QDir().rmdir(request.backupFolder); // only when empty
        }
        outcome.error = *error;
        return outcome;
    }

    if (!QFileInfo::exists(request.store) && anythingAt(request.store)) {
        // A log with no file: read into the restored file, it would mix the two.
        if (!moveAside(request, &outcome)) {
            DurableFiles::removeFile(partial);
            return outcome;
        }
    } else if (backup) {
        bool putAway = false;
        if (backup->written()) {
            outcome.backupOfPrevious = backup->path;
            QString why;
            putAway = closeIntoFile(request.store, &why);
            outcome.error = why;
        } else {
            // Unreadable whole: damaged, another version, not a store. Not a store that merely
            // could not be backed up (a full disk): that one stays, and so does the restore.
            const StoreFileReport current =
                StoreFileCheck::check(request.store, stop, StoreFileCheck::Reading::WithLog);
            using Problem = StoreFileReport::Problem;
            if (current.isWhole() || current.problem == Problem::Unreadable ||
                current.problem == Problem::Stopped) {
                outcome.error =
                    QStringLiteral("Cannot back up the store before restoring: ") + backup->error;
            } else {
                putAway = moveAside(request, &outcome);
            }
        }
        if (!putAway) {
            DurableFiles::removeFile(partial);
            return outcome;
        }
    }

    error = DurableFiles::renameReplacing(partial, request.store);
    if (error) {
        DurableFiles::removeFile(partial);
        outcome.error = *error;
        return outcome;
    }
    outcome.restored = true;
    // In place already: a flush that fails only leaves it less sure to survive a power cut.
    DurableFiles::syncFolder(folder);
    return outcome;
}

bool StoreRestore::closeIntoFile(const QString& store, QString* error) {
    {
        SqliteConnection db;
        if (!db.open(store, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX)) {
            *error = QStringLiteral("Cannot open %1: %2").arg(store, db.errorMessage());
            return false;
        }
        // Leaving the write-ahead log copies it into the file and removes it; SQLite allows it
        // only to the one connection open, so it also tells that nobody else has the store.
        SqliteQuery mode = db.prepare(QStringLiteral("PRAGMA journal_mode = DELETE"));
        if (mode.step() != SqliteQuery::Step::Row || mode.columnText(0) != u"delete") {
            *error = QStringLiteral("%1 is still open: %2").arg(store, db.errorMessage());
            return false;
        }
    }
    for (const QLatin1StringView suffix : {kLog, kJournal}) {
        if (QFileInfo::exists(store + suffix)) {
            *error = QStringLiteral("%1 is still in use").arg(store + suffix);
            return false;
        }
    }
    if (const std::optional<QString> failure = DurableFiles::removeFile(store + kLogIndex)) {
        *error = *failure;
        return false;
    }
    return true;
}

bool StoreRestore::moveAside(const RestoreRequest& request, RestoreOutcome* outcome) {
    const QFileInfo storeInfo(request.store);
    const QDir folder(storeInfo.absolutePath());
    QString aside;
    for (qint64 ms = request.now.msSinceEpoch();; ms += 1000) {
        aside = folder.filePath(BackupFileName::damagedAt(Instant(ms), request.zone));
        if (!anythingAt(aside)) {
            break;
        }
    }
    // Kept whole under the new name first; only then does anything beside the store go.
    for (const QLatin1StringView suffix : {QLatin1StringView(), kLog, kJournal}) {
        if (!QFileInfo::exists(request.store + suffix)) {
            continue;
        }
        if (std::optional<QString> error =
                DurableFiles::linkOrCopy(request.store + suffix, aside + suffix)) {
            outcome->error = *error;
            return false;
        }
    }
    if (std::optional<QString> error = DurableFiles::syncFolder(folder.path())) {
        outcome->error = *error;
        return false;
    }
    outcome->movedAside = aside;
    for (const QLatin1StringView suffix : {kLog, kJournal, kLogIndex}) {
        if (std::optional<QString> error = DurableFiles::removeFile(request.store + suffix)) {
            outcome->error = *error;
            return false;
        }
    }
    if (std::optional<QString> error = DurableFiles::syncFolder(folder.path())) {
        outcome->error = *error;
        return false;
    }
    return true;
}
