#include "FakeNotificationServer.h"
#include "PrivateBus.h"
#include "agent/DesktopNotifications.h"
#include "agent/ProgramHandOver.h"
#include "agent/ReminderAgent.h"
#include "agent/ReminderBusService.h"
#include "platform/DBusNotificationService.h"
#include "platform/ReminderBus.h"
#include "platform/UserPreferences.h"
#include "support/CapturedLog.h"
#include "support/ManualClock.h"
#include "support/WaitUntil.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
const QStringList kWithMarkup = {"actions", "body", "body-markup", "sound"};
const QStringList kPlain = {"actions", "body"};

Instant at(const char* isoUtc) {
    return Instant::fromDateTime(QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate));
}

// 08:00 in Rome on the test's day: due at the clock's start.
NotificationRequest dueNow(const QString& identifier, const QString& body = "Casa (P-1)") {
    return {identifier, "Policy Expiring Soon", body, true, 2026, 6, 1, 8, 0};
}
NotificationRequest later(const QString& identifier, int day = 20) {
    return {identifier, "Policy Expiring Soon", identifier, true, 2026, 6, day, 9, 0};
}

// The agent, the program's side and a fake notification server, each on its own connection
// to a private bus, as three processes would be.
class AgentOverDBus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_bus.isRunning());
        NotificationRequest::registerDBusTypes();
        startAgent();
        m_programBus = std::make_unique<QDBusConnection>(m_bus.connect());
        m_program = std::make_unique<DBusNotificationService>(*m_programBus, m_log);
        ASSERT_TRUE(m_program->exportApplicationObject());
        ASSERT_TRUE(m_programBus->registerService(ReminderBus::kApplicationService));
    }
    void TearDown() override {
        m_server.reset();
        m_program.reset();
        stopAgent();
    }

    // The agent as a process would have it: its own connection, store and objects.
    void startAgent() {
        QString error;
        m_store = ReminderStore::open(m_dir.filePath("reminders.sqlite"), &error);
        ASSERT_TRUE(m_store) << error.toStdString();
        m_agentBus = std::make_unique<QDBusConnection>(m_bus.connect());
        m_presenter = std::make_unique<DesktopNotifications>(*m_agentBus);
        m_agent = std::make_unique<ReminderAgent>(m_clock, *m_store, *m_presenter, m_log);
        m_service = std::make_unique<ReminderBusService>(*m_agent);
        m_handOver = std::make_unique<ProgramHandOver>(*m_agentBus, m_log);
        QObject::connect(m_agent.get(), &ReminderAgent::openRequested, m_handOver.get(),
                         &ProgramHandOver::open);
        ASSERT_TRUE(m_agentBus->registerObject(ReminderBus::kAgentPath, m_service.get(),
                                               QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(m_agentBus->registerService(ReminderBus::kAgentService));
        m_agent->start();
    }
    void stopAgent() {
        m_handOver.reset();
        m_service.reset();
        m_agent.reset();
        m_presenter.reset();
        m_store.reset();
        if (m_agentBus) {
            QDBusConnection::disconnectFromBus(m_agentBus->name());
        }
    }

    void startServer(const QStringList& capabilities) {
        m_server = std::make_unique<FakeNotificationServer>(m_bus.connect(), capabilities);
        ASSERT_TRUE(m_server->start());
    }
    std::optional<QString> add(const NotificationRequest& request) {
        bool done = false;
        std::optional<QString> result;
        m_program->add(request, [&](const std::optional<QString>& error) {
            result = error;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }));
        return result;
    }
    QStringList pending() {
        std::optional<QStringList> identifiers;
        m_program->pendingRequests([&](const QList<NotificationRequest>& requests) {
            identifiers.emplace();
            for (const NotificationRequest& r : requests) {
                identifiers->append(r.identifier);
            }
        });
        EXPECT_TRUE(waitUntil([&] { return identifiers.has_value(); }));
        return identifiers.value_or(QStringList{"(no answer)"});
    }

    PrivateBus m_bus;
    QTemporaryDir m_dir;
    CapturedLog m_captured;
    LogChannel& m_log = m_captured.channel();
    ManualClock m_clock{at("2026-06-01T06:00:00Z"), QTimeZone("Europe/Rome")};
    std::unique_ptr<ReminderStore> m_store;
    std::unique_ptr<QDBusConnection> m_agentBus;
    std::unique_ptr<DesktopNotifications> m_presenter;
    std::unique_ptr<ReminderAgent> m_agent;
    std::unique_ptr<ReminderBusService> m_service;
    std::unique_ptr<ProgramHandOver> m_handOver;
    std::unique_ptr<QDBusConnection> m_programBus;
    std::unique_ptr<DBusNotificationService> m_program;
    std::unique_ptr<FakeNotificationServer> m_server;
};

struct Look {
    const char* name;
    QStringList capabilities;
    bool sound;
    QString body;
    QString shownBody;
    // What the user's preferences file holds, if it exists.
    std::optional<bool> soundPreference = std::nullopt;
    bool heard = sound;
};

void PrintTo(const Look& look, std::ostream* out) {
    *out << look.name;
}

