#pragma once

#include <QString>

// The user's preferences file and the keys in it. The program writes it; the reminder agent
// reads the sound choice from it at each reminder, so a change applies to reminders already
// pending, whether or not the program is running.
class UserPreferences final {
public:
    static inline const QString kLaunchAtLogin = QStringLiteral("launchAtLogin");
    static inline const QString kShowMenuBar = QStringLiteral("showMenuBar");
    static inline const QString kDefaultReminderTime = QStringLiteral("defaultReminderTime");
    static inline const QString kSoundEnabled = QStringLiteral("soundEnabled");
    // The folder each verified backup is also copied into; empty or missing for none.
    static inline const QString kBackupSecondFolder = QStringLiteral("backupSecondFolder");
    // The agency's line at the top of a printed renewal report; empty or missing for none.
    static inline const QString kReportHeading = QStringLiteral("reportHeading");
    // Whether the calendar file beside the store is kept up to date.
    static inline const QString kLiveCalendar = QStringLiteral("liveCalendar");

    static constexpr bool kLaunchAtLoginDefault = false;
    static constexpr bool kShowMenuBarDefault = true;
    static constexpr int kDefaultReminderTimeDefault = 15;
    static constexpr bool kSoundEnabledDefault = true;
    static constexpr bool kLiveCalendarDefault = false;

    // $XDG_CONFIG_HOME/quintaver-scheduler/quintaver-scheduler.conf, an INI file: where a
    // QSettings for the program's name keeps the user's settings.
    static QString filePath();
    // The sound choice as the file holds it now; the default when the file or the key is
    // missing or unreadable.
    static bool soundEnabled(const QString& file);
};
