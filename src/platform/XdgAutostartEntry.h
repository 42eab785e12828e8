#pragma once

#include "platform/AutostartEntry.h"

// The program's entry in the user's autostart folder, as the freedesktop Desktop Application
// Autostart specification describes it: <config home>/autostart/org.quintaver.Scheduler.desktop.
class XdgAutostartEntry final : public AutostartEntry {
public:
    // `configHome` is $XDG_CONFIG_HOME (see defaultConfigHome()); `executable` the program's
    // absolute path.
    XdgAutostartEntry(QString configHome, QString executable);

    static QString defaultConfigHome();

    bool isEnabled() const override;
    std::optional<QString> setEnabled(bool enabled) override;

    QString filePath() const;
    // The entry's text for this executable.
    static QByteArray contents(const QString& executable);

private:
    std::optional<QString> write() const;
    std::optional<QString> remove() const;

    QString m_configHome;
    QString m_executable;
};