class NotificationLook : public AgentOverDBus, public ::testing::WithParamInterface<Look> {};
} // namespace

TEST_P(NotificationLook, CarriesTextsNameIconHintsAndTheDefaultAction) {
    const Look& look = GetParam();
    const QString preferences = m_dir.filePath("config/quintaver-scheduler/settings.conf");
    if (look.soundPreference) {
        QSettings(preferences, QSettings::IniFormat)
            .setValue(UserPreferences::kSoundEnabled, *look.soundPreference);
    }
    m_presenter->setSoundPreference(
        [preferences] { return UserPreferences::soundEnabled(preferences); });
    startServer(look.capabilities);
    NotificationRequest request = dueNow("policy-A-7", look.body);
    request.sound = look.sound;
    ASSERT_EQ(add(request), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return m_server->calls.size() == 1; }));
    const FakeNotificationServer::Call& call = m_server->calls[0];
    EXPECT_EQ(call.appName, "Quintaver Scheduler");
    EXPECT_EQ(call.appIcon, "org.quintaver.Scheduler");
    EXPECT_EQ(call.summary, "Policy Expiring Soon");
    EXPECT_EQ(call.body, look.shownBody);
    ASSERT_GE(call.actions.size(), 2);
    EXPECT_EQ(call.actions[0], "default");
    EXPECT_EQ(call.hints.value("desktop-entry").toString(), "org.quintaver.Scheduler");
    EXPECT_EQ(call.hints.contains("sound-name"), look.heard);
    EXPECT_EQ(call.hints.value("suppress-sound").toBool(), !look.heard);
    EXPECT_TRUE(pending().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Servers, NotificationLook,
    ::testing::Values(
        Look{"MarkupEscaped", kWithMarkup, true, "Casa & Auto <b> (P-1) expires in 7 days",
             "Casa &amp; Auto &lt;b&gt; (P-1) expires in 7 days"},
        Look{"PlainAsTyped", kPlain, true, "Casa & Auto <b> (P-1)", "Casa & Auto <b> (P-1)"},
        Look{"Silent", kWithMarkup, false, "Vita (P-2)", "Vita (P-2)"},
        // The user's sound choice applies to requests stored before it was made.
        Look{"SilencedByTheUser", kWithMarkup, true, "Vita (P-2)", "Vita (P-2)", false, false},
        Look{"SoundChosenByTheUser", kWithMarkup, true, "Vita (P-2)", "Vita (P-2)", true, true},
        Look{"SilentEvenWithSoundChosen", kPlain, false, "Vita", "Vita", true, false}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST_F(AgentOverDBus, AppliesCallsInTheOrderTheProgramIssuedThem) {
    // Issued back to back, without waiting for any answer.
    QStringList answers;
    std::optional<QStringList> listed;
    const auto note = [&](const char* what) {
        return [&answers, what](const std::optional<QString>& error) {
            answers.append(QString(what) + (error ? " failed" : " ok"));
        };
    };
    m_program->add(later("policy-A-30"), note("A"));
    m_program->add(later("policy-B-30"), note("B"));
    m_program->removePending({"policy-A-30", "policy-UNKNOWN-1"});
    m_program->add(later("policy-C-30"), note("C"));
    m_program->add({"policy-D-30", "t", "b", true, 2026, 2, 30, 9, 0}, note("D"));
    m_program->add(later("policy-B-30", 25), note("B again"));
    m_program->pendingRequests([&](const QList<NotificationRequest>& requests) {
        listed.emplace();
        for (const NotificationRequest& r : requests) {
            listed->append(r.identifier + "@" + QString::number(r.day));
        }
    });
    m_program->removePending({"policy-C-30"});
    ASSERT_TRUE(waitUntil([&] { return listed.has_value() && answers.size() == 5; }));
    EXPECT_EQ(answers, QStringList({"A ok", "B ok", "C ok", "D failed", "B again ok"}));
    EXPECT_EQ(*listed, QStringList({"policy-C-30@20", "policy-B-30@25"}));
    EXPECT_EQ(pending(), QStringList{"policy-B-30"});
}

TEST_F(AgentOverDBus, HandsAnOpenedNotificationToTheProgramOnceWithItsToken) {
    startServer(kWithMarkup);
    QSignalSpy opened(m_program.get(), &NotificationService::notificationOpened);
    ASSERT_EQ(add(dueNow("policy-A-7")), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return m_server->calls.size() == 1; }));
    m_server->click(m_server->calls[0], "token-42");
    m_server->click(m_server->calls[0], "token-43");
    ASSERT_TRUE(waitUntil([&] { return opened.size() >= 1; }));
    EXPECT_EQ(opened[0], QVariantList({"policy-A-7", "token-42"}));

    // Shown, then the agent restarts (a crash, an update) while the server runs on.
    ASSERT_EQ(add(dueNow("policy-B-7")), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return m_server->calls.size() == 2 && pending().isEmpty(); }));
    stopAgent();
    startAgent();
    ASSERT_TRUE(waitUntil([&] { return !m_presenter->server().isEmpty(); }));
    m_server->click(m_server->calls[1], "token-44");
    ASSERT_TRUE(waitUntil([&] { return opened.size() >= 2; }));
    // The second click on the first one, long before, handed nothing over: the next hand-over
    // is this one's.
    EXPECT_EQ(opened[1], QVariantList({"policy-B-7", "token-44"}));
}

