#include "recovery/RecoveryCommands.h"

#include "backup/BackupService.h"
#include "model/CalendarMath.h"
#include "platform/Clock.h"
#include "recovery/DamagedStorePage.h"
#include "recovery/RestoreSheet.h"
#include "recovery/RestoreTexts.h"

#include <QFileDialog>
#include <QPointer>
#include <QStandardPaths>

RecoveryCommands::RecoveryCommands(Services services, QWidget* window)
    : QObject(window)
    , m_services(std::move(services))
    , m_window(window) {}

void RecoveryCommands::backUpToChosenFile() {
    const Clock& clock = m_services.clock;
    const QDate today = CalendarMath::toLocal(clock.now(), clock.timeZone()).date;
    auto* dialog = new QFileDialog(m_window);
    dialog->setObjectName(QStringLiteral("backupFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("sqlite"));
    dialog->setNameFilters(
        {QStringLiteral("Backup (*.sqlite)"), QStringLiteral("Tutti i file (*)")});
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->selectFile(QStringLiteral("QuintaverModel-%1.sqlite")
                           .arg(today.toString(QStringLiteral("yyyy-MM-dd"))));
    connect(dialog, &QFileDialog::fileSelected, this, &RecoveryCommands::backUpTo);
    dialog->open();
}

void RecoveryCommands::backUpTo(const QString& path) {
    m_services.backups.backUpTo(path, [self = QPointer(this), path](const BackupOutcome& outcome) {
        if (!self) {
            return;
        }
        const QLocale locale = self->m_services.clock.locale();
        Q_EMIT self->notice(
            outcome.written()
                ? QStringLiteral("Backup salvato in %1: %2 e %3.")
                      .arg(path, RestoreTexts::policies(outcome.contents.policies, locale),
                           RestoreTexts::contacts(outcome.contents.contacts, locale))
                : QStringLiteral("Backup non riuscito: ") + outcome.error);
    });
}

RestoreFlow::RestoreBackup RecoveryCommands::restoreWithNotice() {
    RestoreFlow::RestoreBackup withNotice = m_services.restoreBackup;
    withNotice.restore = [this](const QString& chosen,
                                std::function<void(const RestoreOutcome&)> done) {
        const Clock& clock = m_services.clock;
        // Read before the restore, while the chosen file is as the user saw it.
        const QString date = RestoreTexts::dateOf(chosen, clock.timeZone(), clock.locale());
        m_services.restoreBackup.restore(
            chosen,
            [self = QPointer(this), date, done = std::move(done)](const RestoreOutcome& outcome) {
                if (self && outcome.restored) {
                    Q_EMIT self->notice(
                        RestoreTexts::restored(date, outcome, self->m_services.clock.locale()));
                }
                done(outcome);
            });
    };
    return withNotice;
}

RestoreSheet* RecoveryCommands::openRestoreSheet() {
    auto* sheet = new RestoreSheet({.context = m_services.context,
                                    .clock = m_services.clock,
                                    .log = m_services.log,
                                    .confirmation = m_services.confirmation,
                                    .folder = m_services.backups.folder(),
                                    .restoreBackup = restoreWithNotice()},
                                   m_window);
    sheet->open();
    return sheet;
}

DamagedStorePage* RecoveryCommands::damagedStorePage(const QString& why, QWidget* parent) {
    return new DamagedStorePage({.context = m_services.context,
                                 .clock = m_services.clock,
                                 .log = m_services.log,
                                 .confirmation = m_services.confirmation,
                                 .desktop = m_services.desktop,
                                 .folder = m_services.backups.folder(),
                                 .restoreBackup = restoreWithNotice()},
                                why, parent);
}
