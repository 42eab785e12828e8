// The installed program end to end, with real parts: the build installed into a temporary
// prefix, a session bus that starts the program and its reminder agent from that prefix, and
// dunst showing notifications on the virtual display that the test command starts.
#include "PrivateBus.h"
#include "model/CalendarMath.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/DBusNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "platform/ReminderBus.h"
#include "reminders/NotificationManager.h"
#include "support/ManualClock.h"
#include "support/WaitUntil.h"

#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>

#include <signal.h>

namespace {

class InstalledCheck final : public InstallationCheck {
public:
    bool isInstalledApplication() const override { return true; }
};

// A helper process that the test stops when it ends.
class Helper final {
public:
    Helper(const QString& program, const QStringList& arguments, const QString& busAddress) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        m_process.setProcessEnvironment(environment);
        m_process.start(program, arguments);
    }
    ~Helper() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool started() { return m_process.waitForStarted(5000); }
    // Everything it printed so far.
    QString output() {
        m_output += QString::fromUtf8(m_process.readAllStandardOutput());
        return m_output;
    }

private:
    QProcess m_process;
    QString m_output;
};

bool run(const QString& program, const QStringList& arguments, const QString& busAddress = {}) {
    QProcess process;
    if (!busAddress.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        process.setProcessEnvironment(environment);
    }
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    return process.waitForFinished(120'000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

TEST(ProgramEndToEnd, AReminderOpenedFromTheDesktopStartsTheInstalledProgramOnce) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "needs the virtual display of the test command";
    }
    QTemporaryDir root;
    const QString prefix = root.filePath(QStringLiteral("prefix"));
    ASSERT_TRUE(
        run(QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(QS_BUILD_DIR),
                                      QStringLiteral("--prefix"), prefix}));

    // Programs the bus starts get a home of their own and draw off screen.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    PrivateBus bus(prefix + QStringLiteral("/share/dbus-1/services"), environment);
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection connection = bus.connect();

    Helper dunst(QStringLiteral("dunst"), {QStringLiteral("-print")}, bus.address());
    ASSERT_TRUE(dunst.started());
    ASSERT_TRUE(waitUntil(
        [&] {
            return connection.interface()
                ->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications"))
                .value();
        },
        10'000));
    Helper monitor(QStringLiteral("dbus-monitor"),
                   {QStringLiteral("--address"), bus.address(),
                    QStringLiteral("type='method_call',interface='org.freedesktop.Application'")},
                   bus.address());
    ASSERT_TRUE(monitor.started());

    // A policy saved through the core whose 30-day reminder falls on the next whole minute.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    qint64 minuteMs = (QDateTime::currentMSecsSinceEpoch() / 60'000 + 1) * 60'000;
    if (minuteMs - QDateTime::currentMSecsSinceEpoch() < 8'000) {
        minuteMs += 60'000;
    }
    ManualClock clock(Instant(QDateTime::currentMSecsSinceEpoch()), zone);
    PersistenceController store(true, clock, LogChannel::standardOutput());
    auto policy = store.container().viewContext().insert<Policy>();
    const QString marker = QUuid::createUuid().toString(QUuid::WithoutBraces).left(8);
    policy->setName(QStringLiteral("Casa ") + marker);
    policy->setPolicyNumber(QStringLiteral("P-1"));
    policy->setProvider(QStringLiteral("Generali"));
    policy->setExpirationDate(*CalendarMath::addDays(Instant(minuteMs), 30, zone));
    policy->setCustomReminderDays(QStringLiteral("30"));
    ASSERT_TRUE(store.container().viewContext().save());

    DBusNotificationService notifications(connection);
    InstalledCheck installed;
    NotificationCenter center;
    auto manager = NotificationManager::make(
        {notifications, installed, clock, LogChannel::standardOutput(), center});
    manager->schedulePolicyReminder(*policy);
    const QString identifier = QStringLiteral("policy-") +
                               NotificationManager::identifierText(*policy) + QStringLiteral("-30");

    // Shown at its minute, with its title and body.
    const int waitMs = int(minuteMs - QDateTime::currentMSecsSinceEpoch()) + 15'000;
    ASSERT_TRUE(waitUntil([&] { return dunst.output().contains(marker); }, waitMs))
        << dunst.output().toStdString();
    EXPECT_GE(QDateTime::currentMSecsSinceEpoch(), minuteMs);
    EXPECT_TRUE(dunst.output().contains(QStringLiteral("summary: 'Policy Expiring Soon'")));
    EXPECT_TRUE(dunst.output().contains(QStringLiteral("body: 'Casa ") + marker +
                                        QStringLiteral(" (P-1) expires in 30 days'")));
    EXPECT_FALSE(
        connection.interface()->isServiceRegistered(ReminderBus::kApplicationService).value());

    // The user opens it: the bus starts the installed program, which receives it once.
    ASSERT_TRUE(run(QStringLiteral("dunstctl"), {QStringLiteral("action"), QStringLiteral("0")},
                    bus.address()));
    ASSERT_TRUE(waitUntil(
        [&] {
            return connection.interface()
                ->isServiceRegistered(ReminderBus::kApplicationService)
                .value();
        },
        30'000));
    const uint pid = connection.interface()->servicePid(ReminderBus::kApplicationService).value();
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath(),
              QFileInfo(prefix + QStringLiteral("/bin/quintaver-scheduler")).canonicalFilePath());
    ASSERT_TRUE(waitUntil([&] { return monitor.output().contains(identifier); }, 10'000));
    run(QStringLiteral("dunstctl"), {QStringLiteral("action"), QStringLiteral("0")}, bus.address());
    waitUntil([] { return false; }, 1'500);
    EXPECT_EQ(monitor.output().count(QStringLiteral("member=ActivateAction")), 1)
        << monitor.output().toStdString();
    EXPECT_EQ(monitor.output().count(identifier), 1);

    ::kill(pid_t(pid), SIGTERM);
    const uint agent = connection.interface()->servicePid(ReminderBus::kAgentService).value();
    if (agent != 0) {
        ::kill(pid_t(agent), SIGTERM);
    }
}

// A data folder that cannot exist (XDG_DATA_HOME names a plain file) leaves no lock to take:
// that is no second copy. The store says why it cannot open, and the program runs on.
TEST(ProgramEndToEnd, ADataFolderThatCannotBeMadeIsReportedAndTheProgramRunsOn) {
    QTemporaryDir root;
    QFile plain(root.filePath(QStringLiteral("data")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), plain.fileName());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/bus"));
    environment.remove(QStringLiteral("DISPLAY")); // no bus autolaunch through X11
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QS_BUILD_DIR "/src/quintaver-scheduler"));
    QString output;
    // The store's line, naming the folder's path.
    const auto reported = [&] {
        output += QString::fromUtf8(program.readAllStandardOutput());
        const QStringList lines = output.split(u'\n');
        return std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
            return line.startsWith(QStringLiteral("Error loading persistent stores: ")) &&
                   line.contains(plain.fileName());
        });
    };
    EXPECT_TRUE(
        waitUntil([&] { return reported() || program.state() == QProcess::NotRunning; }, 30'000))
        << output.toStdString();
    EXPECT_FALSE(program.waitForFinished(1'000)) << "exit code " << program.exitCode();
    EXPECT_TRUE(reported()) << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("Single instance: "))) << output.toStdString();
    program.kill();
    program.waitForFinished(5'000);
}
