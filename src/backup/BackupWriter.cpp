#include "backup/BackupWriter.h"

#include "backup/BackupFileName.h"
#include "backup/BackupRetention.h"
#include "backup/DurableFiles.h"
#include "backup/PacedVfs.h"
#include "backup/StoreReading.h"
#include "platform/PrivateFolders.h"
#include "store/SqliteConnection.h"
#include "store/SqliteQuery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

constexpr int kCopyStepsBetweenStops = 10000;

QStringList fileNames(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// What a backup cut short (a kill, a power cut) left under a temporary name. `atPace` in the
// store's own backup folder; a second folder (a synced one) gets no file shrinking step by
// step, which its sync client would see as so many changes.
void removePartials(const QString& folder, bool atPace) {
    for (const QString& name : fileNames(folder)) {
        if (BackupFileName::isPartial(name)) {
            const QString path = QDir(folder).filePath(name);
            if (atPace) {
                DurableFiles::removeAtPace(path);
            } else {
                DurableFiles::removeFile(path);
            }
        }
    }
}

// A name no backup has yet, starting from the moment's own.
QString freeName(const QString& folder, Instant now, const QTimeZone& zone) {
    const QDir dir(folder);
    for (qint64 ms = now.msSinceEpoch();; ms += 1000) {
        QString name = BackupFileName::at(Instant(ms), zone);
        if (!QFileInfo::exists(dir.filePath(name)) &&
            !QFileInfo::exists(dir.filePath(BackupFileName::partial(name)))) {
            return name;
        }
    }
}

// An old backup removed at a pace is hidden under its partial name first: it must not be listed
// half gone should the program stop meanwhile (the next backup removes the rest).
std::optional<QString> removeBackup(const QString& folder, const QString& name, bool atPace) {
    const QDir dir(folder);
    const QString hidden = dir.filePath(BackupFileName::partial(name));
    if (!atPace || DurableFiles::renameWithoutReplacing(dir.filePath(name), hidden)) {
        return DurableFiles::removeFile(dir.filePath(name));
    }
    return DurableFiles::removeAtPace(hidden);
}

void removeBeyondRetention(const QString& folder, Instant now, const QTimeZone& zone,
                           BackupOutcome* outcome, bool atPace) {
    const QStringList beyond = BackupRetention::beyondRetention(fileNames(folder), now, zone);
    for (const QString& name : beyond) {
        if (const std::optional<QString> error = removeBackup(folder, name, atPace)) {
            outcome->removalErrors << *error;
        } else {
            outcome->removed << QDir(folder).filePath(name);
        }
    }
    if (!beyond.isEmpty()) {
        if (const std::optional<QString> error = DurableFiles::syncFolder(folder)) {
            outcome->removalErrors << *error;
        }
    }
}

std::optional<QString> vacuumInto(const QString& store, const QString& target,
                                  const std::atomic<bool>* stop, bool paced) {
    // Declared first: it outlives the connection that uses it.
    std::optional<PacedVfs> pacedVfs;
    if (paced) {
        pacedVfs.emplace(stop);
    }
    SqliteConnection db;
    // The copy is attached through the reading connection's VFS.
    if (!openStoreForReading(db, store, pacedVfs ? pacedVfs->name() : nullptr)) {
        return QStringLiteral("Cannot open %1: %2").arg(store, db.errorMessage());
    }
    if (stop) {
        sqlite3_progress_handler(
            db.handle(), kCopyStepsBetweenStops,
            [](void* flag) { return int(static_cast<const std::atomic<bool>*>(flag)->load()); },
            const_cast<std::atomic<bool>*>(stop));
    }
    SqliteQuery vacuum = db.prepare(QStringLiteral("VACUUM INTO ?"));
    vacuum.bindText(1, target);
    if (!vacuum.isValid() || vacuum.step() != SqliteQuery::Step::Done) {
        return QStringLiteral("Cannot copy %1: %2").arg(store, db.errorMessage());
    }
    return std::nullopt;
}

} // namespace

