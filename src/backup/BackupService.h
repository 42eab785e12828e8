#pragma once

#include "backup/BackupCatalog.h"
#include "backup/BackupWriter.h"
#include "backup/StoreRestore.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class LogChannel;
class QThread;

// The program's backups: writes them when they are due and when asked, one at a time on a
// worker thread of its own, while the program goes on saving; restores a chosen one. Each
// failure is one line: "Error writing backup: ", "Error removing backup: ", "Error restoring
// backup: ", with why.
class BackupService final : public QObject {
    Q_OBJECT
public:
    struct Services {
        const Clock& clock;
        LogChannel& log;
    };

    // `store` is the store file; `folder` the folder of backups (see folderBeside).
    BackupService(const Services& services, QString store, QString folder,
                  QObject* parent = nullptr);
    // Stops a backup or restore under way (a restore stopped before its last step changes
    // nothing) and waits for it.
    ~BackupService() override;

    // "backups" in the store's own folder.
    static QString folderBeside(const QString& store);
    const QString& folder() const { return m_folder; }

    // The folder each verified backup is also copied into; empty for none.
    void setSecondFolder(const QString& folder) { m_secondFolder = folder; }

    // Once the window is up: a backup when the newest is 24 hours old or more, or none exists.
    void backUpIfDueAtStartUp();
    // After every save that succeeded: the first save of a new local day backs up.
    void noteSaved();
    // "Esegui Backup Ora".
    void backUpNow();
    // A copy at a path the user chose ("Esegui Backup..."), then `done` with what it did. It
    // is none of the dated backups: it neither holds nor clears their failure.
    void backUpTo(const QString& target, std::function<void(const BackupOutcome&)> done = nullptr);
    // Puts `chosen` in place of the store (see StoreRestore), after the backups asked for
    // before it. Every connection to the store must be closed by then: the caller closes the
    // store first and opens it again once restoreFinished() says what happened.
    void restore(const QString& chosen);
    // While the user is still asked about `chosen`: checks a copy of it beside the store and
    // backs the store up (see StoreRestore::prepare), then `checked` with what the copy holds.
    // A restore() of the same file then only swaps the files. Nothing is heard when it is
    // forgotten first.
    void prepareRestore(const QString& chosen,
                        std::function<void(const StoreFileReport& report)> checked);
    // The user chose not to restore: what was made ready goes, and a preparation stops.
    void forgetPreparedRestore();

    bool isBusy() const { return m_thread != nullptr; }
    // Why the last dated backup failed, until one is written.
    const std::optional<QString>& failure() const { return m_failure; }
    // The newest backup in the folder, as its name dates it.
    std::optional<BackupEntry> newestBackup() const;

Q_SIGNALS:
    void busyChanged(bool busy);
    void backupFinished(const BackupOutcome& outcome);
    void restoreFinished(const RestoreOutcome& outcome);

private:
    // Runs on the worker thread, with the moment it began; what it returns runs afterwards on
    // this object's thread.
    using Work = std::function<std::function<void()>(const std::atomic<bool>& stop, Instant now,
                                                     const QTimeZone& zone)>;
    void enqueue(Work work);
    void runNext();
    void finished();
    void enqueueBackup();
    void enqueueDiscard(const std::shared_ptr<PreparedRestore>& prepared);
    void report(const BackupOutcome& outcome, bool dated);

    Services m_services;
    QString m_store;
    QString m_folder;
    QString m_secondFolder;
    std::optional<QDate> m_lastTriedDay;
    std::optional<QString> m_failure;
    std::deque<Work> m_queue;
    std::unique_ptr<QThread> m_thread;
    std::function<void()> m_done;
    std::atomic<bool> m_stop{false};
    // The preparation under way and what it fills in, and the restore it made ready.
    std::shared_ptr<std::atomic<bool>> m_preparing;
    std::shared_ptr<PreparedRestore> m_preparingFor;
    std::shared_ptr<PreparedRestore> m_prepared;
    // Restores made ready and then dropped, until their files are gone.
    std::vector<std::shared_ptr<PreparedRestore>> m_discards;
};
