#include "PrivateBus.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

// Runs the probe program, a stand-in for the program, with a given session bus address.
class Probe {
public:
    Probe(const QString& folder, const QString& busAddress, const QString& token = QString(),
          bool unprivileged = false) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        environment.remove(QStringLiteral("DISPLAY")); // no bus autolaunch through X11
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (unprivileged && ::geteuid() == 0) {
            // Root may write any folder: the probe runs as an account the modes bind.
            m_process.setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 ||
                    ::setuid(kNobody) != 0) {
                    ::_exit(127);
                }
            });
        }
        m_process.start(QStringLiteral(QS_SINGLE_INSTANCE_PROBE), {folder, token});
    }
    ~Probe() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // The next line the probe says, or an empty text when it says nothing in time.
    QString nextLine() {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000)) {
                return QString();
            }
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    int exitCode() {
        m_process.waitForFinished(10000);
        return m_process.exitCode();
    }
    void crash() {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
};

const QString kNoBus = QStringLiteral("unix:path=/nonexistent/bus");

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

// A folder for an unprivileged probe: its own when the test runs as root.
void handOver(const QString& path) {
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
    }
}

// The lock makes missing folders private, leaves the mode of a folder that exists as its user
// set it, and a lock that cannot be made (an unwritable folder, a folder that cannot exist) is
// no second copy: the program runs on.
TEST(SingleInstance, FoldersItMakesArePrivateAndAFolderItCannotLockIsNoSecondCopy) {
    QTemporaryDir root;
    handOver(root.path());
    const QString made = root.filePath(QStringLiteral("share/quintaver-scheduler"));
    {
        Probe probe(made, kNoBus, QString(), true);
        EXPECT_EQ(probe.nextLine(), QStringLiteral("primary"));
    }
    EXPECT_EQ(modeOf(root.filePath(QStringLiteral("share"))), mode_t(0700));
    EXPECT_EQ(modeOf(made), mode_t(0700));

    for (const mode_t mode : {mode_t(0750), mode_t(0500)}) {
        const QString folder = root.filePath(QString::number(mode, 8));
        ASSERT_TRUE(QDir().mkdir(folder));
        handOver(folder);
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), mode), 0);
        Probe probe(folder, kNoBus, QString(), true);
        if (mode == 0500) {
            EXPECT_EQ(probe.nextLine().toStdString(), "not locked: Cannot open the lock file " +
                                                          folder.toStdString() +
                                                          "/instance.lock: Permission denied");
        }
        EXPECT_EQ(probe.nextLine(), QStringLiteral("primary"));
        EXPECT_EQ(modeOf(folder), mode);
    }

    QFile plain(root.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    Probe probe(plain.fileName() + QStringLiteral("/quintaver-scheduler"), kNoBus);
    EXPECT_EQ(probe.nextLine().toStdString(), "not locked: Cannot create the folder " +
                                                  plain.fileName().toStdString() +
                                                  "/quintaver-scheduler: Not a directory");
    EXPECT_EQ(probe.nextLine(), QStringLiteral("primary"));
}

TEST(SingleInstance, WithoutABusASecondStartHandsItsActivationToTheFirst) {
    QTemporaryDir folder;
    Probe first(folder.path(), kNoBus);
    ASSERT_EQ(first.nextLine(), QStringLiteral("primary"));

    Probe second(folder.path(), kNoBus, QStringLiteral("token-2"));
    EXPECT_EQ(second.nextLine(), QStringLiteral("forwarded"));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.nextLine(), QStringLiteral("activated socket token-2"));

    Probe third(folder.path(), kNoBus);
    EXPECT_EQ(third.nextLine(), QStringLiteral("forwarded"));
    EXPECT_EQ(first.nextLine(), QStringLiteral("activated socket"));
}

TEST(SingleInstance, AFirstProgramThatCrashedLeavesNothingThatStopsTheNextStart) {
    QTemporaryDir folder;
    {
        Probe crashed(folder.path(), kNoBus);
        ASSERT_EQ(crashed.nextLine(), QStringLiteral("primary"));
        crashed.crash();
    }
    // Its lock file and socket file are still there; neither stops the next program.
    Probe next(folder.path(), kNoBus);
    EXPECT_EQ(next.nextLine(), QStringLiteral("primary"));
    Probe later(folder.path(), kNoBus, QStringLiteral("t"));
    EXPECT_EQ(later.nextLine(), QStringLiteral("forwarded"));
    EXPECT_EQ(next.nextLine(), QStringLiteral("activated socket t"));
}

} // namespace

TEST(SingleInstance, OnASessionBusTheFirstOwnsTheNameAndIsActivatedThroughIt) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QTemporaryDir folder;
    Probe first(folder.path(), bus.address());
    ASSERT_EQ(first.nextLine(), QStringLiteral("primary on bus"));

    Probe second(folder.path(), bus.address(), QStringLiteral("wayland-token"));
    EXPECT_EQ(second.nextLine(), QStringLiteral("forwarded"));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.nextLine(), QStringLiteral("activated bus wayland-token"));

    // A second program with another data folder still finds the one on the bus.
    QTemporaryDir otherFolder;
    Probe other(otherFolder.path(), bus.address());
    EXPECT_EQ(other.nextLine(), QStringLiteral("primary"));
}
