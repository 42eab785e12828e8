#include "backup/BackupService.h"
#include "BackupFixture.h"
#include "support/WaitUntil.h"

namespace {

using TimeHelpers::utc;

class BackupServiceTest : public BackupFixture {
protected:
    BackupServiceTest() {
        QObject::connect(&m_service, &BackupService::backupFinished, &m_service,
                         [this](const BackupOutcome& outcome) { m_outcomes.push_back(outcome); });
        QObject::connect(&m_service, &BackupService::restoreFinished, &m_service,
                         [this](const RestoreOutcome& outcome) { m_restores.push_back(outcome); });
    }
    bool awaitOutcomes(size_t count) {
        return waitUntil([&] { return m_outcomes.size() == count && !m_service.isBusy(); }, 30000);
    }

    BackupService m_service{{m_clock, *m_log}, storePath(), backupFolder()};
    std::vector<BackupOutcome> m_outcomes;
    std::vector<RestoreOutcome> m_restores;
};

// At start-up when the newest backup is a day old, after the first save of a new day, and by
// hand; a failure is said once and held until a backup succeeds.
TEST_F(BackupServiceTest, BacksUpWhenDueAndHoldsAFailureUntilABackupSucceeds) {
    makeStore(storePath(), 3, 1);
    ASSERT_TRUE(QDir().mkpath(backupFolder()));
    ASSERT_TRUE(QFile::copy(
        storePath(),
        QDir(backupFolder()).filePath(QStringLiteral("QuintaverModel-2026-03-10-083000.sqlite"))));
    m_service.backUpIfDueAtStartUp();
    m_service.noteSaved();
    EXPECT_FALSE(m_service.isBusy()) << "two hours old, and dated today";

    m_clock.advanceTo(utc("2026-03-11T08:30:00Z"));
    m_service.backUpIfDueAtStartUp();
    ASSERT_TRUE(awaitOutcomes(1));
    EXPECT_TRUE(m_outcomes[0].written()) << m_outcomes[0].error.toStdString();
    EXPECT_EQ(m_service.newestBackup()->path, m_outcomes[0].path);
    m_service.noteSaved();
    EXPECT_FALSE(m_service.isBusy());

    // The next morning's first save, with a store that cannot be copied.
    const QString kept = storePath(QStringLiteral("kept.sqlite"));
    ASSERT_TRUE(QFile::rename(storePath(), kept));
    m_clock.advanceTo(utc("2026-03-12T06:00:00Z"));
    m_service.noteSaved();
    ASSERT_TRUE(awaitOutcomes(2));
    EXPECT_FALSE(m_outcomes[1].written());
    ASSERT_TRUE(m_service.failure());
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(u"Error writing backup: Cannot open "))
        << lines[0].toStdString();
    // Not tried again at every save that day.
    m_service.noteSaved();
    EXPECT_FALSE(m_service.isBusy());

    // A copy to a file of the user's choosing is told to its caller, and says nothing of the
    // dated backups.
    ASSERT_TRUE(QFile::rename(kept, storePath()));
    const QString chosen = m_dir.filePath(QStringLiteral("chiavetta.sqlite"));
    std::optional<BackupOutcome> copied;
    m_service.backUpTo(chosen, [&copied](const BackupOutcome& outcome) { copied = outcome; });
    ASSERT_TRUE(awaitOutcomes(3));
    ASSERT_TRUE(copied && copied->written())
        << copied.value_or(BackupOutcome{}).error.toStdString();
    EXPECT_EQ(copied->path, chosen);
    EXPECT_TRUE(m_service.failure());

    m_service.backUpNow();
    ASSERT_TRUE(awaitOutcomes(4));
    EXPECT_TRUE(m_outcomes[3].written());
    EXPECT_FALSE(m_service.failure());
}

// A restore waits for the backup asked before it, and is refused while the store is open.
TEST_F(BackupServiceTest, ARestoreFollowsTheBackupsAskedBeforeItAndNeedsTheStoreClosed) {
    makeStore(storePath(), 3, 1, QStringLiteral("old"));
    const QString chosen = storePath(QStringLiteral("chosen.sqlite"));
    makeStore(chosen, 5, 2, QStringLiteral("new"));
    {
        auto controller = open(storePath());
        m_service.restore(chosen);
        ASSERT_TRUE(waitUntil([&] { return !m_restores.empty(); }, 30000));
    }
    EXPECT_FALSE(m_restores[0].restored);
    EXPECT_EQ(logLines().filter(QStringLiteral("Error restoring backup: ")).size(), 1);
    EXPECT_TRUE(logLines().join(u'\n').contains(u"is still open"))
        << logLines().join(u'\n').toStdString();

    m_service.backUpNow();
    m_service.restore(chosen);
    ASSERT_TRUE(waitUntil([&] { return m_restores.size() == 2 && !m_service.isBusy(); }, 30000));
    ASSERT_EQ(m_outcomes.size(), 1u);
    EXPECT_EQ(StoreFileCheck::check(m_outcomes[0].path).policies, 3);
    EXPECT_TRUE(m_restores[1].restored) << m_restores[1].error.toStdString();
    EXPECT_EQ(policyNames(storePath()).size(), 5);
}

// Made ready while the user is asked: a restore not confirmed leaves nothing behind; a
// confirmed one swaps in the copy checked then, with the backup taken then.
TEST_F(BackupServiceTest, ARestoreMadeReadyIsForgottenOrSwappedIn) {
    makeStore(storePath(), 3, 1, QStringLiteral("old"));
    const QString chosen = storePath(QStringLiteral("chosen.sqlite"));
    makeStore(chosen, 5, 2, QStringLiteral("new"));
    auto controller = open(storePath());
    std::optional<StoreFileReport> checked;
    const auto prepare = [&] {
        checked.reset();
        m_service.prepareRestore(chosen, [&](const StoreFileReport& report) { checked = report; });
        return waitUntil([&] { return checked.has_value(); }, 30000);
    };
    ASSERT_TRUE(prepare());
    EXPECT_EQ(checked->policies, 5);
    m_service.forgetPreparedRestore();
    ASSERT_TRUE(waitUntil([&] { return !m_service.isBusy(); }, 30000));
    EXPECT_EQ(filesIn(m_dir.path()).filter(u".partial"), QStringList());
    EXPECT_EQ(filesIn(backupFolder()), QStringList());

    ASSERT_TRUE(prepare());
    const QStringList preparedBackup = filesIn(backupFolder());
    ASSERT_EQ(preparedBackup.size(), 1);
    controller.reset();
    m_clock.advanceTo(utc("2026-03-10T11:00:00Z"));
    m_service.restore(chosen);
    ASSERT_TRUE(waitUntil([&] { return !m_restores.empty() && !m_service.isBusy(); }, 30000));
    ASSERT_TRUE(m_restores[0].restored) << m_restores[0].error.toStdString();
    EXPECT_EQ(filesIn(backupFolder()), preparedBackup);
    EXPECT_EQ(policyNames(storePath()).size(), 5);
}

} // namespace
