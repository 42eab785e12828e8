#include "platform/UserPreferences.h"

#include <QSettings>
#include <QStandardPaths>

QString UserPreferences::filePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quintaver-scheduler/quintaver-scheduler.conf");
}

bool UserPreferences::soundEnabled(const QString& file) {
    // A fresh reader each time: the program may have changed the file since the last reminder.
    const QSettings settings(file, QSettings::IniFormat);
    return settings.value(kSoundEnabled, kSoundEnabledDefault).toBool();
}
