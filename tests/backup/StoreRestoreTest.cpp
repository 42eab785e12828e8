#include "backup/StoreRestore.h"
#include "BackupFixture.h"
#include "backup/BackupCatalog.h"

namespace {

class StoreRestoreTest : public BackupFixture {
protected:
    RestoreOutcome restore(const QString& chosen) {
        return StoreRestore::restore(
            {chosen, storePath(), backupFolder(), m_clock.now(), m_clock.timeZone()});
    }
    QStringList namesTagged(const char* tag, int count) {
        QStringList names;
        for (int i = 0; i < count; ++i) {
            names << QStringLiteral("%1-%2").arg(QLatin1String(tag)).arg(i);
        }
        names.sort();
        return names;
    }
};

// The chosen copy takes the store's place whole; the store as it was is backed up first, and
// the chosen file is not touched.
TEST_F(StoreRestoreTest, PutsTheChosenCopyInPlaceAfterBackingUpTheStore) {
    makeStore(storePath(), 3, 1, QStringLiteral("old"));
    ASSERT_TRUE(QDir().mkpath(backupFolder()));
    // Today's earlier backup, chosen: the backup taken before the restore must not remove it.
    const QString chosen =
        QDir(backupFolder()).filePath(QStringLiteral("QuintaverModel-2026-03-10-080000.sqlite"));
    makeStore(chosen, 5, 2, QStringLiteral("new"));
    const QByteArray chosenDigest = fileDigest(chosen);

    const RestoreOutcome outcome = restore(chosen);
    ASSERT_TRUE(outcome.restored) << outcome.error.toStdString();
    EXPECT_EQ(std::pair(outcome.contents.policies, outcome.contents.contacts),
              std::pair(qint64(5), qint64(2)));
    EXPECT_EQ(fileDigest(chosen), chosenDigest);
    EXPECT_EQ(policyNames(storePath()), namesTagged("new", 5));
    EXPECT_EQ(policyNames(outcome.backupOfPrevious), namesTagged("old", 3));
    EXPECT_EQ(modeOf(storePath()), mode_t(0600));
    EXPECT_EQ(BackupCatalog::list(backupFolder(), m_clock.timeZone()).size(), 2u);
    EXPECT_TRUE(outcome.movedAside.isEmpty());
    EXPECT_EQ(filesIn(m_dir.path()).filter(u".partial"), QStringList());
}

// A copy refused by its check, or a store still open, changes nothing.
TEST_F(StoreRestoreTest, ARefusedCopyOrAnOpenStoreChangesNothing) {
    makeStore(storePath(), 3, 1, QStringLiteral("old"));
    const QString chosen = storePath(QStringLiteral("chosen.sqlite"));
    makeStore(chosen, 5, 2, QStringLiteral("new"));
    const QString newer = storePath(QStringLiteral("newer.sqlite"));
    ASSERT_TRUE(QFile::copy(chosen, newer));
    RawSqlite(newer).exec("PRAGMA user_version = 2");
    const QByteArray before = fileDigest(storePath());

    RestoreOutcome outcome = restore(newer);
    EXPECT_FALSE(outcome.restored);
    EXPECT_EQ(outcome.contents.problem, StoreFileReport::Problem::NewerVersion);
    EXPECT_TRUE(outcome.error.contains(u"newer version")) << outcome.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(backupFolder())) << "nothing was backed up for it";

    {
        auto controller = open(storePath());
        outcome = restore(chosen);
        EXPECT_FALSE(outcome.restored);
        EXPECT_TRUE(outcome.error.contains(u"is still open")) << outcome.error.toStdString();
    }
    EXPECT_EQ(fileDigest(storePath()), before);
    EXPECT_EQ(policyNames(storePath()), namesTagged("old", 3));
    EXPECT_EQ(filesIn(m_dir.path()).filter(u".partial"), QStringList());
}

