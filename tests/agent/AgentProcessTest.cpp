#include "FakeNotificationServer.h"
#include "PrivateBus.h"
#include "platform/DBusNotificationService.h"
#include "platform/ReminderBus.h"
#include "platform/UserPreferences.h"
#include "support/WaitUntil.h"

#include <QDBusConnectionInterface>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
mode_t modeOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

// The built agent as a process of its own, on the given bus, with its data in `dataHome` and
// the user's preferences in `dataHome`/config.
void startAgent(QProcess& agent, const QString& busAddress, const QString& dataHome) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
    environment.insert("XDG_DATA_HOME", dataHome);
    environment.insert("XDG_CONFIG_HOME", dataHome + "/config");
    agent.setProcessEnvironment(environment);
    agent.start(QStringLiteral(QS_AGENT_EXECUTABLE), {});
}
} // namespace

TEST(AgentProcess, ServesOneSessionFromThePrivateDataFolderAndEndsWithIt) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QTemporaryDir data;
    QDBusConnection connection = bus.connect();
    QProcess agent;
    startAgent(agent, bus.address(), data.path());
    ASSERT_TRUE(waitUntil(
        [&] {
            return connection.interface()->isServiceRegistered(ReminderBus::kAgentService).value();
        },
        20'000));
    // The folder the program uses too: $XDG_DATA_HOME/quintaver-scheduler.
    const QString file = data.filePath("quintaver-scheduler/reminders.sqlite");
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(modeOf(file), mode_t(0600));
    EXPECT_EQ(modeOf(QFileInfo(file).absolutePath()), mode_t(0700));

    // A second start (at login, while activation already started one) steps aside.
    QProcess second;
    startAgent(second, bus.address(), data.path());
    ASSERT_TRUE(second.waitForFinished(20'000));
    EXPECT_EQ(second.exitCode(), 0);
    // It says which process serves the session.
    EXPECT_EQ(second.readAllStandardOutput().toStdString(),
              QStringLiteral("Reminder agent already running: process %1 owns %2 on this "
                             "session bus\n")
                  .arg(agent.processId())
                  .arg(ReminderBus::kAgentService)
                  .toStdString());
    EXPECT_EQ(agent.state(), QProcess::Running);

    bus.stop();
    EXPECT_TRUE(agent.waitForFinished(10'000));
    EXPECT_EQ(agent.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(agent.exitCode(), 0) << agent.readAllStandardError().toStdString();
}

TEST(AgentProcess, FollowsTheUsersSoundChoiceAtEachReminder) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QTemporaryDir data;
    QSettings preferences(data.filePath("config/quintaver-scheduler/quintaver-scheduler.conf"),
                          QSettings::IniFormat);
    preferences.setValue(UserPreferences::kSoundEnabled, false);
    preferences.sync();
    FakeNotificationServer server(bus.connect(), {"actions", "body", "sound"});
    ASSERT_TRUE(server.start());
    QProcess agent;
    startAgent(agent, bus.address(), data.path());
    QDBusConnection connection = bus.connect();
    ASSERT_TRUE(waitUntil(
        [&] {
            return connection.interface()->isServiceRegistered(ReminderBus::kAgentService).value();
        },
        20'000));
    DBusNotificationService program(connection);
    const auto showNow = [&](const QString& identifier) {
        const QDateTime now = QDateTime::currentDateTime();
        const NotificationRequest request{
            identifier,         "Policy Expiring Soon", identifier,       true,
            now.date().year(),  now.date().month(),     now.date().day(), now.time().hour(),
            now.time().minute()};
        std::optional<std::optional<QString>> answer;
        program.add(request, [&](const std::optional<QString>& error) { answer = error; });
        EXPECT_TRUE(waitUntil([&] { return answer.has_value(); }, 20'000));
        EXPECT_EQ(answer.value_or("(no answer)"), std::nullopt);
    };

    showNow("policy-A-7");
    ASSERT_TRUE(waitUntil([&] { return server.calls.size() == 1; }, 20'000));
    EXPECT_TRUE(server.calls[0].hints.value("suppress-sound").toBool());
    EXPECT_FALSE(server.calls[0].hints.contains("sound-name"));

    preferences.setValue(UserPreferences::kSoundEnabled, true);
    preferences.sync();
    showNow("policy-B-7");
    ASSERT_TRUE(waitUntil([&] { return server.calls.size() == 2; }, 20'000));
    EXPECT_TRUE(server.calls[1].hints.contains("sound-name"));
    agent.terminate();
    EXPECT_TRUE(agent.waitForFinished(10'000));
}
