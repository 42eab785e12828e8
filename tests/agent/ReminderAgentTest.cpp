#include "agent/ReminderAgent.h"
#include "FakePresenter.h"
#include "support/ManualClock.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {
Instant at(const char* isoUtc) {
    return Instant::fromDateTime(QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate));
}

// Lets the queued answers of the fake server arrive.
void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
}

NotificationRequest request(const QString& identifier, int year, int month, int day, int hour,
                            int minute) {
    return {
        identifier, "Policy Expiring Soon", identifier + " expires", true, year, month, day, hour,
        minute};
}

class ReminderAgentTest : public ::testing::Test {
protected:
    ReminderAgentTest()
        : m_devNull(::open("/dev/null", O_WRONLY | O_CLOEXEC))
        , m_log(m_devNull) {
        reopen();
    }
    ~ReminderAgentTest() override {
        m_agent.reset();
        ::close(m_devNull);
    }

    // A new agent on the same file, as after the agent was stopped and started again.
    void reopen() {
        m_agent.reset();
        m_store.reset();
        QString error;
        m_store = ReminderStore::open(m_dir.filePath("reminders.sqlite"), &error);
        ASSERT_TRUE(m_store) << error.toStdString();
        m_agent = std::make_unique<ReminderAgent>(m_clock, *m_store, m_presenter, m_log);
    }
    void add(const NotificationRequest& r) { ASSERT_FALSE(m_agent->add(r)); }
    QStringList pending() const {
        QStringList identifiers;
        for (const NotificationRequest& r : m_agent->pending()) {
            identifiers.append(r.identifier);
        }
        return identifiers;
    }
    void advanceTo(const char* isoUtc) {
        m_clock.advanceTo(at(isoUtc));
        settle();
    }

    QTemporaryDir m_dir;
    int m_devNull;
    LogChannel m_log;
    ManualClock m_clock{at("2026-06-01T06:00:00Z"), QTimeZone("Europe/Rome")};
    FakePresenter m_presenter;
    std::unique_ptr<ReminderStore> m_store;
    std::unique_ptr<ReminderAgent> m_agent;
};
} // namespace

