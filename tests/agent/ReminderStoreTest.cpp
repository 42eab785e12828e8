#include "agent/ReminderStore.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
NotificationRequest request(const QString& identifier, int day = 10, int hour = 9) {
    return {identifier,
            "Policy Expiring Soon",
            "Casa (P-1) expires in 30 days",
            true,
            2026,
            6,
            day,
            hour,
            0};
}

QStringList identifiers(const QList<ReminderStore::Row>& rows) {
    QStringList result;
    for (const ReminderStore::Row& row : rows) {
        result.append(row.request.identifier);
    }
    return result;
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

class ReminderStoreTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath("data/quintaver-scheduler/reminders.sqlite"); }
    std::unique_ptr<ReminderStore> open() {
        QString error;
        auto store = ReminderStore::open(path(), &error);
        EXPECT_TRUE(store) << error.toStdString();
        return store;
    }
    QTemporaryDir m_dir;
};
} // namespace

TEST_F(ReminderStoreTest, KeepsRequestsPrivateAndAcrossReopening) {
    {
        auto store = open();
        ASSERT_FALSE(store->put(request("policy-A-30")));
        ASSERT_FALSE(store->put(request("event-1")));
    }
    // Every folder the store created is private; one the user made keeps the mode they set.
    EXPECT_EQ(modeOf(path()), mode_t(0600));
    EXPECT_EQ(modeOf(QFileInfo(path()).absolutePath()), mode_t(0700));
    EXPECT_EQ(modeOf(m_dir.filePath("data")), mode_t(0700));
    ASSERT_EQ(::chmod(QFile::encodeName(QFileInfo(path()).absolutePath()).constData(), 0750), 0);
    auto store = open();
    EXPECT_EQ(modeOf(QFileInfo(path()).absolutePath()), mode_t(0750));
    const QList<ReminderStore::Row> rows = store->all();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].request, request("policy-A-30"));
    EXPECT_EQ(identifiers(rows), QStringList({"policy-A-30", "event-1"}));
}

TEST_F(ReminderStoreTest, ReplacesByIdentifierAndRemovesOnlyWhatIsNamed) {
    auto store = open();
    ASSERT_FALSE(store->put(request("policy-A-30", 1)));
    ASSERT_FALSE(store->put(request("policy-A-15", 16)));
    NotificationRequest replacement = request("policy-A-30", 2);
    replacement.body = "changed";
    replacement.sound = false;
    ASSERT_FALSE(store->put(replacement));
    const QList<ReminderStore::Row> rows = store->all();
    // The replacement is one request, listed as the latest added.
    EXPECT_EQ(identifiers(rows), QStringList({"policy-A-15", "policy-A-30"}));
    EXPECT_EQ(rows[1].request, replacement);

    EXPECT_FALSE(store->remove({"policy-A-15", "policy-UNKNOWN-1"}));
    EXPECT_EQ(identifiers(store->all()), QStringList({"policy-A-30"}));
}

TEST_F(ReminderStoreTest, AddsSeveralAtOnceOrNoneOfThem) {
    auto store = open();
    NotificationRequest invalid = request("bad");
    invalid.hour = 25;
    EXPECT_TRUE(store->putAll({request("a"), request("b"), invalid}));
    EXPECT_EQ(store->count(), 0);
    EXPECT_FALSE(store->putAll({request("a"), request("b"), request("a", 20)}));
    EXPECT_EQ(identifiers(store->all()), QStringList({"b", "a"}));
}

TEST_F(ReminderStoreTest, RemovingAShownRowSparesAReplacementAddedMeanwhile) {
    auto store = open();
    ASSERT_FALSE(store->put(request("policy-A-7", 3)));
    const qint64 shownRow = store->all().at(0).rowId;
    ASSERT_FALSE(store->put(request("policy-A-7", 20)));
    EXPECT_FALSE(store->removeRow(shownRow));
    const QList<ReminderStore::Row> rows = store->all();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].request.day, 20);
}

