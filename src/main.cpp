#include "app/AppDelegate.h"
#include "app/AppSettings.h"
#include "app/BackupRestorer.h"
#include "app/ContentView.h"
#include "app/SettingsWindow.h"
#include "app/SystemTrayHost.h"
#include "backup/BackupService.h"
#include "calendar/LiveCalendar.h"
#include "contacts/ContactEditView.h"
#include "documents/DocumentRenderer.h"
#include "model/PersistenceController.h"
#include "platform/DBusApplicationObject.h"
#include "platform/DBusNotificationService.h"
#include "platform/LinuxDesktopActions.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "platform/ReminderBus.h"
#include "platform/SingleInstance.h"
#include "platform/SystemClock.h"
#include "platform/UserPreferences.h"
#include "platform/XdgAutostartEntry.h"
#include "policies/PDFShareExport.h"
#include "reminders/NotificationManager.h"
#include "ui/DialogConfirmation.h"

#include <QApplication>
#include <QSessionManager>
#include <QSettings>
#include <QStandardPaths>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The data folder is $XDG_DATA_HOME/quintaver-scheduler, shared with the reminder agent.
    QApplication::setOrganizationName(QString());
    QApplication::setApplicationName(QStringLiteral("quintaver-scheduler"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quintaver Scheduler"));
    QGuiApplication::setDesktopFileName(ReminderBus::kApplicationService);

    // The token a launcher gave this start, by the freedesktop activation protocols.
    const QString activationToken =
        qEnvironmentVariable("XDG_ACTIVATION_TOKEN", qEnvironmentVariable("DESKTOP_STARTUP_ID"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    SingleInstance instance(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), bus);
    // A lock that cannot be made is no second copy: the program runs on, and the store in the
    // same folder says why it cannot open.
    if (instance.claim() == SingleInstance::Claim::HeldElsewhere) {
        if (instance.forwardActivation(ReminderBus::kApplicationService,
                                       ReminderBus::kApplicationPath, activationToken)) {
            return 0;
        }
        LogChannel::standardOutput().write(
            QStringLiteral("Single instance: another copy holds the data folder and does not "
                           "answer"));
        return 1;
    }

    LogChannel& log = LogChannel::standardOutput();
    SystemClock clock;
    // The store opens (and on the first start is created) before any window exists.
    PersistenceController persistence(false, clock, log);
    ManagedObjectContext& context = persistence.container().viewContext();
    // Dated copies of the store beside it; the first save of each day writes one.
    BackupService backups({.clock = clock, .log = log}, persistence.storeFile(),
                          BackupService::folderBeside(persistence.storeFile()));
    // The calendar file beside the store, while the user keeps it (see the settings).
    LiveCalendar calendar({.context = context, .clock = clock, .log = log},
                          LiveCalendar::fileBeside(persistence.storeFile()));
    context.setSavedHandler([&backups, &calendar] {
        backups.noteSaved();
        calendar.noteSaved();
    });
    LinuxDesktopActions desktop(bus);
    DialogConfirmation confirmation;
    // The preferences file, which the reminder agent reads too.
    QSettings settings(UserPreferences::filePath(), QSettings::IniFormat);
    AppSettings preferences(settings, log);
    XdgAutostartEntry autostart(XdgAutostartEntry::defaultConfigHome(),
                                QCoreApplication::applicationFilePath());
    backups.setSecondFolder(preferences.backupSecondFolder());
    SettingsWindow settingsWindow(
        {.settings = preferences,
         .notifications = NotificationManager::programNotificationService(),
         .autostart = autostart,
         .log = log,
         .backups = backups,
         .desktop = desktop,
         .clock = clock,
         .context = context,
         .confirmation = confirmation,
         .calendar = calendar});
    const auto openContactEditor = [&context, &log](QWidget* over) {
        (new ContactEditView({.context = context, .log = log}, nullptr, over))->open();
    };
    // A backup put in the store's place while the program runs: the editors of the window
    // (made below) are asked about and closed first.
    ContentView* shownWindow = nullptr;
    BackupRestorer restorer({
        .persistence = persistence,
        .backups = backups,
        .closeEditors =
            [&shownWindow](std::function<void(bool)> decided) {
                shownWindow->closeEditors(QApplication::activeModalWidget(), std::move(decided));
            },
    });
    NotificationManager& reminders = NotificationManager::shared();
    // Never with a store that did not open: its empty context would cancel every reminder.
    const auto matchReminders = [&persistence, &reminders, &context] {
        if (!persistence.storeProblem()) {
            reminders.matchPendingToStore(context);
        }
    };
    // Documents are read and drawn by quintaver-pdf-renderer, installed beside the program.
    DocumentRenderer documents(DocumentRenderer::besideProgram(), log);
    ContentView window({
        .context = context,
        .reminders = reminders,
        .clock = clock,
        .log = log,
        .desktop = desktop,
        .confirmation = confirmation,
        .exporter = PDFShareExport::forSession(),
        .documents = documents,
        .openContactEditor = openContactEditor,
        .center = NotificationCenter::defaultCenter(),
        .settings = settings,
        .backups = backups,
        .restoreBackup = {.restore =
                              [&restorer](const QString& chosen,
                                          const std::function<void(const RestoreOutcome&)>& done) {
                                  restorer.restore(chosen, done);
                              },
                          .prepare =
                              [&backups](const QString& chosen,
                                         std::function<void(const StoreFileReport&)> checked) {
                                  backups.prepareRestore(chosen, std::move(checked));
                              },
                          .forget = [&backups] { backups.forgetPreparedRestore(); }},
    });
    shownWindow = &window;
    QObject::connect(&window, &ContentView::preferencesRequested, &settingsWindow,
                     &SettingsWindow::present);
    const auto bringForward = [&window, &desktop](const QString& token) {
        desktop.bringForward(window.windowHandle(), token);
    };
    DBusNotificationService& notifications = NotificationManager::programNotificationService();
    notifications.exportApplicationObject();
    QObject::connect(notifications.applicationObject(), &DBusApplicationObject::activated, &window,
                     bringForward);
    QObject::connect(notifications.applicationObject(), &DBusApplicationObject::actionActivated,
                     &window,
                     [bringForward](const QString&, const QVariantList&, const QString& token) {
                         bringForward(token);
                     });
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, bringForward);
    instance.publishOnBus(ReminderBus::kApplicationService);

    // The panel icon and its popover; it knows the main window only as one to bring forward.
    QWidget& mainWidget = window;
    SystemTrayHost trayHost;
    AppDelegate delegate({
        .context = context,
        .clock = clock,
        .desktop = desktop,
        .center = NotificationCenter::defaultCenter(),
        .trayHost = trayHost,
        .mainWindow = [&mainWidget] { return mainWidget.windowHandle(); },
        .requestAuthorization = [] { NotificationManager::shared().requestAuthorization(); },
    });

    QObject::connect(&delegate, &AppDelegate::noticeRequested, &window,
                     [&window](const QString& text) { window.showNotice(text); });
    QObject::connect(&delegate, &AppDelegate::preferencesRequested, &settingsWindow,
                     &SettingsWindow::present);
    QObject::connect(&delegate, &AppDelegate::quitRequested, &window, &ContentView::quit);
    QObject::connect(&delegate, &AppDelegate::eventOpenRequested, &window,
                     [&window](const QUuid& id) { window.openAgendaEvent(id); });
    // An opened event or task reminder leads to its item in the agenda while it is stored;
    // the window itself comes forward through the application object's activation.
    reminders.setOpenedItemHandler([&window](const NotificationManager::OpenedItem& item) {
        return window.openRemindedItem(item);
    });
    // A logout asks about unsaved editors as Quit does; "Annulla" keeps the session.
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager& manager) {
            if (!window.agreeToSessionEnd([&manager] { return manager.allowsInteraction(); })) {
                manager.cancel();
            }
        });
    // "Show in Menu Bar" shows or hides the icon at once.
    delegate.setTrayIconShown(preferences.showMenuBar());
    QObject::connect(&preferences, &AppSettings::showMenuBarChanged, &delegate,
                     &AppDelegate::setTrayIconShown);

    // The screens follow the context through a restore; the reminders are made to match what
    // it then holds, and the page of a store that cannot be opened comes or goes.
    QObject::connect(&restorer, &BackupRestorer::storeReopened, &window,
                     [&window, &persistence, &calendar, &preferences, matchReminders] {
                         if (const std::optional<QString>& problem = persistence.storeProblem()) {
                             window.showStoreProblem(*problem);
                         } else {
                             window.clearStoreProblem();
                             matchReminders();
                             // Kept from now on when the start found no store to keep it from.
                             calendar.setEnabled(preferences.liveCalendar());
                         }
                     });
    if (const std::optional<QString>& problem = persistence.storeProblem()) {
        window.showStoreProblem(*problem);
    }
    // Each new day the window of repeating events moves on a day: the match tops it up.
    QObject::connect(&clock, &Clock::dayChanged, &window, matchReminders);

    window.show();
    // Launching has finished once the window is on screen: the panel icon's popover fetches
    // its rows then, not before the first paint; the reminders are checked against the store
    // and a backup is written when the newest is a day old.
    QObject::connect(&window, &ContentView::firstPainted, &delegate,
                     &AppDelegate::applicationDidFinishLaunching);
    QObject::connect(&window, &ContentView::firstPainted, &backups,
                     [&persistence, &backups, &calendar, &preferences, matchReminders] {
                         matchReminders();
                         if (!persistence.storeProblem()) {
                             backups.backUpIfDueAtStartUp();
                             // Brought up to date, in case the store changed without us.
                             calendar.setEnabled(preferences.liveCalendar());
                         }
                     });
    return QApplication::exec();
}
