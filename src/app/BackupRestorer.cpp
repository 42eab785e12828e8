#include "app/BackupRestorer.h"

#include "backup/BackupService.h"
#include "model/PersistenceController.h"

#include <QPointer>

#include <utility>

BackupRestorer::BackupRestorer(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services)) {
    connect(&m_services.backups, &BackupService::restoreFinished, this, &BackupRestorer::finish);
}

void BackupRestorer::restore(const QString& chosen, Done done) {
    if (m_done) {
        RestoreOutcome refused;
        refused.error = QStringLiteral("Another restore is under way");
        done(refused);
        return;
    }
    m_done = std::move(done);
    m_services.closeEditors([self = QPointer(this), chosen](bool agreed) {
        if (!self) {
            return;
        }
        if (agreed) {
            self->start(chosen);
        } else {
            self->m_done = nullptr;
            self->m_services.backups.forgetPreparedRestore();
        }
    });
}

void BackupRestorer::start(const QString& chosen) {
    // Nothing may hold the file while another takes its place; the objects stay on screen
    // until the store opens again.
    m_services.persistence.close();
    m_services.backups.restore(chosen);
}

void BackupRestorer::finish(const RestoreOutcome& outcome) {
    if (!m_done) {
        return;
    }
    // The restored store, or the old one when the restore changed nothing.
    m_services.persistence.reopen();
    Q_EMIT storeReopened();
    std::exchange(m_done, nullptr)(outcome);
}
