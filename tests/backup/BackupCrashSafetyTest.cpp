#include "BackupFixture.h"
#include "ForkedChild.h"
#include "backup/BackupFileName.h"
#include "backup/BackupWriter.h"
#include "backup/StoreFileCheck.h"
#include "backup/StoreRestore.h"

#include <QElapsedTimer>
#include <QSet>
#include <QThread>

#include <random>

namespace {

constexpr int kKills = 100;

// A kill ends a process, not the machine: what the process wrote stays in the page cache, and the
// order of its steps is what is tested. In memory (/dev/shm, when there is one) the flushes cost
// nothing, so the rounds go fast.
class BackupCrashSafety : public BackupFixture {
protected:
    BackupCrashSafety()
        : m_fast(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                     ? QStringLiteral("/dev/shm/backup-crash-XXXXXX")
                     : QDir::tempPath() + QStringLiteral("/backup-crash-XXXXXX")) {}

    QString storePath(const QString& name = QStringLiteral("QuintaverModel.sqlite")) const {
        return m_fast.filePath(name);
    }
    QString backupFolder() const { return m_fast.filePath(QStringLiteral("backups")); }

    // Backs up forever, the clock an hour on for each, so that the retention removes as
    // backups are written; says "written" after each.
    std::function<void(LogChannel&)> backupLoop(Instant start) {
        return [this, start](LogChannel& said) {
            said.write(QStringLiteral("begin"));
            for (qint64 ms = start.msSinceEpoch();; ms += TimeHelpers::kHourMs) {
                if (!BackupWriter::write(
                         {storePath(), backupFolder(), {}, Instant(ms), m_clock.timeZone()})
                         .written()) {
                    ::_exit(1);
                }
                said.write(QStringLiteral("written"));
            }
        };
    }
    std::function<void(LogChannel&)> restoreOf(const QString& chosen, Instant now) {
        return [this, chosen, now](LogChannel& said) {
            said.write(QStringLiteral("begin"));
            if (StoreRestore::restore(
                    {chosen, storePath(), backupFolder(), now, m_clock.timeZone()})
                    .restored) {
                said.write(QStringLiteral("restored"));
            }
        };
    }
    // How long the work takes here, undisturbed, in ms: the kills fall across that time.
    static int durationMs(const std::function<void(LogChannel&)>& work) {
        QElapsedTimer timer;
        timer.start();
        ForkedChild child(work);
        EXPECT_EQ(child.finish(), 0);
        return int(timer.elapsed());
    }

    QTemporaryDir m_fast;
};

// A writer of backups killed at random moments, at any step of a backup or of the removals
// that follow: every file under a backup's final name is a whole, checked store.
TEST_F(BackupCrashSafety, AKilledBackupLeavesNoFinalFileThatFailsTheCheck) {
    makeStore(storePath(), 100, 20);
    int spanMs = durationMs([this](LogChannel&) {
        BackupWriter::write({storePath(),
                             m_fast.filePath(QStringLiteral("timed")),
                             {},
                             m_clock.now(),
                             m_clock.timeZone()});
    });
    std::mt19937 random(20260310);
    QSet<QString> checked;
    int wrote = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        // Each round a month on.
        ForkedChild child(backupLoop(
            Instant(m_clock.now().msSinceEpoch() + qint64(kill) * 30 * TimeHelpers::kDayMs)));
        ASSERT_TRUE(child.waitFor("begin")) << child.said().toStdString();
        // During the first backup, or the removals after it, or the second.
        const int delayMs = int(random() % uint(spanMs + spanMs / 2 + 1));
        QThread::msleep(ulong(delayMs));
        const bool written = child.kill().contains("written");
        wrote += written;
        // A loaded machine backs up slower than the undisturbed run: the kills follow.
        if (!written && delayMs >= spanMs) {
            spanMs = delayMs + delayMs / 2;
        }
        SCOPED_TRACE(QStringLiteral("kill %1 after %2 ms").arg(kill).arg(delayMs).toStdString());
        for (const QString& name : filesIn(backupFolder())) {
            const QString path = QDir(backupFolder()).filePath(name);
            if (!BackupFileName::localTimeOf(name) || checked.contains(path)) {
                continue;
            }
            const StoreFileReport report = StoreFileCheck::check(path);
            ASSERT_TRUE(report.isWhole()) << name.toStdString() << ": " << report.why.toStdString();
            ASSERT_EQ(report.policies, 100);
            checked.insert(path);
        }
    }
    EXPECT_GT(wrote, kKills / 10) << "killed too early to test anything";
    EXPECT_LT(wrote, kKills - kKills / 10) << "killed too late to test anything";
    EXPECT_GE(checked.size(), wrote);
}

// A restore killed at random moments leaves the store it replaced or the one it put in place,
// whole, never a mix; and the program's next start opens it without a word.
TEST_F(BackupCrashSafety, AKilledRestoreLeavesTheOldStoreOrTheNewOneWhole) {
    const QString first = storePath(QStringLiteral("first.sqlite"));
    const QString second = storePath(QStringLiteral("second.sqlite"));
    makeStore(first, 30, 10, QStringLiteral("first"));
    makeStore(second, 50, 10, QStringLiteral("second"));
    ASSERT_TRUE(QFile::copy(first, storePath()));
    int spanMs = durationMs(restoreOf(second, m_clock.now()));
    qint64 held = 50;
    std::mt19937 random(20260311);
    int restored = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        ForkedChild child(restoreOf(held == 30 ? second : first,
                                    Instant(m_clock.now().msSinceEpoch() + kill * 1000)));
        ASSERT_TRUE(child.waitFor("begin")) << child.said().toStdString();
        const int delayMs = int(random() % uint(spanMs + spanMs / 4 + 1));
        QThread::msleep(ulong(delayMs));
        const bool said = child.kill().contains("restored");
        // A loaded machine restores slower than the undisturbed run: the kills follow.
        if (!said && delayMs >= spanMs) {
            spanMs = delayMs + delayMs / 2;
        }
        SCOPED_TRACE(QStringLiteral("kill %1 after %2 ms").arg(kill).arg(delayMs).toStdString());

        const StoreFileReport report =
            StoreFileCheck::check(storePath(), nullptr, StoreFileCheck::Reading::WithLog);
        ASSERT_TRUE(report.isWhole()) << report.why.toStdString();
        ASSERT_TRUE(report.policies == 30 || report.policies == 50) << report.policies;
        if (said) {
            ASSERT_NE(report.policies, held) << "said restored, yet the old store is in place";
        }
        restored += report.policies != held;
        held = report.policies;
        const QStringList names = policyNames(storePath());
        ASSERT_EQ(names.size(), held);
        ASSERT_TRUE(names.first().startsWith(held == 30 ? u"first" : u"second"));
        ASSERT_TRUE(logLines().isEmpty()) << logLines().join(u'\n').toStdString();
    }
    EXPECT_GT(restored, kKills / 10) << "killed too early to test anything";
    EXPECT_LT(restored, kKills) << "killed too late to test anything";
}

} // namespace
