#include "backup/BackupService.h"

#include "backup/BackupSchedule.h"
#include "model/CalendarMath.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

BackupService::BackupService(const Services& services, QString store, QString folder,
                             QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_store(std::move(store))
    , m_folder(std::move(folder)) {}

BackupService::~BackupService() {
    m_stop = true;
    if (m_thread) {
        m_thread->wait();
    }
}

QString BackupService::folderBeside(const QString& store) {
    return QFileInfo(store).dir().filePath(QString::fromLatin1(BackupWriter::kFolderName));
}

std::optional<BackupEntry> BackupService::newestBackup() const {
    return BackupCatalog::newest(m_folder, m_services.clock.timeZone());
}

void BackupService::backUpIfDueAtStartUp() {
    const std::optional<BackupEntry> newest = newestBackup();
    if (BackupSchedule::dueAtStartUp(newest ? std::optional(newest->writtenAt) : std::nullopt,
                                     m_services.clock.now())) {
        enqueueBackup();
    }
}

void BackupService::noteSaved() {
    const Instant now = m_services.clock.now();
    const QTimeZone zone = m_services.clock.timeZone();
    const QDate today = CalendarMath::toLocal(now, zone).date;
    // Most saves stop here, without a look at the folder.
    if (m_lastTriedDay == today) {
        return;
    }
    const std::optional<BackupEntry> newest = newestBackup();
    if (BackupSchedule::dueAfterSave(newest ? std::optional(newest->localTime.date())
                                            : std::nullopt,
                                     m_lastTriedDay, now, zone)) {
        enqueueBackup();
    }
    m_lastTriedDay = today;
}

void BackupService::backUpNow() {
    enqueueBackup();
}

void BackupService::enqueueBackup() {
    const Clock& clock = m_services.clock;
    m_lastTriedDay = CalendarMath::toLocal(clock.now(), clock.timeZone()).date;
    enqueue([this, store = m_store, folder = m_folder,
             second = m_secondFolder](const std::atomic<bool>& stop, Instant now,
                                      const QTimeZone& zone) -> std::function<void()> {
        BackupOutcome outcome = BackupWriter::write({store, folder, second, now, zone}, &stop);
        return [this, outcome = std::move(outcome)] { report(outcome, true); };
    });
}

void BackupService::backUpTo(const QString& target,
                             std::function<void(const BackupOutcome&)> done) {
    enqueue([this, store = m_store, target, done = std::move(done)](
                const std::atomic<bool>& stop, Instant, const QTimeZone&) -> std::function<void()> {
        BackupOutcome outcome = BackupWriter::writeTo(store, target, &stop);
        return [this, outcome = std::move(outcome), done] {
            report(outcome, false);
            if (done) {
                done(outcome);
            }
        };
    });
}

void BackupService::report(const BackupOutcome& outcome, bool dated) {
    LogChannel& log = m_services.log;
    if (!outcome.written()) {
        log.write(QStringLiteral("Error writing backup: "), outcome.error);
    }
    // A copy on a disk of the user's choosing says nothing of the dated backups.
    if (dated) {
        m_failure = outcome.written() ? std::nullopt : std::optional(outcome.error);
    }
    if (!outcome.secondFolderError.isEmpty()) {
        log.write(QStringLiteral("Error writing backup: "), outcome.secondFolderError);
    }
    for (const QString& error : outcome.removalErrors) {
        log.write(QStringLiteral("Error removing backup: "), error);
    }
    Q_EMIT backupFinished(outcome);
}

void BackupService::restore(const QString& chosen) {
    enqueue([this, chosen, store = m_store,
             folder = m_folder](const std::atomic<bool>& stop, Instant now,
                                const QTimeZone& zone) -> std::function<void()> {
        RestoreOutcome outcome = StoreRestore::restore({chosen, store, folder, now, zone}, &stop);
        return [this, outcome = std::move(outcome)] {
            if (!outcome.restored) {
                m_services.log.write(QStringLiteral("Error restoring backup: "), outcome.error);
            }
            Q_EMIT restoreFinished(outcome);
        };
    });
}

void BackupService::enqueue(Work work) {
    m_queue.push_back(std::move(work));
    runNext();
}

void BackupService::runNext() {
    if (m_thread || m_queue.empty()) {
        return;
    }
    Work work = std::move(m_queue.front());
    m_queue.pop_front();
    // The moment each piece of work begins names what it writes.
    m_thread.reset(QThread::create(
        [this, work = std::move(work), now = m_services.clock.now(),
         zone = m_services.clock.timeZone()] { m_done = work(m_stop, now, zone); }));
    connect(m_thread.get(), &QThread::finished, this, &BackupService::finished);
    m_thread->start(QThread::LowPriority);
    Q_EMIT busyChanged(true);
}

void BackupService::finished() {
    m_thread->wait();
    m_thread.reset();
    std::function<void()> done = std::move(m_done);
    m_done = nullptr;
    if (done) {
        done();
    }
    runNext();
    if (!m_thread) {
        Q_EMIT busyChanged(false);
    }
}
