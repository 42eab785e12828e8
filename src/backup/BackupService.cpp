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
    if (m_preparing) {
        *m_preparing = true;
    }
    if (m_thread) {
        m_thread->wait();
    }
    // What was made ready for a restore never to come goes now, not with a queue that dies
    // here; the hidden copy would otherwise stay until the next restore.
    for (std::shared_ptr<PreparedRestore>* kept : {&m_prepared, &m_preparingFor}) {
        if (*kept) {
            m_discards.push_back(std::move(*kept));
        }
    }
    for (const std::shared_ptr<PreparedRestore>& prepared : m_discards) {
        StoreRestore::discard(std::move(*prepared));
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
    std::shared_ptr<PreparedRestore> prepared;
    if (m_prepared && m_prepared->chosen == chosen) {
        prepared = std::exchange(m_prepared, nullptr);
    }
    forgetPreparedRestore();
    enqueue([this, chosen, store = m_store, folder = m_folder,
             prepared](const std::atomic<bool>& stop, Instant now,
                       const QTimeZone& zone) -> std::function<void()> {
        const RestoreRequest request{chosen, store, folder, now, zone};
        RestoreOutcome outcome = prepared
                                     ? StoreRestore::commit(request, std::move(*prepared), &stop)
                                     : StoreRestore::restore(request, &stop);
        return [this, outcome = std::move(outcome)] {
            if (!outcome.restored) {
                m_services.log.write(QStringLiteral("Error restoring backup: "), outcome.error);
            }
            Q_EMIT restoreFinished(outcome);
        };
    });
}

void BackupService::prepareRestore(const QString& chosen,
                                   std::function<void(const StoreFileReport&)> checked) {
    forgetPreparedRestore();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_preparing = stop;
    auto prepared = std::make_shared<PreparedRestore>();
    m_preparingFor = prepared;
    enqueue([this, chosen, store = m_store, folder = m_folder, stop, prepared,
             checked = std::move(checked)](const std::atomic<bool>&, Instant now,
                                           const QTimeZone& zone) -> std::function<void()> {
        *prepared = StoreRestore::prepare({chosen, store, folder, now, zone}, stop.get());
        return [this, prepared, stop, checked] {
            if (m_preparingFor == prepared) {
                m_preparingFor.reset();
            }
            if (*stop) {
                // Forgotten while it ran.
                enqueueDiscard(prepared);
                return;
            }
            m_preparing.reset();
            if (prepared->error.isEmpty()) {
                m_prepared = prepared;
            }
            checked(prepared->contents);
        };
    });
}

void BackupService::forgetPreparedRestore() {
    if (m_preparing) {
        *std::exchange(m_preparing, nullptr) = true;
    }
    if (m_prepared) {
        enqueueDiscard(std::exchange(m_prepared, nullptr));
    }
}

void BackupService::enqueueDiscard(const std::shared_ptr<PreparedRestore>& prepared) {
    m_discards.push_back(prepared);
    enqueue([this, prepared](const std::atomic<bool>&, Instant,
                             const QTimeZone&) -> std::function<void()> {
        StoreRestore::discard(std::move(*prepared));
        return [this, prepared] { std::erase(m_discards, prepared); };
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
