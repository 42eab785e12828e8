#pragma once

#include "platform/InstallationCheck.h"

#include <QString>

// The program is installed when its executable is <prefix>/bin/quintaver-scheduler and the
// same prefix holds its desktop entry, share/applications/org.quintaver.Scheduler.desktop:
// exactly what the install step puts in place, and what a build folder never has.
class ExecutableInstallationCheck final : public InstallationCheck {
public:
    // The running program's own executable.
    ExecutableInstallationCheck();
    // Another executable path, for tests.
    explicit ExecutableInstallationCheck(QString executablePath);

    bool isInstalledApplication() const override;

private:
    QString m_executablePath;
};
