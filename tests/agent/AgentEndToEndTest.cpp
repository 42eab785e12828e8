#include "PrivateBus.h"
#include "agent/ReminderStore.h"
#include "platform/DBusNotificationService.h"
#include "platform/ReminderBus.h"
#include "support/WaitUntil.h"

#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QUuid>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

// Real parts, started by the test command: a session bus on which the agent is activatable, a
// virtual X display and the dunst notification server, which prints every notification it
// receives to a log.
namespace {

QString dunstLog() {
    return qEnvironmentVariable("QS_E2E_DUNST_LOG");
}

int occurrences(const QString& text) {
    QFile file(dunstLog());
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    return int(QString::fromUtf8(file.readAll()).count(text));
}

bool dunstctl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("dunstctl"), arguments);
    return process.waitForFinished(10'000) && process.exitCode() == 0;
}

NotificationRequest requestAt(const QString& identifier, const QString& body,
                              const QDateTime& local) {
    return {identifier,
            "Policy Expiring Soon",
            body,
            true,
            local.date().year(),
            local.date().month(),
            local.date().day(),
            local.time().hour(),
            local.time().minute()};
}

QString policyIdentifier(const QString& policy, int day) {
    return "policy-" + policy + "-" + QString::number(day);
}

class AgentEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (dunstLog().isEmpty()) {
            GTEST_SKIP() << "needs the session bus, display and dunst of scripts/test";
        }
        NotificationRequest::registerDBusTypes();
        ASSERT_TRUE(m_bus.isConnected());
        stopAgent();
        ASSERT_TRUE(dunstctl({"close-all"}));
        m_program = std::make_unique<DBusNotificationService>(m_bus);
        ASSERT_TRUE(m_program->exportApplicationObject());
        ASSERT_TRUE(m_bus.registerService(ReminderBus::kApplicationService));
    }
    void TearDown() override {
        if (m_program) {
            m_bus.unregisterService(ReminderBus::kApplicationService);
            m_program.reset();
            stopAgent();
        }
    }

    // Kills the agent as the system might, with no chance to clean up.
    void stopAgent() {
        QDBusConnectionInterface* bus = m_bus.interface();
        const QDBusReply<uint> pid = bus->servicePid(ReminderBus::kAgentService);
        if (!pid.isValid()) {
            return;
        }
        ::kill(pid_t(pid.value()), SIGKILL);
        EXPECT_TRUE(waitUntil(
            [&] { return !bus->isServiceRegistered(ReminderBus::kAgentService).value(); }, 10'000));
    }

    std::optional<QString> add(const NotificationRequest& request) {
        bool done = false;
        std::optional<QString> result;
        m_program->add(request, [&](const std::optional<QString>& error) {
            result = error;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }, 40'000));
        return done ? result : std::optional<QString>("no answer");
    }
    QStringList pending() {
        std::optional<QStringList> identifiers;
        m_program->pendingRequests([&](const QList<NotificationRequest>& requests) {
            identifiers.emplace();
            for (const NotificationRequest& r : requests) {
                identifiers->append(r.identifier);
            }
        });
        EXPECT_TRUE(waitUntil([&] { return identifiers.has_value(); }, 40'000));
        return identifiers.value_or(QStringList{"(no answer)"});
    }

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    std::unique_ptr<DBusNotificationService> m_program;
};
} // namespace

TEST_F(AgentEndToEnd, ShowsAReminderAtItsMinuteAndHandsItsOpeningToTheProgramOnce) {
    const QString marker = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString identifier = policyIdentifier(marker.toUpper(), 7);
    QSignalSpy opened(m_program.get(), &NotificationService::notificationOpened);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime minute(now.date(), QTime(now.time().hour(), now.time().minute()));
    const QDateTime trigger = minute.addSecs(60);
    ASSERT_EQ(add(requestAt(identifier, "Casa & Auto <b> " + marker, trigger)), std::nullopt);

    const qint64 waitMs = QDateTime::currentDateTime().msecsTo(trigger) + 10'000;
    ASSERT_TRUE(waitUntil([&] { return occurrences(marker) > 0; }, int(waitMs)));
    const qint64 lateMs = trigger.msecsTo(QDateTime::currentDateTime());
    std::cout << "Shown " << lateMs << " ms after its minute\n";
    EXPECT_GE(lateMs, 0);
    EXPECT_LE(lateMs, 5'000);
    // The server advertises body markup, so the text arrives escaped and shows as typed.
    EXPECT_EQ(occurrences("body: 'Casa &amp; Auto &lt;b&gt; " + marker + "'"), 1);
    EXPECT_EQ(occurrences("summary: 'Policy Expiring Soon'"), occurrences("summary: '"));
    // Every notification came from the agent, under the program's name and desktop entry.
    EXPECT_EQ(occurrences("appname: 'Quintaver Scheduler'"), occurrences("appname: '"));
    EXPECT_EQ(occurrences("desktop_entry: 'org.quintaver.Scheduler'"), occurrences("appname: '"));
    // No longer pending once the server took it (recorded when its answer arrives).
    EXPECT_TRUE(waitUntil([&] { return !pending().contains(identifier); }, 5'000));

    ASSERT_TRUE(dunstctl({"action", "0"}));
    ASSERT_TRUE(waitUntil([&] { return opened.size() > 0; }, 10'000));
    dunstctl({"action", "0"});
    waitUntil([] { return false; }, 1'000);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0][0].toString(), identifier);
}

TEST_F(AgentEndToEnd, ShowsTheLatestReminderMissedWhileTheAgentWasNotRunningAtItsNextStart) {
    const QString marker = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString policy = marker.toUpper();
    const QDateTime now = QDateTime::currentDateTime();
    {
        // Left in the agent's file as a stopped agent would have left them.
        const QString path =
            qEnvironmentVariable("QS_E2E_DATA_HOME") + "/quintaver-scheduler/reminders.sqlite";
        QString error;
        const auto store = ReminderStore::open(path, &error);
        ASSERT_TRUE(store) << error.toStdString();
        ASSERT_FALSE(store->put(
            requestAt(policyIdentifier(policy, 30), "older " + marker, now.addSecs(-180))));
        ASSERT_FALSE(store->put(
            requestAt(policyIdentifier(policy, 15), "newer " + marker, now.addSecs(-120))));
    }
    // Any call starts the agent through the bus.
    pending();
    ASSERT_TRUE(waitUntil([&] { return occurrences("body: 'newer " + marker + "'") > 0; }, 10'000));
    // Once neither is pending the agent is done with both: the older dropped, the newer shown
    // and recorded, so neither can reach the server again.
    EXPECT_TRUE(waitUntil(
        [&] {
            const QStringList left = pending();
            return !left.contains(policyIdentifier(policy, 30)) &&
                   !left.contains(policyIdentifier(policy, 15));
        },
        5'000));
    EXPECT_EQ(occurrences("body: 'newer " + marker + "'"), 1);
    EXPECT_EQ(occurrences("body: 'older " + marker + "'"), 0);
}

TEST_F(AgentEndToEnd, AnAcknowledgedRequestSurvivesTheAgentBeingKilled) {
    const QString identifier = "event-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QDateTime nextYear = QDateTime::currentDateTime().addYears(1);
    ASSERT_EQ(add(requestAt(identifier, "later", nextYear)), std::nullopt);
    stopAgent();
    EXPECT_TRUE(pending().contains(identifier));
    m_program->removePending({identifier});
    EXPECT_FALSE(pending().contains(identifier));
}
