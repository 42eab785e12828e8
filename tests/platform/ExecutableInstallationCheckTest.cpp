#include "platform/ExecutableInstallationCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}
} // namespace

TEST(ExecutableInstallationCheck, TellsAnInstallationFromABuildFolderAtEveryCall) {
    QTemporaryDir root;
    const QString prefix = root.filePath(QStringLiteral("prefix"));
    const QString program = prefix + QStringLiteral("/bin/quintaver-scheduler");
    const QString entry =
        prefix + QStringLiteral("/share/applications/org.quintaver.Scheduler.desktop");
    touch(program);
    const ExecutableInstallationCheck installed(program);
    EXPECT_FALSE(installed.isInstalledApplication()); // no desktop entry yet

    touch(entry);
    EXPECT_TRUE(installed.isInstalledApplication());

    // A link to the installed program, elsewhere, is the installed program.
    const QString link = root.filePath(QStringLiteral("elsewhere/run-me"));
    QDir().mkpath(root.filePath(QStringLiteral("elsewhere")));
    ASSERT_TRUE(QFile::link(program, link));
    EXPECT_TRUE(ExecutableInstallationCheck(link).isInstalledApplication());

    // Removing the entry is seen at the next call.
    ASSERT_TRUE(QFile::remove(entry));
    EXPECT_FALSE(installed.isInstalledApplication());
}

TEST(ExecutableInstallationCheck, RejectsEverythingThatIsNotTheInstallLayout) {
    QTemporaryDir root;
    const QString entry = QStringLiteral("/share/applications/org.quintaver.Scheduler.desktop");
    // A build folder: the program is not in a bin folder.
    touch(root.filePath(QStringLiteral("build/src/quintaver-scheduler")));
    touch(root.filePath(QStringLiteral("build")) + entry);
    EXPECT_FALSE(
        ExecutableInstallationCheck(root.filePath(QStringLiteral("build/src/quintaver-scheduler")))
            .isInstalledApplication());
    // Another name in an installed prefix.
    touch(root.filePath(QStringLiteral("p/bin/other")));
    touch(root.filePath(QStringLiteral("p")) + entry);
    EXPECT_FALSE(ExecutableInstallationCheck(root.filePath(QStringLiteral("p/bin/other")))
                     .isInstalledApplication());
    // Nothing at that path.
    EXPECT_FALSE(
        ExecutableInstallationCheck(root.filePath(QStringLiteral("p/bin/quintaver-scheduler")))
            .isInstalledApplication());
    // The test program itself runs from the build folder.
    EXPECT_FALSE(ExecutableInstallationCheck().isInstalledApplication());
}
