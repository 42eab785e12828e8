#include "reminders/NotificationManager.h"

#include "PrivateBus.h"
#include "model/CalendarMath.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/DBusNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "store/ManagedObjectContext.h"
#include "support/InMemoryNotificationService.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/TimeHelpers.h"
#include "support/WaitUntil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <gtest/gtest.h>

using namespace TimeHelpers;

namespace {

class FixedInstallationCheck final : public InstallationCheck {
public:
    bool installed = true;
    bool isInstalledApplication() const override { return installed; }
};

// A store, a policy and a manager over an in-memory notification service, at a fixed moment
// in Rome; the log is read back line by line.
class NotificationManagerTest : public ::testing::Test {
protected:
    NotificationManagerTest() {
        m_logFile.open();
        m_log = std::make_unique<LogChannel>(m_logFile.handle());
        m_store = std::make_unique<PersistenceController>(true, m_clock, *m_log);
        m_manager =
            NotificationManager::make({m_service, m_installation, m_clock, *m_log, m_center});
    }

    std::shared_ptr<Policy> policy(const QString& name, Instant expiry,
                                   const std::optional<QString>& days) {
        auto policy = m_store->container().viewContext().insert<Policy>();
        policy->setName(name);
        policy->setPolicyNumber(QStringLiteral("P-7"));
        policy->setProvider(QStringLiteral("Generali"));
        policy->setExpirationDate(expiry);
        policy->setCustomReminderDays(days);
        return policy;
    }

    // Lets every queued answer of the service arrive.
    static void settle() {
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
        }
    }

