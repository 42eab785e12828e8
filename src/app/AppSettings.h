#pragma once

#include "platform/LogChannel.h"

#include <QObject>

class QSettings;

// The preferences of the settings window, typed, over a settings store the caller owns
// (the user's file in the program, a temporary one in tests). Each setter writes the store at
// once and signals only a real change; a file that cannot be written is reported once, and the
// value holds until the program ends.
class AppSettings final : public QObject {
    Q_OBJECT
public:
    explicit AppSettings(QSettings& store, LogChannel& log = LogChannel::standardOutput(),
                         QObject* parent = nullptr);

    bool launchAtLogin() const;
    bool showMenuBar() const;
    // Minutes; any stored number, also one the window does not offer.
    int defaultReminderTime() const;
    bool soundEnabled() const;
    // Where each backup is also copied; empty for nowhere.
    QString backupSecondFolder() const;
    // The agency's line at the top of a printed renewal report; empty for none.
    QString reportHeading() const;
    // Whether the calendar file beside the store is kept up to date.
    bool liveCalendar() const;

    void setLaunchAtLogin(bool on);
    void setShowMenuBar(bool on);
    void setDefaultReminderTime(int minutes);
    void setSoundEnabled(bool on);
    void setBackupSecondFolder(const QString& folder);
    void setReportHeading(const QString& heading);
    void setLiveCalendar(bool on);

Q_SIGNALS:
    void launchAtLoginChanged(bool on);
    // The panel icon follows this at once.
    void showMenuBarChanged(bool shown);
    void defaultReminderTimeChanged(int minutes);
    void soundEnabledChanged(bool on);
    void backupSecondFolderChanged(const QString& folder);
    void reportHeadingChanged(const QString& heading);
    void liveCalendarChanged(bool on);

private:
    // Writes and flushes; true when the value changed.
    bool store(const QString& key, const QVariant& value, const QVariant& current);

    QSettings& m_store;
    LogChannel& m_log;
    bool m_failureReported = false;
};
