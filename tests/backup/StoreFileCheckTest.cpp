#include "backup/StoreFileCheck.h"
#include "BackupFixture.h"
#include "support/CaseName.h"

#include <QFile>

#include <ostream>
#include <sys/stat.h>

namespace {

using Problem = StoreFileReport::Problem;

// Overwrites `bytes.size()` bytes of the file at `offset`.
void overwrite(const QString& path, qint64 offset, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(offset));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

struct HostileFile {
    const char* what;
    // Turns a whole store at the path into the hostile file (or puts something else there).
    void (*make)(const QString& path);
    Problem expected;
};

void PrintTo(const HostileFile& c, std::ostream* out) {
    *out << c.what;
}

class StoreFileCheckRefuses : public BackupFixture,
                              public ::testing::WithParamInterface<HostileFile> {};

// Each file is refused for what it is, and the look writes nothing, not even beside the file.
TEST_P(StoreFileCheckRefuses, FilesThatAreNotWholeStoresOfThisVersion) {
    const QString path = storePath(QStringLiteral("chosen.sqlite"));
    makeStore(path, 40, 2);
    GetParam().make(path);
    // A pipe is not read: it would wait for a writer.
    const bool regular = QFileInfo(path).isFile();
    const QByteArray before = regular ? fileDigest(path) : QByteArray();
    const QStringList beside = filesIn(m_dir.path());

    const StoreFileReport report = StoreFileCheck::check(path);
    EXPECT_EQ(report.problem, GetParam().expected) << report.why.toStdString();
    EXPECT_FALSE(report.why.isEmpty());
    EXPECT_FALSE(report.isWhole());
    EXPECT_EQ(regular ? fileDigest(path) : QByteArray(), before);
    EXPECT_EQ(filesIn(m_dir.path()), beside);
}

INSTANTIATE_TEST_SUITE_P(
    HostileFiles, StoreFileCheckRefuses,
    ::testing::Values(
        HostileFile{"missing", [](const QString& p) { QFile::remove(p); }, Problem::Unreadable},
        HostileFile{"empty", [](const QString& p) { write(p, {}); }, Problem::Empty},
        HostileFile{"text", [](const QString& p) { write(p, QByteArray(300, 'x')); },
                    Problem::NotAStore},
        HostileFile{"a folder",
                    [](const QString& p) {
                        QFile::remove(p);
                        QDir().mkdir(p);
                    },
                    Problem::NotAFile},
        HostileFile{"a pipe nobody writes",
                    [](const QString& p) {
                        QFile::remove(p);
                        ::mkfifo(QFile::encodeName(p).constData(), 0600);
                    },
                    Problem::NotAFile},
        HostileFile{"SQLite without an application id",
                    [](const QString& p) {
                        QFile::remove(p);
                        RawSqlite(p).exec("CREATE TABLE t(x)");
                    },
                    Problem::NotAStore},
        HostileFile{"another program's database",
                    [](const QString& p) { RawSqlite(p).exec("PRAGMA application_id = 42"); },
                    Problem::AnotherProgram},
        HostileFile{"a newer version",
                    [](const QString& p) { RawSqlite(p).exec("PRAGMA user_version = 2"); },
                    Problem::NewerVersion},
        HostileFile{"a version before the first",
                    [](const QString& p) { RawSqlite(p).exec("PRAGMA user_version = 0"); },
                    Problem::NotAStore},
        HostileFile{"truncated", [](const QString& p) { QFile(p).resize(QFileInfo(p).size() / 2); },
                    Problem::Damaged},
        HostileFile{"a damaged page",
                    [](const QString& p) {
                        // Page 3 onward hold the tables' trees: 4 KiB of noise over one.
                        overwrite(p, 3 * 4096, QByteArray(4096, '\x5a'));
                    },
                    Problem::Damaged},
        HostileFile{"a table missing",
                    [](const QString& p) { RawSqlite(p).exec("DROP TABLE Contact"); },
                    Problem::Damaged},
        HostileFile{
            "a column missing",
            [](const QString& p) { RawSqlite(p).exec("ALTER TABLE Policy DROP COLUMN notes"); },
            Problem::Damaged},
        // A view in the table's place would run the file's own query: one that never ends.
        HostileFile{"a view in a table's place",
                    [](const QString& p) {
                        RawSqlite(p).exec(
                            "DROP TABLE Contact; CREATE VIEW Contact AS WITH RECURSIVE n(i) AS "
                            "(SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i FROM n");
                    },
                    Problem::Damaged}),
    CaseName());

using StoreFileCheckTest = BackupFixture;

TEST_F(StoreFileCheckTest, AWholeStoreIsCountedAndALogBesideItIsReadOnlyWhenAsked) {
    const QString path = storePath();
    makeStore(path, 7, 3);
    StoreFileReport report = StoreFileCheck::check(path);
    ASSERT_TRUE(report.isWhole()) << report.why.toStdString();
    EXPECT_EQ(std::pair(report.policies, report.contacts), std::pair(qint64(7), qint64(3)));

    // A program killed after a save: the save is in the log beside the file, not yet in it.
    {
        auto controller = open(path);
        insertPolicy(controller->container().viewContext(), QStringLiteral("in the log"));
        ASSERT_TRUE(controller->container().viewContext().save());
        ASSERT_TRUE(QFile::copy(path, storePath(QStringLiteral("file"))));
        ASSERT_TRUE(
            QFile::copy(path + QStringLiteral("-wal"), storePath(QStringLiteral("file-wal"))));
    }
    const QString killed = storePath(QStringLiteral("file"));
    EXPECT_EQ(StoreFileCheck::check(killed).policies, 7);
    report = StoreFileCheck::check(killed, nullptr, StoreFileCheck::Reading::WithLog);
    EXPECT_EQ(report.policies, 8) << report.why.toStdString();

    // Stopped before it began.
    const std::atomic<bool> stop{true};
    EXPECT_EQ(StoreFileCheck::check(path, &stop).problem, Problem::Stopped);
}

} // namespace
