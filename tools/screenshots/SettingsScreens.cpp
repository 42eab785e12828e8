#include "SettingsScreens.h"

#include "ScreenCamera.h"

#include "app/AppSettings.h"
#include "app/SettingsView.h"
#include "backup/BackupService.h"
#include "calendar/LiveCalendar.h"
#include "platform/LogChannel.h"
#include "platform/XdgAutostartEntry.h"
#include "support/FakeConfirmation.h"
#include "support/FakeDesktopActions.h"
#include "support/InMemoryNotificationService.h"
#include "support/ManualClock.h"

#include <QApplication>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

bool shootSettingsScreens(ScreenCamera& camera, ManagedObjectContext& context) {
    // Fresh preferences, so every picture shows the defaults.
    const QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
    AppSettings settings(store);
    InMemoryNotificationService notifications;
    XdgAutostartEntry autostart(dir.filePath(QStringLiteral("config")),
                                QStringLiteral("/usr/bin/quintaver-scheduler"));
    // The Backup tab has pictures of its own, with backups (see RecoveryScreens).
    const ManualClock clock(Instant(0));
    LogChannel& log = LogChannel::standardOutput();
    BackupService backups({clock, log}, dir.filePath(QStringLiteral("QuintaverModel.sqlite")),
                          dir.filePath(QStringLiteral("backups")));
    FakeDesktopActions desktop;
    FakeConfirmation confirmation;
    // The calendar kept, at the address a user's data folder gives it; nothing is written.
    settings.setLiveCalendar(true);
    LiveCalendar calendar({context, clock, log},
                          QStringLiteral("/home/giulia/.local/share/quintaver-scheduler/"
                                         "Quintaver.ics"));
    SettingsView view({.settings = settings,
                       .notifications = notifications,
                       .autostart = autostart,
                       .log = log,
                       .backups = backups,
                       .desktop = desktop,
                       .clock = clock,
                       .context = context,
                       .confirmation = confirmation,
                       .calendar = calendar});
    view.present();
    auto* tabs = view.findChild<QTabWidget*>(QStringLiteral("settingsTabs"));
    bool ok = true;
    const std::pair<int, const char*> pictures[] = {{0, "settings-general.png"},
                                                    {1, "settings-notifications.png"},
                                                    {3, "settings-calendar.png"},
                                                    {4, "settings-categories.png"},
                                                    {5, "settings-about.png"}};
    for (const auto& [tab, name] : pictures) {
        tabs->setCurrentIndex(tab);
        // Lets the notification service's answer reach the status row.
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
        }
        ok &= camera.take(view.grab(), QLatin1String(name));
    }
    return ok;
}
