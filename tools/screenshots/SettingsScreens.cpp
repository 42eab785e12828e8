#include "SettingsScreens.h"

#include "ScreenCamera.h"

#include "app/AppSettings.h"
#include "app/SettingsView.h"
#include "platform/LogChannel.h"
#include "platform/XdgAutostartEntry.h"
#include "support/InMemoryNotificationService.h"

#include <QApplication>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

bool shootSettingsScreens(ScreenCamera& camera) {
    // Fresh preferences, so every picture shows the defaults.
    const QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
    AppSettings settings(store);
    InMemoryNotificationService notifications;
    XdgAutostartEntry autostart(dir.filePath(QStringLiteral("config")),
                                QStringLiteral("/usr/bin/quintaver-scheduler"));
    SettingsView view(settings, notifications, autostart, LogChannel::standardOutput());
    view.present();
    auto* tabs = view.findChild<QTabWidget*>(QStringLiteral("settingsTabs"));
    bool ok = true;
    const char* names[] = {"settings-general.png", "settings-notifications.png",
                           "settings-about.png"};
    for (int tab = 0; tab < 3; ++tab) {
        tabs->setCurrentIndex(tab);
        // Lets the notification service's answer reach the status row.
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
        }
        ok &= camera.take(view.grab(), QLatin1String(names[tab]));
    }
    return ok;
}
