#include "app/AppSettings.h"

#include "platform/UserPreferences.h"

#include <QSettings>

AppSettings::AppSettings(QSettings& store, LogChannel& log, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_log(log) {}

bool AppSettings::launchAtLogin() const {
    return m_store.value(UserPreferences::kLaunchAtLogin, UserPreferences::kLaunchAtLoginDefault)
        .toBool();
}

bool AppSettings::showMenuBar() const {
    return m_store.value(UserPreferences::kShowMenuBar, UserPreferences::kShowMenuBarDefault)
        .toBool();
}

int AppSettings::defaultReminderTime() const {
    bool ok = false;
    const int minutes = m_store
                            .value(UserPreferences::kDefaultReminderTime,
                                   UserPreferences::kDefaultReminderTimeDefault)
                            .toInt(&ok);
    return ok ? minutes : UserPreferences::kDefaultReminderTimeDefault;
}

bool AppSettings::soundEnabled() const {
    return m_store.value(UserPreferences::kSoundEnabled, UserPreferences::kSoundEnabledDefault)
        .toBool();
}

QString AppSettings::backupSecondFolder() const {
    return m_store.value(UserPreferences::kBackupSecondFolder).toString();
}

QString AppSettings::reportHeading() const {
    return m_store.value(UserPreferences::kReportHeading).toString();
}

bool AppSettings::liveCalendar() const {
    return m_store.value(UserPreferences::kLiveCalendar, UserPreferences::kLiveCalendarDefault)
        .toBool();
}

void AppSettings::setLaunchAtLogin(bool on) {
    if (store(UserPreferences::kLaunchAtLogin, on, launchAtLogin())) {
        Q_EMIT launchAtLoginChanged(on);
    }
}

void AppSettings::setShowMenuBar(bool on) {
    if (store(UserPreferences::kShowMenuBar, on, showMenuBar())) {
        Q_EMIT showMenuBarChanged(on);
    }
}

void AppSettings::setDefaultReminderTime(int minutes) {
    if (store(UserPreferences::kDefaultReminderTime, minutes, defaultReminderTime())) {
        Q_EMIT defaultReminderTimeChanged(minutes);
    }
}

void AppSettings::setSoundEnabled(bool on) {
    if (store(UserPreferences::kSoundEnabled, on, soundEnabled())) {
        Q_EMIT soundEnabledChanged(on);
    }
}

void AppSettings::setBackupSecondFolder(const QString& folder) {
    if (store(UserPreferences::kBackupSecondFolder, folder, backupSecondFolder())) {
        Q_EMIT backupSecondFolderChanged(folder);
    }
}

void AppSettings::setReportHeading(const QString& heading) {
    if (store(UserPreferences::kReportHeading, heading, reportHeading())) {
        Q_EMIT reportHeadingChanged(heading);
    }
}

void AppSettings::setLiveCalendar(bool on) {
    if (store(UserPreferences::kLiveCalendar, on, liveCalendar())) {
        Q_EMIT liveCalendarChanged(on);
    }
}

bool AppSettings::store(const QString& key, const QVariant& value, const QVariant& current) {
    if (value == current) {
        return false;
    }
    m_store.setValue(key, value);
    // The reminder agent reads the file itself, at its next reminder.
    m_store.sync();
    // The store keeps its first error for good, so it is reported once.
    if (m_store.status() != QSettings::NoError && !m_failureReported) {
        m_failureReported = true;
        m_log.write(QStringLiteral("Error saving preferences: "),
                    m_store.fileName() + QStringLiteral(" cannot be written"));
    }
    return true;
}