TEST_F(ReminderStoreTest, FindsRequestsUpToAWallClockMinute) {
    auto store = open();
    ASSERT_FALSE(store->put(request("late", 10, 10)));
    ASSERT_FALSE(store->put(request("early", 9, 23)));
    ASSERT_FALSE(store->put(request("exact", 10, 9)));
    EXPECT_EQ(identifiers(store->upTo(ReminderStore::wallKey(2026, 6, 10, 9, 0))),
              QStringList({"early", "exact"}));
    EXPECT_TRUE(store->upTo(ReminderStore::wallKey(2026, 6, 9, 22, 59)).isEmpty());
}

TEST_F(ReminderStoreTest, RefusesRequestsWithoutAValidMinute) {
    auto store = open();
    const NotificationRequest valid = request("x");
    const auto with = [&](auto change) {
        NotificationRequest changed = valid;
        change(changed);
        return changed;
    };
    const QList<NotificationRequest> invalid = {
        with([](NotificationRequest& r) { r.identifier.clear(); }),
        with([](NotificationRequest& r) { r.month = 2, r.day = 30; }),
        with([](NotificationRequest& r) { r.month = 13; }),
        with([](NotificationRequest& r) { r.hour = 24; }),
        with([](NotificationRequest& r) { r.minute = -1; }),
        with([](NotificationRequest& r) { r.year = 0; }),
        with([](NotificationRequest& r) { r.year = 10000; }),
    };
    for (const NotificationRequest& bad : invalid) {
        EXPECT_TRUE(store->put(bad))
            << bad.identifier.toStdString() << " " << bad.year << "-" << bad.month << "-" << bad.day
            << " " << bad.hour << ":" << bad.minute;
    }
    EXPECT_EQ(store->count(), 0);
    EXPECT_FALSE(
        store->put(with([](NotificationRequest& r) { r.month = 2, r.day = 29, r.year = 2028; })));
}

TEST_F(ReminderStoreTest, RemembersThatAuthorizationWasRequested) {
    EXPECT_FALSE(open()->authorizationRequested());
    EXPECT_FALSE(open()->setAuthorizationRequested());
    EXPECT_TRUE(open()->authorizationRequested());
}

// A writer killed at random moments: every request it reported as stored is there afterwards.
TEST_F(ReminderStoreTest, AcknowledgedRequestsSurviveSigkill) {
    open();
    int acknowledged = 0;
    for (int round = 0; round < 20; ++round) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            QString error;
            auto store = ReminderStore::open(path(), &error);
            for (int i = 0; store; ++i) {
                const QString identifier = QStringLiteral("r%1-%2").arg(round).arg(i);
                if (store->put(request(identifier))) {
                    break;
                }
                const int written = i;
                if (::write(pipeFds[1], &written, sizeof written) != sizeof written) {
                    break;
                }
            }
            ::_exit(0);
        }
        ::close(pipeFds[1]);
        // The random moment counts from the first stored request, so that a slow start (a
        // loaded machine, the sanitizers) still leaves something to check.
        int last = -1;
        int value = 0;
        pollfd first{pipeFds[0], POLLIN, 0};
        if (::poll(&first, 1, 10000) == 1 &&
            ::read(pipeFds[0], &value, sizeof value) == sizeof value) {
            last = value;
        }
        ::usleep(useconds_t(2000 + (round * 7919) % 30000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        while (::read(pipeFds[0], &value, sizeof value) == sizeof value) {
            last = value;
        }
        ::close(pipeFds[0]);
        const QStringList stored = identifiers(open()->all());
        for (int i = 0; i <= last; ++i) {
            const QString identifier = QStringLiteral("r%1-%2").arg(round).arg(i);
            ASSERT_TRUE(stored.contains(identifier)) << "lost " << identifier.toStdString();
        }
        acknowledged += last + 1;
    }
    // The rounds did store something, or the test proved nothing.
    EXPECT_GT(acknowledged, 20);
}
