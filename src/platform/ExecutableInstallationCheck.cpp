#include "platform/ExecutableInstallationCheck.h"

#include <QDir>
#include <QFileInfo>

ExecutableInstallationCheck::ExecutableInstallationCheck()
    : ExecutableInstallationCheck(QStringLiteral("/proc/self/exe")) {}

ExecutableInstallationCheck::ExecutableInstallationCheck(QString executablePath)
    : m_executablePath(std::move(executablePath)) {}

bool ExecutableInstallationCheck::isInstalledApplication() const {
    // Resolve links (/proc/self/exe, or a link in a bin folder) to the file that runs.
    const QFileInfo executable(QFileInfo(m_executablePath).canonicalFilePath());
    if (!executable.exists() || executable.fileName() != u"quintaver-scheduler") {
        return false;
    }
    QDir bin = executable.dir();
    if (bin.dirName() != u"bin" || !bin.cdUp()) {
        return false;
    }
    return QFileInfo(
               bin.filePath(QStringLiteral("share/applications/org.quintaver.Scheduler.desktop")))
        .isFile();
}