// A store that cannot be read whole is never written: it is moved aside with its log, byte for
// byte, and the copy takes its place.
TEST_F(StoreRestoreTest, ADamagedStoreIsMovedAsideWithItsLogUntouched) {
    makeStore(storePath(), 40, 1, QStringLiteral("old"));
    const QString chosen = storePath(QStringLiteral("chosen.sqlite"));
    makeStore(chosen, 5, 2, QStringLiteral("new"));
    {
        QFile file(storePath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(3 * 4096));
        ASSERT_EQ(file.write(QByteArray(4096, '\x5a')), 4096);
    }
    // A log beside it, as a program killed after a save leaves it.
    QFile log(storePath() + QStringLiteral("-wal"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly) && log.write(QByteArray(4096, '\x11')) == 4096);
    log.close();
    const QByteArray damaged = fileDigest(storePath());
    const QByteArray damagedLog = fileDigest(log.fileName());

    const RestoreOutcome outcome = restore(chosen);
    ASSERT_TRUE(outcome.restored) << outcome.error.toStdString();
    EXPECT_EQ(outcome.movedAside,
              storePath(QStringLiteral("QuintaverModel-damaged-2026-03-10-103000.sqlite")));
    EXPECT_EQ(fileDigest(outcome.movedAside), damaged);
    EXPECT_EQ(fileDigest(outcome.movedAside + QStringLiteral("-wal")), damagedLog);
    EXPECT_FALSE(QFileInfo::exists(log.fileName()));
    EXPECT_TRUE(outcome.backupOfPrevious.isEmpty());
    EXPECT_EQ(policyNames(storePath()), namesTagged("new", 5));
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join(u'\n').toStdString();
}

// Made ready while the program still has the store open: a save after its backup was taken is
// backed up again before the swap; a restore not confirmed leaves no file behind.
TEST_F(StoreRestoreTest, APreparedRestoreBacksUpASaveMadeMeanwhileOrLeavesNothing) {
    makeStore(storePath(), 3, 1, QStringLiteral("old"));
    const QString chosen = storePath(QStringLiteral("chosen.sqlite"));
    makeStore(chosen, 5, 2, QStringLiteral("new"));
    const auto request = [&] {
        return RestoreRequest{chosen, storePath(), backupFolder(), m_clock.now(),
                              m_clock.timeZone()};
    };
    PreparedRestore forgotten = StoreRestore::prepare(request());
    ASSERT_TRUE(forgotten.error.isEmpty()) << forgotten.error.toStdString();
    EXPECT_EQ(forgotten.contents.policies, 5);
    StoreRestore::discard(std::move(forgotten));
    EXPECT_EQ(filesIn(m_dir.path()).filter(u".partial"), QStringList());
    EXPECT_FALSE(QFileInfo::exists(backupFolder()));

    RestoreOutcome outcome;
    {
        auto controller = open(storePath());
        PreparedRestore prepared = StoreRestore::prepare(request());
        ASSERT_TRUE(prepared.backup && prepared.backup->written());
        ManagedObjectContext& context = controller->container().viewContext();
        insertPolicy(context, QStringLiteral("old-saved-meanwhile"));
        ASSERT_TRUE(context.save());
        controller.reset();
        m_clock.advanceTo(Instant(m_clock.now().msSinceEpoch() + 5000));
        outcome = StoreRestore::commit(request(), std::move(prepared));
    }
    ASSERT_TRUE(outcome.restored) << outcome.error.toStdString();
    EXPECT_EQ(policyNames(storePath()), namesTagged("new", 5));
    EXPECT_EQ(policyNames(outcome.backupOfPrevious), namesTagged("old", 3)
                                                         << QStringLiteral("old-saved-meanwhile"));
    EXPECT_EQ(filesIn(backupFolder()), QStringList{QFileInfo(outcome.backupOfPrevious).fileName()});
}

// Restoring with no store at all (the file deleted), and a copy still in write-ahead-log mode.
TEST_F(StoreRestoreTest, AMissingStoreIsRestoredAndACopyInLogModeOpens) {
    const QString chosen = storePath(QStringLiteral("chosen.sqlite"));
    makeStore(chosen, 5, 2, QStringLiteral("new"));
    ASSERT_EQ(RawSqlite(chosen, SQLITE_OPEN_READONLY).value("PRAGMA journal_mode"), u"wal");
    const RestoreOutcome outcome = restore(chosen);
    ASSERT_TRUE(outcome.restored) << outcome.error.toStdString();
    EXPECT_TRUE(outcome.backupOfPrevious.isEmpty());
    EXPECT_EQ(policyNames(storePath()), namesTagged("new", 5));
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join(u'\n').toStdString();
}

} // namespace
