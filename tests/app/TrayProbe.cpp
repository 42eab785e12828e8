// The panel icon, its popover and the main window over a seeded in-memory store, wired as the
// program wires them, on the real display and session bus it is started with. It prints what
// a user would see, one line per change, for the end-to-end tests that drive it from outside:
//   icon <x> <y> <width> <height>     the icon sits in an XEmbed tray there
//   popover policies=<n> policy=<x>,<y>  the popover opened; the count in its "Polizze" tile
//                                     and the centre of its "Policy" button on screen
//   sheet                             the main window's new-policy sheet is open
#include "app/AppDelegate.h"
#include "app/ContentView.h"
#include "app/MenuBarView.h"
#include "app/MiniStat.h"
#include "app/Popover.h"
#include "app/SystemTrayHost.h"
#include "backup/BackupService.h"
#include "documents/DocumentRenderer.h"
#include "model/CalendarMath.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/InstallationCheck.h"
#include "platform/LinuxDesktopActions.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "platform/SystemClock.h"
#include "policies/PDFShareExport.h"
#include "reminders/NotificationManager.h"
#include "support/FakeConfirmation.h"
#include "support/InMemoryNotificationService.h"

#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

class Installed final : public InstallationCheck {
public:
    bool isInstalledApplication() const override { return true; }
};

// Policies expiring in 5, 10 and 20 days need attention; one in 100 days does not.
void seed(ManagedObjectContext& context, const Clock& clock) {
    for (const int days : {5, 10, 20, 100}) {
        auto policy = context.insert<Policy>();
        policy->setName(QStringLiteral("Polizza %1").arg(days));
        policy->setPolicyNumber(QStringLiteral("N-%1").arg(days));
        policy->setProvider(QStringLiteral("Generali"));
        policy->setExpirationDate(*CalendarMath::addDays(clock.now(), days, clock.timeZone()));
        policy->setReminderDays(30);
    }
    context.save();
}

void say(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir folder;
    SystemClock clock;
    LogChannel& log = LogChannel::standardOutput();
    PersistenceController store(true, clock, log);
    ManagedObjectContext& context = store.container().viewContext();
    seed(context, clock);

    NotificationCenter& center = NotificationCenter::defaultCenter();
    InMemoryNotificationService service;
    Installed installed;
    auto reminders = NotificationManager::make({service, installed, clock, log, center});
    LinuxDesktopActions desktop(QDBusConnection::sessionBus());
    FakeConfirmation confirmation;
    QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    DocumentRenderer documents(DocumentRenderer::besideProgram(), log);
    BackupService backups({clock, log}, folder.filePath(QStringLiteral("QuintaverModel.sqlite")),
                          folder.filePath(QStringLiteral("backups")));
    ContentView window({.context = context,
                        .reminders = *reminders,
                        .clock = clock,
                        .log = log,
                        .desktop = desktop,
                        .confirmation = confirmation,
                        .exporter = PDFShareExport(folder.path(), QString()),
                        .documents = documents,
                        .openContactEditor = {},
                        .center = center,
                        .settings = settings,
                        .backups = backups,
                        .restoreBackup = {}});
    QWidget& mainWidget = window;
    SystemTrayHost trayHost;
    AppDelegate delegate({
        .context = context,
        .clock = clock,
        .desktop = desktop,
        .center = center,
        .trayHost = trayHost,
        .mainWindow = [&mainWidget] { return mainWidget.windowHandle(); },
        .requestAuthorization = [&reminders] { reminders->requestAuthorization(); },
    });
    QObject::connect(&delegate, &AppDelegate::quitRequested, &window, &ContentView::quit);
    window.show();
    QObject::connect(&window, &ContentView::firstPainted, &delegate,
                     &AppDelegate::applicationDidFinishLaunching);

    QString last;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        QStringList lines;
        QSystemTrayIcon* icon = delegate.statusBarItem();
        if (icon && icon->isVisible() && icon->geometry().isValid()) {
            const QRect r = icon->geometry();
            lines << QStringLiteral("icon %1 %2 %3 %4")
                         .arg(r.x())
                         .arg(r.y())
                         .arg(r.width())
                         .arg(r.height());
        }
        Popover* popover = delegate.popover();
        if (popover && popover->isVisible() && popover->windowHandle()->isExposed()) {
            const auto* tile =
                delegate.menuBarView()->findChild<MiniStat*>(QStringLiteral("policiesStat"));
            QPoint policy;
            for (QPushButton* button : delegate.menuBarView()->findChildren<QPushButton*>()) {
                if (button->text() == QStringLiteral("Policy")) {
                    policy = popover->geometry().topLeft() +
                             button->mapTo(popover, button->rect().center());
                }
            }
            lines << QStringLiteral("popover policies=%1 policy=%2,%3")
                         .arg(tile->count())
                         .arg(policy.x())
                         .arg(policy.y());
        }
        const auto* sheet = window.findChild<QWidget*>(QStringLiteral("policyEditView"));
        if (sheet && sheet->isVisible()) {
            lines << QStringLiteral("sheet");
        }
        const QString now = lines.join(u'\n');
        if (now != last && !now.isEmpty()) {
            say(now);
        }
        last = now;
    });
    report.start(100);
    return QApplication::exec();
}