TEST_F(AgentOverDBus, KeepsARequestWhileNoServerAnswersAndShowsItWhenOneAppears) {
    ASSERT_EQ(add(dueNow("policy-A-7")), std::nullopt);
    // The agent has tried to show it and found no server.
    ASSERT_TRUE(waitUntil([&] {
        return !m_captured.lines()
                    .filter(QStringLiteral("Error showing reminder policy-A-7"))
                    .isEmpty();
    }));
    EXPECT_EQ(pending(), QStringList{"policy-A-7"});
    startServer(kPlain);
    ASSERT_TRUE(waitUntil([&] { return m_server->calls.size() == 1; }));
    EXPECT_TRUE(waitUntil([&] { return pending().isEmpty(); }));
}

TEST_F(AgentOverDBus, AuthorizationFollowsTheNotificationServer) {
    using Status = NotificationService::AuthorizationStatus;
    const auto status = [&] {
        std::optional<Status> answer;
        m_program->authorizationStatus([&](Status s) { answer = s; });
        EXPECT_TRUE(waitUntil([&] { return answer.has_value(); }));
        return answer;
    };
    const auto request = [&] {
        std::optional<std::pair<bool, bool>> answer; // granted, error given
        m_program->requestAuthorization([&](bool granted, const std::optional<QString>& error) {
            answer = {granted, error.has_value()};
        });
        EXPECT_TRUE(waitUntil([&] { return answer.has_value(); }));
        return answer;
    };
    EXPECT_EQ(status(), Status::NotDetermined);
    EXPECT_EQ(request(), std::make_pair(false, true));
    EXPECT_EQ(status(), Status::Denied);
    startServer(kPlain);
    EXPECT_EQ(request(), std::make_pair(true, false));
    EXPECT_EQ(status(), Status::Authorized);
}

// Thousands of requests in batches: one answer each, in order; the invalid ones refused alone.
TEST_F(AgentOverDBus, HoldsManyRequestsSentTogetherAndAnswersEachOne) {
    QList<NotificationRequest> requests;
    for (int i = 0; i < 6'000; ++i) {
        requests.append(later(QStringLiteral("policy-%1-30").arg(i), 2 + i % 27));
    }
    requests.insert(5'200, {"policy-X-30", "t", "b", true, 2026, 2, 30, 9, 0});
    requests.append({"", "t", "b", true, 2026, 6, 20, 9, 0});
    std::optional<QList<std::optional<QString>>> answers;
    m_program->addAll(requests,
                      [&](const QList<std::optional<QString>>& errors) { answers = errors; });
    ASSERT_TRUE(waitUntil([&] { return answers.has_value(); }, 30'000));
    ASSERT_EQ(answers->size(), requests.size());
    QList<qsizetype> refused;
    for (qsizetype i = 0; i < answers->size(); ++i) {
        if ((*answers)[i]) {
            refused.append(i);
        }
    }
    EXPECT_EQ(refused, (QList<qsizetype>{5'200, 6'001}));
    const QStringList held = pending();
    EXPECT_EQ(held.size(), 6'000);
    EXPECT_EQ(held.value(0), "policy-0-30");
    EXPECT_EQ(held.value(5'999), "policy-5999-30");
}

// An agent from before the batch call, still running after the program was updated.
class OlderAgent final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quintaver.Scheduler.Reminders")
public:
    QStringList added;

public Q_SLOTS:
    QString Add(const QString& identifier, const QString&, const QString&, bool, int, int, int, int,
                int) {
        added.append(identifier);
        return identifier.contains("bad") ? QStringLiteral("refused") : QString();
    }
};

TEST_F(AgentOverDBus, AnAgentWithoutTheBatchCallGetsTheRequestsOneByOne) {
    ASSERT_TRUE(m_agentBus->unregisterService(ReminderBus::kAgentService));
    stopAgent();
    QDBusConnection older = m_bus.connect();
    OlderAgent agent;
    ASSERT_TRUE(
        older.registerObject(ReminderBus::kAgentPath, &agent, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(older.registerService(ReminderBus::kAgentService));
    std::optional<QList<std::optional<QString>>> answers;
    m_program->addAll({later("policy-A-30"), later("policy-bad-7"), later("policy-B-30")},
                      [&](const QList<std::optional<QString>>& errors) { answers = errors; });
    ASSERT_TRUE(waitUntil([&] { return answers.has_value(); }, 10'000));
    EXPECT_EQ(*answers, (QList<std::optional<QString>>{std::nullopt, QStringLiteral("refused"),
                                                       std::nullopt}));
    EXPECT_EQ(agent.added, (QStringList{"policy-A-30", "policy-bad-7", "policy-B-30"}));
    QDBusConnection::disconnectFromBus(older.name());
}

#include "AgentDBusTest.moc"
