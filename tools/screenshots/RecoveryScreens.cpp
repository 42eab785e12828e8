#include "RecoveryScreens.h"

#include "ScreenCamera.h"

#include "app/AppSettings.h"
#include "app/ContentView.h"
#include "app/SettingsView.h"
#include "calendar/LiveCalendar.h"
#include "model/Contact.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/Clock.h"
#include "platform/XdgAutostartEntry.h"
#include "recovery/DamagedStorePage.h"
#include "recovery/RestoreSheet.h"
#include "support/ScreenWorld.h"
#include "support/WaitUntil.h"
#include "ui/DialogConfirmation.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>

namespace {

// A store file of that many policies and contacts.
bool writeStore(const QString& path, int policies, int contacts, const Clock& clock,
                LogChannel& log) {
    PersistenceController controller(path, clock, log);
    ManagedObjectContext& context = controller.container().viewContext();
    for (int i = 0; i < contacts; ++i) {
        context.insert<Contact>()->setLastName(QStringLiteral("Cliente %1").arg(i));
    }
    for (int i = 0; i < policies; ++i) {
        auto policy = context.insert<Policy>();
        policy->setName(QStringLiteral("Polizza %1").arg(i));
        policy->setPolicyNumber(QStringLiteral("N-%1").arg(i));
        policy->setProvider(QStringLiteral("Generali"));
        policy->setExpirationDate(Instant(clock.now().msSinceEpoch() + i * 86'400'000LL));
    }
    return context.save();
}

bool settle(const std::function<bool()>& ready) {
    const bool done = waitUntil(ready, 30000);
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
    return done;
}

bool shootSheet(ScreenCamera& camera, RestoreSheet& sheet, const char* name) {
    QApplication::processEvents();
    sheet.resize(sheet.width(), sheet.findChild<QScrollArea*>()->widget()->sizeHint().height());
    QApplication::processEvents();
    return camera.take(sheet.grab(), QLatin1String(name));
}

bool shootRestoreSheet(ScreenCamera& camera, ScreenWorld& world, ManagedObjectContext& context,
                       const QString& notAStore) {
    RestoreSheet sheet({.context = context,
                        .clock = world.clock,
                        .log = world.log,
                        .confirmation = world.confirmation,
                        .folder = world.backups.folder(),
                        .restoreBackup = world.restoreBackup()});
    sheet.setAttribute(Qt::WA_DeleteOnClose, false);
    sheet.show();
    bool ok = settle([&sheet] { return !sheet.isListing(); });
    ok &= shootSheet(camera, sheet, "restore-sheet.png");

    sheet.saveNow();
    QMessageBox* question = nullptr;
    ok &= settle([&] {
        question = sheet.findChild<QMessageBox*>(QStringLiteral("confirmationDialog"));
        return question && question->isVisible();
    });
    ok &= question && camera.take(question->grab(), QStringLiteral("restore-confirmation.png"));
    if (question) {
        question->reject();
    }

    sheet.restoreFile(notAStore);
    ok &= settle([&sheet] { return sheet.flow().phase() == RestoreFlow::Phase::Idle; });
    ok &= shootSheet(camera, sheet, "restore-sheet-refused.png");
    sheet.close();
    return ok;
}

bool shootDamagedStore(ScreenCamera& camera, ScreenWorld& world, ManagedObjectContext& context) {
    QSettings settings(world.exports.filePath(QStringLiteral("window.ini")), QSettings::IniFormat);
    ContentView window(world.window(context, settings));
    window.resize(1180, 720);
    window.show();
    window.showStoreProblem(QStringLiteral("Error loading persistent stores: file is not a "
                                           "database"));
    DamagedStorePage* page = window.storeProblem();
    const bool ok = settle([page] { return !page->isLooking(); });
    return camera.take(window.grab(), QStringLiteral("damaged-store.png")) && ok;
}

bool shootBackupTab(ScreenCamera& camera, ScreenWorld& world, ManagedObjectContext& context) {
    QSettings store(world.exports.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
    AppSettings settings(store, world.log);
    settings.setBackupSecondFolder(QStringLiteral("/media/giulia/BACKUP/Quintaver"));
    XdgAutostartEntry autostart(world.exports.filePath(QStringLiteral("config")),
                                QStringLiteral("/usr/bin/quintaver-scheduler"));
    LiveCalendar calendar({context, world.clock, world.log},
                          world.exports.filePath(QStringLiteral("Quintaver.ics")));
    SettingsView view({.settings = settings,
                       .notifications = world.notifications,
                       .autostart = autostart,
                       .log = world.log,
                       .backups = world.backups,
                       .desktop = world.desktop,
                       .clock = world.clock,
                       .context = context,
                       .confirmation = world.confirmation,
                       .calendar = calendar});
    view.present();
    auto* tabs = view.findChild<QTabWidget*>(QStringLiteral("settingsTabs"));
    tabs->setCurrentWidget(view.findChild<QWidget*>(QStringLiteral("backupSettings")));
    BackupService& backups = world.backups;
    backups.backUpNow();
    bool ok = settle([&backups] { return !backups.isBusy(); });
    ok &= camera.take(view.grab(), QStringLiteral("settings-backup.png"));

    // The folder of backups replaced by a file: the next backup fails, and says why.
    const QString folder = backups.folder();
    const QString moved = folder + QStringLiteral("-moved");
    ok &= QDir().rename(folder, moved);
    QFile blocker(folder);
    ok &= blocker.open(QIODevice::WriteOnly);
    blocker.close();
    backups.backUpNow();
    ok &= settle([&backups] { return !backups.isBusy(); }) && backups.failure().has_value();
    ok &= camera.take(view.grab(), QStringLiteral("settings-backup-failure.png"));
    QFile::remove(folder);
    return ok && QDir().rename(moved, folder);
}

} // namespace

bool shootRecoveryScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log) {
    DialogConfirmation confirmation;
    ScreenWorld world(clock, log, {.installed = false, .confirmation = &confirmation});
    const QDir exports(world.exports.path());
    bool ok = QDir().mkpath(world.backups.folder());
    const QDir folder(world.backups.folder());
    ok &= writeStore(exports.filePath(QStringLiteral("QuintaverModel.sqlite")), 48, 21, clock, log);
    ok &= writeStore(folder.filePath(QStringLiteral("QuintaverModel-2026-03-10-083000.sqlite")), 48,
                     21, clock, log);
    ok &= writeStore(folder.filePath(QStringLiteral("QuintaverModel-2026-03-09-181500.sqlite")), 47,
                     21, clock, log);
    ok &= writeStore(folder.filePath(QStringLiteral("QuintaverModel-2026-02-28-091000.sqlite")), 41,
                     19, clock, log);
    const QString notAStore = exports.filePath(QStringLiteral("Polizze.sqlite"));
    QFile text(notAStore);
    ok &= text.open(QIODevice::WriteOnly) && text.write("Nome;Cognome\r\n") > 0;
    text.close();

    // The book as the screens hold it now.
    PersistenceController now(exports.filePath(QStringLiteral("QuintaverModel.sqlite")), clock,
                              log);
    ManagedObjectContext& context = now.container().viewContext();
    ok &= shootRestoreSheet(camera, world, context, notAStore);
    ok &= shootDamagedStore(camera, world, context);
    ok &= shootBackupTab(camera, world, context);
    QApplication::processEvents();
    return ok;
}