bool BackupWriter::snapshot(const QString& store, const QString& partial, BackupOutcome* outcome,
                            const std::atomic<bool>* stop, bool paced) {
    // VACUUM INTO fills an empty file as it finds it: made here first, so it is private.
    std::optional<QString> error = DurableFiles::createPrivateFile(partial);
    if (!error) {
        error = vacuumInto(store, partial, stop, paced);
    }
    if (!error) {
        error = DurableFiles::syncFile(partial);
    }
    if (!error) {
        outcome->contents = StoreFileCheck::check(partial, stop);
        if (!outcome->contents.isWhole()) {
            error = QStringLiteral("The copy of %1 failed its check: %2")
                        .arg(store, outcome->contents.why);
        }
    }
    if (error) {
        DurableFiles::removeFile(partial);
        outcome->error = *error;
        return false;
    }
    return true;
}

BackupOutcome BackupWriter::write(const BackupRequest& request, const std::atomic<bool>* stop) {
    BackupOutcome outcome;
    if (std::optional<QString> error = makePrivateFolders(request.folder)) {
        outcome.error = *error;
        return outcome;
    }
    // A folder replaced by a file, or a link to a folder of another account, is not written.
    if (std::optional<QString> error = DurableFiles::checkOwnFolder(request.folder)) {
        outcome.error = *error;
        return outcome;
    }
    removePartials(request.folder, true);
    const QString name = freeName(request.folder, request.now, request.zone);
    const QDir folder(request.folder);
    const QString partial = folder.filePath(BackupFileName::partial(name));
    if (!snapshot(request.store, partial, &outcome, stop, request.paced)) {
        return outcome;
    }
    std::optional<QString> error =
        DurableFiles::renameWithoutReplacing(partial, folder.filePath(name));
    if (error) {
        DurableFiles::removeFile(partial);
        outcome.error = *error;
        return outcome;
    }
    outcome.path = folder.filePath(name);
    if ((error = DurableFiles::syncFolder(request.folder))) {
        // The backup is whole, only perhaps not yet on the disk: nothing older goes for it.
        outcome.removalErrors << *error;
    } else if (request.applyRetention) {
        removeBeyondRetention(request.folder, request.now, request.zone, &outcome, true);
    }
    copyToSecondFolder(request, name, &outcome, stop);
    return outcome;
}

void BackupWriter::copyToSecondFolder(const BackupRequest& request, const QString& name,
                                      BackupOutcome* outcome, const std::atomic<bool>* stop) {
    if (request.secondFolder.isEmpty() || !QFileInfo(request.secondFolder).isDir()) {
        return; // not chosen, or a disk not plugged in: tried again at the next backup
    }
    const QDir second(request.secondFolder);
    removePartials(request.secondFolder, false);
    const QString partial = second.filePath(BackupFileName::partial(name));
    std::optional<QString> error = DurableFiles::copyFile(outcome->path, partial, stop, true);
    if (!error) {
        const StoreFileReport copy = StoreFileCheck::check(partial, stop);
        if (!copy.isWhole()) {
            error = QStringLiteral("The copy in %1 failed its check: %2")
                        .arg(request.secondFolder, copy.why);
        }
    }
    if (!error) {
        error = DurableFiles::renameWithoutReplacing(partial, second.filePath(name));
    }
    if (!error) {
        error = DurableFiles::syncFolder(request.secondFolder);
        outcome->secondCopy = second.filePath(name);
    }
    if (error) {
        DurableFiles::removeFile(partial);
        outcome->secondFolderError = *error;
        return;
    }
    if (request.applyRetention) {
        removeBeyondRetention(request.secondFolder, request.now, request.zone, outcome, false);
    }
}

BackupOutcome BackupWriter::writeTo(const QString& store, const QString& target,
                                    const std::atomic<bool>* stop) {
    BackupOutcome outcome;
    const QFileInfo info(target);
    const QString partial = info.dir().filePath(BackupFileName::partial(info.fileName()));
    DurableFiles::removeFile(partial);
    if (!snapshot(store, partial, &outcome, stop, true)) {
        return outcome;
    }
    std::optional<QString> error = DurableFiles::renameReplacing(partial, target);
    if (!error) {
        error = DurableFiles::syncFolder(info.dir().path());
    }
    if (error) {
        DurableFiles::removeFile(partial);
        outcome.error = *error;
        return outcome;
    }
    outcome.path = target;
    return outcome;
}
