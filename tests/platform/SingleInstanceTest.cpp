#include "PrivateBus.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>

namespace {

// Runs the probe program, a stand-in for the program, with a given session bus address.
class Probe {
public:
    Probe(const QString& folder, const QString& busAddress, const QString& token = QString()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        environment.remove(QStringLiteral("DISPLAY")); // no bus autolaunch through X11
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
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