    QStringList logLines() const {
        QFile file(m_logFile.fileName());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    QStringList pendingIdentifiers() const {
        QStringList identifiers;
        for (const NotificationRequest& request : m_service.pending()) {
            identifiers.append(request.identifier);
        }
        identifiers.sort();
        return identifiers;
    }

    static QString id(const Policy& policy) { return NotificationManager::identifierText(policy); }
    static QString reminderId(const Policy& policy, const char* day) {
        return QStringLiteral("policy-") + id(policy) + QString::fromLatin1(day);
    }

    // 10 March 2026, 10:30 in Rome (CET); the spring change is on 29 March.
    ManualClock m_clock{utc("2026-03-10T09:30:00Z"), QTimeZone("Europe/Rome")};
    QTemporaryFile m_logFile;
    std::unique_ptr<LogChannel> m_log;
    std::unique_ptr<PersistenceController> m_store;
    InMemoryNotificationService m_service;
    FixedInstallationCheck m_installation;
    NotificationCenter m_center;
    std::unique_ptr<NotificationManager> m_manager;
};

TEST_F(NotificationManagerTest, SchedulesOneRequestPerReminderDayAtTheExpirysTimeOfDay) {
    // 40 days ahead, at 09:00 CEST; the 30-day reminder falls before the spring change.
    auto casa = policy(QStringLiteral("Casa & Auto"), utc("2026-04-19T07:00:00Z"),
                       QStringLiteral("30, 15, 7"));
    m_manager->schedulePolicyReminder(*casa);
    settle();

    const QList<NotificationRequest>& pending = m_service.pending();
    ASSERT_EQ(pending.size(), 3);
    const struct {
        const char* suffix;
        int month, day;
        const char* utcText;
        const char* days;
    } expected[] = {{"-30", 3, 20, "2026-03-20 08:00:00 +0000", "30"},
                    {"-15", 4, 4, "2026-04-04 07:00:00 +0000", "15"},
                    {"-7", 4, 12, "2026-04-12 07:00:00 +0000", "7"}};
    QStringList expectedLines;
    for (int i = 0; i < 3; ++i) {
        const NotificationRequest& request = pending[i];
        EXPECT_EQ(request.identifier,
                  QStringLiteral("policy-") + id(*casa) + QString::fromLatin1(expected[i].suffix));
        EXPECT_EQ(request.title, QStringLiteral("Policy Expiring Soon"));
        EXPECT_EQ(request.body, QStringLiteral("Casa & Auto (P-7) expires in ") +
                                    QString::fromLatin1(expected[i].days) +
                                    QStringLiteral(" days"));
        EXPECT_TRUE(request.sound);
        // 09:00 on the wall in Rome, before and after the change alike.
        EXPECT_EQ(request.year, 2026);
        EXPECT_EQ(request.month, expected[i].month);
        EXPECT_EQ(request.day, expected[i].day);
        EXPECT_EQ(request.hour, 9);
        EXPECT_EQ(request.minute, 0);
        expectedLines.append(QStringLiteral("Scheduled policy reminder for Casa & Auto on ") +
                             QString::fromLatin1(expected[i].utcText));
    }
    EXPECT_EQ(logLines(), expectedLines);
    // The identifier is the upper-case id text.
    EXPECT_EQ(id(*casa), id(*casa).toUpper());
    EXPECT_EQ(id(*casa).size(), 36);
    // Nothing is written to the policy.
    EXPECT_FALSE(casa->lastNotified());
}

TEST_F(NotificationManagerTest, SkipsReminderDaysThatArePastAndKeepsOneSetPerPolicy) {
    auto soon =
        policy(QStringLiteral("Vita"), utc("2026-03-20T08:00:00Z"), QStringLiteral("30, 15, 7"));
    m_manager->schedulePolicyReminder(*soon);
    m_manager->schedulePolicyReminder(*soon);
    settle();
    EXPECT_EQ(pendingIdentifiers(), QStringList{reminderId(*soon, "-7")});

    // Saved again with other days: only the new set stays.
    soon->setCustomReminderDays(QStringLiteral("8, 9"));
    m_manager->schedulePolicyReminder(*soon);
    settle();
    EXPECT_EQ(pendingIdentifiers(),
              (QStringList{reminderId(*soon, "-8"), reminderId(*soon, "-9")}));

    // Five days from expiry nothing is due any more, and the earlier ones go.
    soon->setExpirationDate(utc("2026-03-15T08:00:00Z"));
    m_manager->schedulePolicyReminder(*soon);
    settle();
    EXPECT_TRUE(m_service.pending().isEmpty());

    // Later in a minute that has begun: the reminder was shown when the minute began.
    m_clock.advanceTo(utc("2026-03-10T09:30:30Z"));
    soon->setExpirationDate(utc("2026-03-17T09:30:45Z"));
    soon->setCustomReminderDays(QStringLiteral("7, 6"));
    m_manager->schedulePolicyReminder(*soon);
    settle();
    EXPECT_EQ(pendingIdentifiers(), QStringList{reminderId(*soon, "-6")});

    // A text in which nothing reads schedules nothing and removes what was there.
    soon->setExpirationDate(utc("2026-06-15T08:00:00Z"));
    soon->setCustomReminderDays(QStringLiteral("30"));
    m_manager->schedulePolicyReminder(*soon);
    soon->setCustomReminderDays(QStringLiteral("trenta"));
    m_manager->schedulePolicyReminder(*soon);
    settle();
    EXPECT_TRUE(m_service.pending().isEmpty());
}

// Passes made in one turn of the event loop (two saves, a save and a delete) end with exactly
// the last pass's requests pending, whatever the earlier ones' answers remove. nullopt deletes.
TEST_F(NotificationManagerTest, PassesInQuickSuccessionLeaveTheLastOnesRequests) {
    using Pass = std::optional<QString>;
    const struct {
        std::vector<Pass> passes;
        std::string suffixes;
    } cases[] = {
        {{QStringLiteral("15"), QStringLiteral("30, 7")}, "-30 -7"},
        {{QStringLiteral("30, 7"), QStringLiteral("15")}, "-15"},
        {{QStringLiteral("30, 7"), QStringLiteral("15"), QStringLiteral("30, 7")}, "-30 -7"},
        {{QStringLiteral("30"), std::nullopt}, ""},
        {{std::nullopt, QStringLiteral("30, 7")}, "-30 -7"},
    };
    for (const auto& c : cases) {
        auto casa =
            policy(QStringLiteral("Casa"), utc("2026-06-01T08:00:00Z"), QStringLiteral("30, 7"));
        m_manager->schedulePolicyReminder(*casa);
        settle();
        for (const Pass& pass : c.passes) {
            if (pass) {
                casa->setCustomReminderDays(*pass);
                m_manager->schedulePolicyReminder(*casa);
            } else {
                m_manager->cancelPolicyNotifications(id(*casa));
            }
        }
        settle();
        const QString prefix = reminderId(*casa, "");
        EXPECT_EQ(pendingIdentifiers().replaceInStrings(prefix, QString()).join(u' ').toStdString(),
                  c.suffixes)
            << c.passes.size() << " passes";
        m_manager->cancelPolicyNotifications(id(*casa));
        settle();
    }
}

// The same with the built agent, started by bus activation while the saves are made.
TEST_F(NotificationManagerTest, SavesInQuickSuccessionLeaveTheLastSavesRequestsWithTheAgent) {
    QTemporaryDir root;
    QFile service(root.filePath(QStringLiteral("org.quintaver.Scheduler.Reminders.service")));
    ASSERT_TRUE(service.open(QIODevice::WriteOnly));
    service.write(
        "[D-BUS Service]\nName=org.quintaver.Scheduler.Reminders\nExec=" QS_AGENT_EXECUTABLE "\n");
    service.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    PrivateBus bus(root.path(), environment);
    ASSERT_TRUE(bus.isRunning());
    DBusNotificationService agent(bus.connect(), *m_log);
    m_clock.jumpTo(Instant(QDateTime::currentMSecsSinceEpoch()));
    auto manager = NotificationManager::make({agent, m_installation, m_clock, *m_log, m_center});
    auto casa = policy(QStringLiteral("Casa"),
                       *CalendarMath::addDays(m_clock.now(), 60, m_clock.timeZone()), {});
    for (const char* days : {"30, 7", "15", "30, 7"}) {
        casa->setCustomReminderDays(QString::fromLatin1(days));
        manager->schedulePolicyReminder(*casa);
    }
    // Every add answered: a listing asked now comes after every removal on the connection.
    ASSERT_TRUE(waitUntil(
        [&] { return logLines().filter(QStringLiteral("Scheduled")).size() == 5; }, 30'000));
    std::optional<QStringList> pending;
    agent.pendingRequests([&](const QList<NotificationRequest>& requests) {
        pending.emplace();
        for (const NotificationRequest& request : requests) {
            pending->append(request.identifier.mid(reminderId(*casa, "").size()));
        }
        pending->sort();
    });
    ASSERT_TRUE(waitUntil([&] { return pending.has_value(); }));
    EXPECT_EQ(pending->join(u' ').toStdString(), "-30 -7");
}

// Many policies at once (an import) leave what one pass per policy leaves, with the same
// lines, and replace what was pending for them.
TEST_F(NotificationManagerTest, ABatchLeavesWhatOnePassPerPolicyLeaves) {
    InMemoryNotificationService single;
    auto perPolicy = NotificationManager::make({single, m_installation, m_clock, *m_log, m_center});
    std::vector<std::shared_ptr<Policy>> policies = {
        policy(QStringLiteral("Casa"), utc("2026-04-19T07:00:00Z"), QStringLiteral("30, 15, 7")),
        policy(QStringLiteral("Vita"), utc("2026-03-20T08:00:00Z"), QStringLiteral("30, 15, 7")),
        policy(QStringLiteral("Auto"), utc("2026-06-01T08:00:00Z"), QStringLiteral("trenta")),
        policy(QStringLiteral("Moto"), utc("2026-06-01T08:00:00Z"), std::nullopt),
    };
    // Moto had other days pending; another policy's request is not touched.
    auto other = policy(QStringLiteral("Altra"), utc("2026-06-01T08:00:00Z"), QStringLiteral("9"));
    for (NotificationManager* manager : {m_manager.get(), perPolicy.get()}) {
        policies[3]->setCustomReminderDays(QStringLiteral("60, 50"));
        manager->schedulePolicyReminder(*policies[3]);
        manager->schedulePolicyReminder(*other);
    }
    settle();
    policies[3]->setCustomReminderDays(std::nullopt);
    const qsizetype linesBefore = logLines().size();

    std::optional<std::pair<int, int>> counts;
    m_manager->schedulePolicyReminders(
        policies, [&](int scheduled, int failed) { counts = std::make_pair(scheduled, failed); });
    for (const auto& each : policies) {
        perPolicy->schedulePolicyReminder(*each);
    }
    settle();
    ASSERT_TRUE(counts);
    EXPECT_EQ(*counts, std::make_pair(5, 0));
    const auto identifiers = [](const InMemoryNotificationService& service) {
        QStringList list;
        for (const NotificationRequest& request : service.pending()) {
            list.append(request.identifier + u' ' + request.body +
                        QStringLiteral(" %1-%2 %3:%4")
                            .arg(request.month)
                            .arg(request.day)
                            .arg(request.hour)
                            .arg(request.minute));
        }
        list.sort();
        return list;
    };
    EXPECT_EQ(identifiers(m_service), identifiers(single));
    EXPECT_EQ(m_service.pending().size(), 6);
    // Each line once from the batch and once from the single passes.
    QStringList lines = logLines().mid(linesBefore);
    lines.sort();
    ASSERT_EQ(lines.size(), 10);
    for (qsizetype i = 0; i < lines.size(); i += 2) {
        EXPECT_EQ(lines[i], lines[i + 1]);
    }

    // A book larger than one turn's share is made over several turns, answered once.
    std::vector<std::shared_ptr<Policy>> book;
    for (size_t i = 0; i < 2 * NotificationManager::kPoliciesPerTurn + 100; ++i) {
        book.push_back(
            policy(QStringLiteral("Libro"), utc("2026-09-01T08:00:00Z"), QStringLiteral("30")));
    }
    int answers = 0;
    m_manager->schedulePolicyReminders(book, [&](int scheduled, int failed) {
        ++answers;
        counts = std::make_pair(scheduled, failed);
    });
    ASSERT_TRUE(waitUntil([&] { return answers > 0; }));
    settle();
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(*counts, std::make_pair(int(book.size()), 0));
    EXPECT_EQ(m_service.pending().size(), qsizetype(6 + book.size()));

    // Outside an installation nothing happens, and the caller still hears back.
    m_installation.installed = false;
    counts.reset();
    m_manager->schedulePolicyReminders(
        policies, [&](int scheduled, int failed) { counts = std::make_pair(scheduled, failed); });
    settle();
    EXPECT_EQ(counts, std::make_pair(0, 0));
}

// What the agent holds as readable text: identifier, body and minute of every pending request.
QStringList held(const InMemoryNotificationService& service) {
    QStringList list;
    for (const NotificationRequest& request : service.pending()) {
        list.append(request.identifier + u' ' + request.body +
                    QStringLiteral(" %1-%2 %3:%4")
                        .arg(request.month)
                        .arg(request.day)
                        .arg(request.hour)
                        .arg(request.minute));
    }
    list.sort();
    return list;
}

// The store changed behind the agent's back (a restore, a store replaced from outside, a lost
// reminder file): one match leaves what saving every policy would, sending only what differs.
TEST_F(NotificationManagerTest, MatchingTheStoreSendsOnlyWhatDiffers) {
    ManagedObjectContext& context = m_store->container().viewContext();
    auto casa =
        policy(QStringLiteral("Casa"), utc("2026-06-01T08:00:00Z"), QStringLiteral("30, 7"));
    auto vita = policy(QStringLiteral("Vita"), utc("2026-06-01T08:00:00Z"), QStringLiteral("15"));
    auto gone = policy(QStringLiteral("Auto"), utc("2026-06-01T08:00:00Z"), QStringLiteral("30"));
    // Due a minute ago: the agent is showing it; it is left as it is.
    auto due = policy(QStringLiteral("Moto"), utc("2026-04-09T08:29:00Z"), QStringLiteral("30"));
    ASSERT_TRUE(context.save());
    for (const auto& each : {casa, vita, gone}) {
        m_manager->schedulePolicyReminder(*each);
    }
    m_service.add({reminderId(*due, "-30"), QStringLiteral("Policy Expiring Soon"),
                   QStringLiteral("Moto (P-7) expires in 30 days"), true, 2026, 3, 10, 10, 29},
                  [](const auto&) {});
    m_service.add(
        {QStringLiteral("meeting-1"), QStringLiteral("Evento"), QString(), true, 2026, 5, 1, 9, 0},
        [](const auto&) {});
    m_service.add(
        {reminderId(*casa, "-99"), QStringLiteral("old"), QString(), true, 2026, 2, 22, 9, 0},
        [](const auto&) {});
    settle();
    // Behind the agent's back: one policy gone, one new, one moved, one request lost.
    context.deleteObject(gone.get());
    auto nuova = policy(QStringLiteral("Nuova"), utc("2026-07-01T08:00:00Z"), QStringLiteral("30"));
    vita->setExpirationDate(utc("2026-06-10T08:00:00Z"));
    ASSERT_TRUE(context.save());
    m_service.removePending({reminderId(*casa, "-7")});
    const qsizetype linesBefore = logLines().size();

    std::optional<NotificationManager::MatchResult> result;
    m_manager->matchPendingToStore(context, [&](const auto& r) { result = r; });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    settle();
    EXPECT_TRUE(result->matched);
    EXPECT_EQ(std::tuple(result->removed, result->scheduled, result->failed), std::tuple(2, 3, 0));
    EXPECT_EQ(logLines().size(), linesBefore + 3);

    InMemoryNotificationService fresh;
    auto saving = NotificationManager::make({fresh, m_installation, m_clock, *m_log, m_center});
    for (const auto& each : {casa, vita, nuova}) {
        saving->schedulePolicyReminder(*each);
    }
    settle();
    QStringList expected = held(fresh);
    expected << QStringLiteral("meeting-1  5-1 9:0")
             << reminderId(*due, "-30") +
                    QStringLiteral(" Moto (P-7) expires in 30 days 3-10 10:29");
    expected.sort();
    EXPECT_EQ(held(m_service), expected);

    // Matched already: nothing to send.
    result.reset();
    const QStringList before = held(m_service);
    m_manager->matchPendingToStore(context, [&](const auto& r) { result = r; });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(std::tuple(result->matched, result->removed, result->scheduled),
              std::tuple(true, 0, 0));
    EXPECT_EQ(held(m_service), before);
}

// What happens while a match runs is left to its own pass; a match that cannot finish sends
// nothing, and says so.
TEST_F(NotificationManagerTest, AMatchSparesWhatChangesMeanwhileAndSendsNothingWhenItCannotFinish) {
    ManagedObjectContext& context = m_store->container().viewContext();
    std::vector<std::shared_ptr<Policy>> book;
    // More than one turn's share of reads.
    for (size_t i = 0; i < NotificationManager::kPoliciesReadPerTurn + 10; ++i) {
        book.push_back(
            policy(QStringLiteral("Libro"), utc("2026-09-01T08:00:00Z"), QStringLiteral("30")));
    }
    ASSERT_TRUE(context.save());
    m_manager->schedulePolicyReminder(*book[0]);
    m_manager->schedulePolicyReminder(*book[1]);
    settle();

    // One of them lost by the agent.
    m_service.removePending({reminderId(*book[0], "-30")});

    std::optional<NotificationManager::MatchResult> result;
    m_manager->matchPendingToStore(context, [&](const auto& r) { result = r; });
    // Read by the match, then deleted and saved, its reminders cancelled; another deleted and
    // not yet saved.
    context.deleteObject(book[0].get());
    ASSERT_TRUE(context.save());
    m_manager->cancelPolicyNotifications(id(*book[0]));
    context.deleteObject(book[1].get());
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    settle();
    EXPECT_TRUE(result->matched);
    EXPECT_EQ(result->scheduled, int(book.size()) - 2);
    EXPECT_FALSE(pendingIdentifiers().contains(reminderId(*book[0], "-30")));
    EXPECT_TRUE(pendingIdentifiers().contains(reminderId(*book[1], "-30")));
    context.rollback();

    // The agent does not answer the listing: a failed listing is no empty one.
    const QStringList before = pendingIdentifiers();
    m_service.setListError(QStringLiteral("no agent"));
    m_service.removePending({reminderId(*book[5], "-30")});
    result.reset();
    m_manager->matchPendingToStore(context, [&](const auto& r) { result = r; });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_FALSE(result->matched);
    m_service.setListError(std::nullopt);

    // A second match takes over from a first; the store closes while the second reads it.
    std::optional<NotificationManager::MatchResult> first;
    result.reset();
    m_manager->matchPendingToStore(context, [&](const auto& r) { first = r; });
    m_manager->matchPendingToStore(context, [&](const auto& r) { result = r; });
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(first->matched);
    m_store.reset();
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_FALSE(result->matched);
    settle();
    EXPECT_EQ(pendingIdentifiers().size(), before.size() - 1);
}

TEST_F(NotificationManagerTest, ZeroNegativeAndOneDayAndAReminderDueNow) {
    // Expiring exactly 30 days from now: the 30-day reminder is due now and still scheduled.
    auto home =
        policy(QStringLiteral("Casa"), utc("2026-04-09T08:30:00Z"), QStringLiteral("30, 1, 0, -2"));
    m_manager->schedulePolicyReminder(*home);
    settle();
    ASSERT_EQ(m_service.pending().size(), 4);
    const NotificationRequest& now = m_service.pending()[0];
    EXPECT_EQ(now.identifier, reminderId(*home, "-30"));
    EXPECT_EQ(std::tuple(now.month, now.day, now.hour, now.minute), std::tuple(3, 10, 10, 30));
    EXPECT_EQ(m_service.pending()[1].body, QStringLiteral("Casa (P-7) expires in 1 days"));
    const NotificationRequest& atExpiry = m_service.pending()[2];
    EXPECT_EQ(std::tuple(atExpiry.month, atExpiry.day, atExpiry.hour), std::tuple(4, 9, 10));
    const NotificationRequest& after = m_service.pending()[3];
    EXPECT_EQ(after.identifier, reminderId(*home, "--2"));
    EXPECT_EQ(after.body, QStringLiteral("Casa (P-7) expires in -2 days"));
    EXPECT_EQ(std::tuple(after.month, after.day, after.hour), std::tuple(4, 11, 10));
}

TEST_F(NotificationManagerTest, CancellingTouchesOnlyThatPolicysRequests) {
    auto first = policy(QStringLiteral("Uno"), utc("2026-06-01T08:00:00Z"), QStringLiteral("30,7"));
    auto second = policy(QStringLiteral("Due"), utc("2026-06-01T08:00:00Z"), QStringLiteral("30"));
    m_manager->schedulePolicyReminder(*first);
    m_manager->schedulePolicyReminder(*second);
    settle();
    ASSERT_EQ(m_service.pending().size(), 3);
    m_manager->cancelPolicyNotifications(id(*first));
    settle();
    EXPECT_EQ(pendingIdentifiers(), QStringList{reminderId(*second, "-30")});
}

TEST_F(NotificationManagerTest, AFailedAddIsLoggedAndTheOtherDaysAreStillScheduled) {
    auto casa =
        policy(QStringLiteral("Casa"), utc("2026-06-01T08:00:00Z"), QStringLiteral("30, 7"));
    m_service.setAddError(QStringLiteral("the agent is gone"));
    m_manager->schedulePolicyReminder(*casa);
    settle();
    EXPECT_EQ(
        logLines(),
        (QStringList{
            QStringLiteral("Error scheduling policy reminder for 30 days: the agent is gone"),
            QStringLiteral("Error scheduling policy reminder for 7 days: the agent is gone")}));
}

TEST_F(NotificationManagerTest, AuthorizationAnswersAreLogged) {
    m_manager->requestAuthorization();
    settle();
    m_service.setAuthorization(false, QStringLiteral("no notification server"));
    m_manager->requestAuthorization();
    settle();
    EXPECT_EQ(
        logLines(),
        (QStringList{QStringLiteral("Notification authorization: true"),
                     QStringLiteral("Notification authorization error: no notification server"),
                     QStringLiteral("Notification authorization: false")}));
}

TEST_F(NotificationManagerTest, OutsideAnInstallationNothingIsScheduledOrCancelled) {
    auto casa = policy(QStringLiteral("Casa"), utc("2026-06-01T08:00:00Z"), QStringLiteral("30"));
    m_manager->schedulePolicyReminder(*casa);
    settle();
    ASSERT_EQ(m_service.pending().size(), 1);

    m_installation.installed = false;
    m_manager->requestAuthorization();
    m_manager->cancelPolicyNotifications(id(*casa));
    casa->setCustomReminderDays(QStringLiteral("7"));
    m_manager->schedulePolicyReminder(*casa);
    settle();
    EXPECT_EQ(pendingIdentifiers(), QStringList{reminderId(*casa, "-30")});
    EXPECT_EQ(logLines().last(),
              QStringLiteral("Notifications disabled: not running in app bundle"));
}

TEST_F(NotificationManagerTest, OpeningAReminderPostsTheNameOfItsPrefixOnce) {
    int newPolicy = 0, newEvent = 0, newTask = 0;
    QObject window;
    m_center.addObserver(NotificationName::newPolicy, &window, [&] { ++newPolicy; });
    m_center.addObserver(NotificationName::newEvent, &window, [&] { ++newEvent; });
    m_center.addObserver(NotificationName::newTask, &window, [&] { ++newTask; });
    int completions = 0;
    const auto done = [&] { ++completions; };
    m_manager->userNotificationCenterDidReceive(QStringLiteral("policy-ABC-30"), done);
    EXPECT_EQ(std::tuple(newPolicy, newEvent, newTask), std::tuple(1, 0, 0));
    m_manager->userNotificationCenterDidReceive(QStringLiteral("event-1"), done);
    m_manager->userNotificationCenterDidReceive(QStringLiteral("task-1"), done);
    m_manager->userNotificationCenterDidReceive(QStringLiteral("Policy-1"), done);
    m_manager->userNotificationCenterDidReceive(QStringLiteral("other"), done);
    EXPECT_EQ(std::tuple(newPolicy, newEvent, newTask), std::tuple(1, 1, 1));
    EXPECT_EQ(completions, 5);
    EXPECT_EQ(m_manager->userNotificationCenterWillPresent(QStringLiteral("policy-x")), 19);

    // The service's hand-over reaches the manager of an installed program.
    m_service.open(QStringLiteral("policy-ABC-7"), QStringLiteral("token"));
    settle();
    EXPECT_EQ(newPolicy, 2);

    // A manager made outside an installation does not answer for opened reminders.
    m_installation.installed = false;
    auto silent = NotificationManager::make({m_service, m_installation, m_clock, *m_log, m_center});
    m_installation.installed = true;
    m_manager.reset();
    m_service.open(QStringLiteral("policy-ABC-7"));
    settle();
    EXPECT_EQ(newPolicy, 2);
}

} // namespace