TEST_F(ReminderAgentTest, ShowsEachRequestOnceAtItsMinuteInTheZoneOfThatMinute) {
    struct Case {
        const char* name;
        NotificationRequest request;
        const char* lastMinuteBefore; // UTC
        const char* due;              // UTC
    };
    const Case cases[] = {
        {"summer", request("policy-A-30", 2026, 6, 10, 9, 0), "2026-06-10T06:59:00Z",
         "2026-06-10T07:00:00Z"},
        {"winter", request("policy-B-30", 2026, 12, 10, 9, 15), "2026-12-10T08:14:00Z",
         "2026-12-10T08:15:00Z"},
        // 02:30 does not exist on the spring-forward day: the first instant after the gap.
        {"spring gap", request("policy-C-30", 2026, 3, 29, 2, 30), "2026-03-29T00:59:00Z",
         "2026-03-29T01:00:00Z"},
        // 02:30 happens twice on the autumn day: the first time only.
        {"autumn repeat", request("policy-D-30", 2026, 10, 25, 2, 30), "2026-10-25T00:29:00Z",
         "2026-10-25T00:30:00Z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_presenter.shown.clear();
        m_clock.jumpTo(Instant(at(c.lastMinuteBefore).msSinceEpoch() - 3'600'000));
        reopen();
        m_agent->start();
        add(c.request);
        settle();
        advanceTo(c.lastMinuteBefore);
        EXPECT_TRUE(m_presenter.shown.isEmpty());
        EXPECT_EQ(pending(), QStringList{c.request.identifier});
        advanceTo(c.due);
        ASSERT_EQ(m_presenter.shown.size(), 1);
        EXPECT_EQ(m_presenter.shown[0], c.request);
        EXPECT_TRUE(pending().isEmpty());
        // The rest of the day, including a repeated hour, shows nothing more.
        for (int hour = 1; hour <= 3; ++hour) {
            advanceTo(
                QDateTime::fromMSecsSinceEpoch(at(c.due).msSinceEpoch() + hour * 3'600'000, Qt::UTC)
                    .toString(Qt::ISODate)
                    .toLatin1()
                    .constData());
        }
        EXPECT_EQ(m_presenter.shown.size(), 1);
    }
}

TEST_F(ReminderAgentTest, FollowsWallClockJumpsAndZoneChanges) {
    m_agent->start();
    add(request("policy-A-30", 2026, 6, 1, 9, 0)); // 07:00 UTC in Rome
    add(request("policy-B-30", 2026, 6, 1, 12, 0));
    settle();
    EXPECT_TRUE(m_presenter.shown.isEmpty());

    // Set back by hand: nothing is due yet.
    m_clock.jumpTo(at("2026-06-01T04:00:00Z"));
    settle();
    EXPECT_TRUE(m_presenter.shown.isEmpty());
    // Moved to London the wall clock reads 05:00, moved to Tokyo 13:00: both are due there.
    m_clock.setTimeZone(QTimeZone("Europe/London"));
    settle();
    EXPECT_TRUE(m_presenter.shown.isEmpty());
    m_clock.setTimeZone(QTimeZone("Asia/Tokyo"));
    settle();
    EXPECT_EQ(m_presenter.shownIdentifiers(), QStringList({"policy-A-30", "policy-B-30"}));

    // A jump forward (a resume after a night's suspend) shows what fell due meanwhile.
    m_clock.setTimeZone(QTimeZone("Europe/Rome"));
    add(request("event-1", 2026, 6, 2, 8, 0));
    m_clock.jumpTo(at("2026-06-02T09:00:00Z"));
    settle();
    EXPECT_EQ(m_presenter.shownIdentifiers(),
              QStringList({"policy-A-30", "policy-B-30", "event-1"}));
    // Jumping back does not show anything a second time.
    m_clock.jumpTo(at("2026-06-01T00:00:00Z"));
    advanceTo("2026-06-02T10:00:00Z");
    EXPECT_EQ(m_presenter.shown.size(), 3);
}

TEST_F(ReminderAgentTest, ShowsOnlyTheLatestMissedReminderOfEachPolicyAtStart) {
    // Added while the agent ran, then the agent stopped for two weeks.
    const QString p = "policy-0F2B5D8E-1111-4C3A-9D2E-ABCDEFABCDEF";
    const QString q = "policy-77777777-2222-4C3A-9D2E-ABCDEFABCDEF";
    add(request(p + "-30", 2026, 6, 2, 9, 0));
    add(request(p + "-15", 2026, 6, 10, 9, 0));
    add(request(p + "-7", 2026, 6, 25, 9, 0));
    add(request(q + "-0", 2026, 6, 3, 9, 0));
    add(request(q + "--2", 2026, 6, 5, 9, 0));
    add(request("event-1", 2026, 6, 3, 9, 0));
    add(request("task-1", 2026, 6, 4, 9, 0));
    add(request("task-2", 2026, 6, 6, 9, 0));
    m_clock.jumpTo(at("2026-06-15T10:00:00Z"));
    reopen();
    EXPECT_TRUE(m_presenter.shown.isEmpty());
    m_agent->start();
    settle();
    EXPECT_EQ(m_presenter.shownIdentifiers(),
              QStringList({"event-1", "task-1", q + "--2", "task-2", p + "-15"}));
    EXPECT_EQ(pending(), QStringList{p + "-7"});
}

// The calendar spans the years 1 to 9999 in UTC: a wall-clock minute whose instant lies outside
// it in the agent's zone can never be due and is refused; one just inside is shown at once.
TEST_F(ReminderAgentTest, RefusesRequestsThatCanNeverBeDueAndShowsTheEarliestThatCan) {
    m_agent->start();
    // Rome is ahead of UTC.
    EXPECT_EQ(m_agent->add(request("policy-A-1", 1, 1, 1, 0, 0)).value_or("").toStdString(),
              "The minute 0001-01-01 00:00 in Europe/Rome lies outside the calendar, which spans "
              "the years 1 to 9999 in UTC");
    add(request("policy-B-1", 1, 1, 1, 1, 0));
    m_clock.setTimeZone(QTimeZone("America/New_York"));
    EXPECT_TRUE(m_agent->add(request("policy-C-1", 9999, 12, 31, 23, 59)));
    m_clock.setTimeZone(QTimeZone::utc());
    add(request("policy-D-1", 9999, 12, 31, 23, 59));
    // Accepted in UTC; in Rome its minute falls before the calendar begins, so it is past.
    add(request("policy-E-1", 1, 1, 1, 0, 30));
    settle();
    m_clock.setTimeZone(QTimeZone("Europe/Rome"));
    settle();
    EXPECT_EQ(m_presenter.shownIdentifiers(), QStringList({"policy-B-1", "policy-E-1"}));
    EXPECT_EQ(pending(), QStringList{"policy-D-1"});
}

TEST_F(ReminderAgentTest, PolicyKeyNamesThePolicyWhateverTheDay) {
    const std::pair<const char*, const char*> cases[] = {
        {"policy-0F2B5D8E-1111-4C3A-9D2E-ABCDEFABCDEF-30",
         "policy-0F2B5D8E-1111-4C3A-9D2E-ABCDEFABCDEF"},
        {"policy-0F2B5D8E-1111-4C3A-9D2E-ABCDEFABCDEF--2",
         "policy-0F2B5D8E-1111-4C3A-9D2E-ABCDEFABCDEF"},
        {"policy-x-0", "policy-x"},
        {"policy-", ""},
        {"policy--5", ""},
        {"event-1-2", ""},
        {"reminder", ""},
    };
    for (const auto& [identifier, key] : cases) {
        EXPECT_EQ(ReminderAgent::policyKey(identifier), QString(key)) << identifier;
    }
}

TEST_F(ReminderAgentTest, KeepsRequestsWhileNoServerAnswersAndShowsThemWhenOneAppears) {
    m_presenter.setServerUp(false);
    m_agent->start();
    add(request("policy-A-30", 2026, 6, 1, 9, 0));
    advanceTo("2026-06-01T07:00:00Z");
    advanceTo("2026-06-01T07:01:00Z");
    EXPECT_TRUE(m_presenter.shown.isEmpty());
    EXPECT_EQ(pending(), QStringList{"policy-A-30"});
    m_presenter.setServerUp(true);
    settle();
    EXPECT_EQ(m_presenter.shownIdentifiers(), QStringList{"policy-A-30"});
    EXPECT_TRUE(pending().isEmpty());
}

TEST_F(ReminderAgentTest, WhatIsAddedWhileAnotherRequestIsBeingShownStaysPending) {
    m_agent->start();
    add(request("policy-A-7", 2026, 6, 1, 7, 0)); // due already: sent to the server at once
    add(request("policy-A-7", 2026, 6, 20, 9, 0));
    settle();
    ASSERT_EQ(m_presenter.shown.size(), 1);
    ASSERT_EQ(m_agent->pending().size(), 1);
    EXPECT_EQ(m_agent->pending()[0].day, 20);

    // The request being shown holds the newest row; it is removed and another added before
    // the server answers, so SQLite would hand its row id out again.
    add(request("policy-B-7", 2026, 6, 1, 7, 30));
    m_agent->remove({"policy-B-7"});
    add(request("policy-C-7", 2026, 6, 1, 9, 0));
    settle();
    EXPECT_EQ(pending(), QStringList({"policy-A-7", "policy-C-7"}));
    advanceTo("2026-06-01T07:00:00Z");
    EXPECT_EQ(m_presenter.shownIdentifiers(),
              QStringList({"policy-A-7", "policy-B-7", "policy-C-7"}));
}

TEST_F(ReminderAgentTest, HandsAnOpenedNotificationToTheProgramOnce) {
    QSignalSpy opened(m_agent.get(), &ReminderAgent::openRequested);
    m_agent->start();
    add(request("policy-A-30", 2026, 6, 1, 7, 0));
    add(request("event-1", 2026, 6, 1, 7, 30));
    settle();
    ASSERT_EQ(m_presenter.shown.size(), 2);
    m_presenter.click(1, "token-1");
    m_presenter.click(1, "token-1b");
    m_presenter.click(99, "not ours");
    m_presenter.click(2, QString());
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QVariantList({"policy-A-30", "token-1"}));
    EXPECT_EQ(opened[1], QVariantList({"event-1", QString()}));

    // Shown, then the agent restarts while the server runs on: still opened, once.
    add(request("task-1", 2026, 6, 1, 7, 45));
    settle();
    ASSERT_EQ(m_presenter.shown.size(), 3);
    reopen();
    QSignalSpy reopened(m_agent.get(), &ReminderAgent::openRequested);
    m_agent->start();
    m_presenter.click(3, "token-3");
    m_presenter.click(3, "token-3b");
    EXPECT_EQ(reopened, QList<QVariantList>({{"task-1", "token-3"}}));

    // Shown but never opened, then the server is replaced: the new server's notification 4 is
    // not ours.
    add(request("task-2", 2026, 6, 1, 7, 50));
    settle();
    ASSERT_EQ(m_presenter.shown.size(), 4);
    m_presenter.replaceServer();
    m_presenter.click(4, QString());
    EXPECT_EQ(reopened.size(), 1);
}

TEST_F(ReminderAgentTest, AuthorizationIsNotDeterminedUntilAskedThenFollowsTheServer) {
    using Status = NotificationService::AuthorizationStatus;
    std::optional<Status> status;
    const auto readStatus = [&] {
        status.reset();
        m_agent->authorizationStatus([&](Status s) { status = s; });
        settle();
        return status;
    };
    EXPECT_EQ(readStatus(), Status::NotDetermined);
    std::optional<bool> granted;
    m_agent->requestAuthorization([&](bool g, const QString&) { granted = g; });
    settle();
    EXPECT_EQ(granted, true);
    EXPECT_EQ(readStatus(), Status::Authorized);
    m_presenter.setServerUp(false);
    EXPECT_EQ(readStatus(), Status::Denied);
    reopen();
    m_agent->requestAuthorization([&](bool g, const QString&) { granted = g; });
    settle();
    EXPECT_EQ(granted, false);
    m_presenter.setServerUp(true);
    EXPECT_EQ(readStatus(), Status::Authorized);
}
