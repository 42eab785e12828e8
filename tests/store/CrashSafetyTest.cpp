#include "support/RawSqlite.h"
#include "support/StoreFixture.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <random>
#include <sys/wait.h>

namespace {

// The numbers of the saves that a killed writer reported as done.
std::vector<qint64> reportedSaves(QProcess& writer) {
    std::vector<qint64> saves;
    for (const QByteArray& line : writer.readAllStandardOutput().split('\n')) {
        if (line.startsWith("saved ")) {
            saves.push_back(line.mid(6).toLongLong());
        }
    }
    return saves;
}

void waitForFirstSave(QProcess& writer) {
    QDeadlineTimer deadline(10000);
    while (!writer.peek(writer.bytesAvailable()).contains("saved ") && !deadline.hasExpired()) {
        writer.waitForReadyRead(50);
    }
}

} // namespace

class CrashSafety : public StoreFixture {
protected:
    // A store whose creation was cut short opens, without a word, and saves.
    void expectCompletedByTheNextStart(const QString& path) {
        {
            auto controller = open(path);
            ManagedObjectContext& context = controller->container().viewContext();
            ASSERT_NE(context.persistentStore(), nullptr) << logLines().join(u'\n').toStdString();
            insertPolicy(context, QStringLiteral("Casa"));
            ASSERT_TRUE(context.save());
        }
        EXPECT_EQ(open(path)->container().viewContext().fetch(Policy::fetchRequest()).size(), 1u);
        EXPECT_TRUE(logLines().isEmpty()) << logLines().join(u'\n').toStdString();
    }
};

// A writer that saves in a loop is killed at random moments, now and then before it has even
// created its file. After every kill the file is whole and holds every save that had returned.
TEST_F(CrashSafety, AKilledWriterLosesNoSaveThatReturned) {
    constexpr int kKills = 150;
    std::mt19937 random(20261206);
    QString path;
    int savesChecked = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        if (kill % 30 == 0) {
            path = storePath(QStringLiteral("crash-%1.sqlite").arg(kill));
        }
        const QString tag = QStringLiteral("run%1").arg(kill);
        QProcess writer;
        writer.start(QStringLiteral(QS_STORE_WRITER), {path, QStringLiteral("loop"), tag});
        ASSERT_TRUE(writer.waitForStarted());
        const bool early = kill % 30 == 0;
        if (!early) {
            // A slow start (a loaded machine, the sanitizers) must not leave nothing to check:
            // the random moment is counted from the writer's first save.
            waitForFirstSave(writer);
        }
        const int delayMs = early ? int(random() % 40) : int(random() % 250);
        QThread::msleep(delayMs);
        ::kill(pid_t(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(30000));
        const std::vector<qint64> saves = reportedSaves(writer);
        SCOPED_TRACE(QStringLiteral("kill %1 after %2 ms, %3 saves")
                         .arg(kill)
                         .arg(delayMs)
                         .arg(saves.size())
                         .toStdString());

        if (!QFile::exists(path)) {
            ASSERT_TRUE(saves.empty());
            continue;
        }
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        ASSERT_NE(context.persistentStore(), nullptr) << logLines().join(u'\n').toStdString();
        QSet<QString> names;
        std::shared_ptr<Contact> counter;
        for (const auto& policy : context.fetch(Policy::fetchRequest())) {
            names.insert(policy->name());
        }
        for (const auto& contact : context.fetch(Contact::fetchRequest())) {
            if (contact->lastName() == u"counter") {
                counter = contact;
            }
        }
        for (qint64 n : saves) {
            ASSERT_TRUE(names.contains(tag + u'-' + QString::number(n))) << n;
        }
        if (!saves.empty()) {
            ASSERT_NE(counter, nullptr);
            // The counter shows the last reported save or one that was done but not yet said.
            const QStringList parts = counter->notes().value_or(QString()).split(u'-');
            ASSERT_EQ(parts.size(), 2);
            EXPECT_EQ(parts[0], tag);
            EXPECT_GE(parts[1].toLongLong(), saves.back());
        }
        savesChecked += int(saves.size());
        RawSqlite raw(path);
        ASSERT_EQ(raw.value("PRAGMA integrity_check"), u"ok");
    }
    EXPECT_GT(savesChecked, kKills) << "the writer was killed too early to test anything";
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join(u'\n').toStdString();
}

// A writer killed while updating the log's index (the "-shm" file) leaves an index that only a
// writing connection may rebuild; the store's first, read-only look must not refuse the store.
TEST_F(CrashSafety, AHalfWrittenLogIndexIsRebuiltAndTheStoreOpens) {
    const QString path = storePath();
    QProcess writer;
    writer.setProcessChannelMode(QProcess::SeparateChannels);
    writer.start(QStringLiteral(QS_STORE_WRITER),
                 {path, QStringLiteral("loop"), QStringLiteral("w")});
    ASSERT_TRUE(writer.waitForReadyRead(30000));
    while (reportedSaves(writer).empty() && writer.waitForReadyRead(30000)) {
    }
    ::kill(pid_t(writer.processId()), SIGKILL);
    ASSERT_TRUE(writer.waitForFinished(30000));
    ASSERT_GT(QFileInfo(path + QStringLiteral("-wal")).size(), 0);
    {
        QFile index(path + QStringLiteral("-shm"));
        ASSERT_TRUE(index.open(QIODevice::ReadWrite));
        index.write(QByteArray(136, '\x5a')); // both copies of the index header, torn
    }
    const QByteArray before = fileDigest(path);
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    ASSERT_NE(context.persistentStore(), nullptr) << logLines().join(u'\n').toStdString();
    EXPECT_FALSE(context.fetch(Policy::fetchRequest()).empty());
    EXPECT_EQ(fileDigest(path), before) << "opening rebuilt only the index beside the file";
}

// The first start stopped right after SQLite wrote the new file's first page in write-ahead-log
// mode: no log beside it, which a read-only connection cannot open. The next start completes
// the store.
TEST_F(CrashSafety, AStoreCutShortAfterItsFirstPageIsCompleted) {
    const QString path = storePath();
    {
        RawSqlite raw(path);
        ASSERT_EQ(raw.value("PRAGMA journal_mode = WAL"), u"wal");
    }
    ASSERT_FALSE(QFileInfo::exists(path + QStringLiteral("-wal")));
    expectCompletedByTheNextStart(path);
}

// The first start was stopped while SQLite was writing the new file's first page: a hot
// rollback journal lies beside it, which only a writing connection may roll back.
TEST_F(CrashSafety, AStoreCutShortWithAHotJournalIsCompleted) {
    const QString path = storePath();
    const pid_t child = ::fork();
    if (child == 0) {
        RawSqlite raw(path);
        // A cache of a few pages makes SQLite write into the file before the commit.
        raw.exec("PRAGMA cache_size = 2; BEGIN; CREATE TABLE t(x);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200)"
                 " INSERT INTO t SELECT randomblob(1000) FROM n");
        ::_exit(0); // killed mid-transaction, as far as the file can tell
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_GT(QFileInfo(path + QStringLiteral("-journal")).size(), 0);
    ASSERT_GT(QFileInfo(path).size(), 0);
    expectCompletedByTheNextStart(path);
}
