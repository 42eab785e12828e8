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

PreparedRestore::PreparedRestore() = default;
PreparedRestore::PreparedRestore(PreparedRestore&&) noexcept = default;
PreparedRestore& PreparedRestore::operator=(PreparedRestore&&) noexcept = default;
PreparedRestore::~PreparedRestore() = default;

RestoreOutcome StoreRestore::restore(const RestoreRequest& request, const std::atomic<bool>* stop) {
    return commit(request, prepare(request, stop), stop);
}

PreparedRestore StoreRestore::prepare(const RestoreRequest& request,
                                      const std::atomic<bool>* stop) {
    PreparedRestore prepared;
    prepared.chosen = request.chosen;
    const QFileInfo storeInfo(request.store);
    const QString folder = storeInfo.absolutePath();
    if (std::optional<QString> error = makePrivateFolders(folder)) {
        prepared.error = *error;
        prepared.contents = {StoreFileReport::Problem::Unreadable, *error};
        return prepared;
    }
    prepared.partial = QDir(folder).filePath(BackupFileName::partial(storeInfo.fileName()));
    // The store as it is is backed up while the chosen file is copied and checked: the two
    // touch different files, and each takes a core.
    if (!QFileInfo::exists(request.backupFolder)) {
        prepared.madeFolder = request.backupFolder;
    }
    std::thread backingUp;
    if (QFileInfo::exists(request.store)) {
        // Asked before the backup reads anything, so that whatever is saved after is seen.
        auto watch = std::make_unique<SqliteConnection>();
        if (watch->open(request.store, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX)) {
            SqliteQuery version = watch->prepare(QStringLiteral("PRAGMA data_version"));
            if (version.step() == SqliteQuery::Step::Row) {
                prepared.version = version.columnInt64(0);
                prepared.watch = std::move(watch);
            }
        }
        backingUp = std::thread([&request, &prepared, stop] {
            prepared.backup = BackupWriter::write({request.store, request.backupFolder, QString(),
                                                   request.now, request.zone, false, false},
                                                  stop);
        });
    }
    DurableFiles::removeFile(prepared.partial);
    std::optional<QString> error = DurableFiles::copyFile(request.chosen, prepared.partial, stop);
    if (error) {
        prepared.contents = {stop && *stop ? StoreFileReport::Problem::Stopped
                                           : StoreFileReport::Problem::Unreadable,
                             *error};
    } else {
        prepared.contents = StoreFileCheck::check(prepared.partial, stop);
        if (!prepared.contents.isWhole()) {
            error = prepared.contents.why;
        }
    }
    if (backingUp.joinable()) {
        backingUp.join();
    }
    if (error) {
        PreparedRestore refused;
        refused.chosen = request.chosen;
        refused.contents = prepared.contents;
        refused.error = *error;
        // Refused, the restore leaves the backups as they were.
        discard(std::move(prepared));
        return refused;
    }
    return prepared;
}

void StoreRestore::discard(PreparedRestore prepared) {
    if (!prepared.partial.isEmpty()) {
        DurableFiles::removeFile(prepared.partial);
    }
    if (prepared.backup && prepared.backup->written()) {
        DurableFiles::removeFile(prepared.backup->path);
    }
    if (!prepared.madeFolder.isEmpty()) {
        QDir().rmdir(prepared.madeFolder); // only when empty
    }
}

bool StoreRestore::changedSinceBackup(PreparedRestore& prepared) {
    if (!prepared.watch) {
        return true;
    }
    SqliteQuery version = prepared.watch->prepare(QStringLiteral("PRAGMA data_version"));
    return version.step() != SqliteQuery::Step::Row || version.columnInt64(0) != prepared.version;
}

RestoreOutcome StoreRestore::commit(const RestoreRequest& request, PreparedRestore prepared,
                                    const std::atomic<bool>* stop) {
    RestoreOutcome outcome;
    outcome.contents = prepared.contents;
    if (!prepared.error.isEmpty() || prepared.partial.isEmpty()) {
        outcome.error =
            prepared.error.isEmpty() ? QStringLiteral("Nothing was made ready") : prepared.error;
        return outcome;
    }
    const QString folder = QFileInfo(request.store).absolutePath();
    const QString partial = prepared.partial;
    std::optional<BackupOutcome>& backup = prepared.backup;
    // A save after the backup was taken (the user was still being asked) is backed up again.
    const bool stale =
        !backup ||
        (backup->written() && (!QFileInfo::exists(backup->path) || changedSinceBackup(prepared)));
    prepared.watch.reset();
    if (stale && QFileInfo::exists(request.store)) {
        if (backup && backup->written()) {
            DurableFiles::removeFile(backup->path);
        }
        backup = BackupWriter::write({request.store, request.backupFolder, QString(), request.now,
                                      request.zone, false, false},
                                     stop);
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

    if (const std::optional<QString> error =
            DurableFiles::renameReplacing(partial, request.store)) {
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
