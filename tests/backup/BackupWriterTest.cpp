#include "backup/BackupWriter.h"
#include "BackupFixture.h"
#include "ForkedChild.h"
#include "support/CaseName.h"
#include "support/QtPrinters.h"

#include <ostream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

const QString kToday = QStringLiteral("QuintaverModel-2026-03-10-103000.sqlite");
const QString kYesterday = QStringLiteral("QuintaverModel-2026-03-09-090000.sqlite");
const QString kLastMonth = QStringLiteral("QuintaverModel-2026-02-09-090000.sqlite");

class BackupWriterTest : public BackupFixture {
protected:
    BackupRequest request() const {
        return {storePath(), backupFolder(), m_second, m_clock.now(), m_clock.timeZone()};
    }
    // Earlier backups, as earlier days left them.
    void makeOlderBackups() {
        ASSERT_TRUE(QDir().mkpath(backupFolder()));
        for (const QString& name : {kYesterday, kLastMonth}) {
            makeStore(QDir(backupFolder()).filePath(name), 2, 1, name.left(25));
        }
    }
    QString m_second;
};

// The program saves on while its store is copied: every save succeeds, and the copy is one
// consistent moment of the store, private, checked and counted.
TEST_F(BackupWriterTest, WritesACheckedPrivateCopyWhileTheProgramGoesOnSaving) {
    makeStore(storePath(), 30, 4);
    makeOlderBackups();
    auto controller = open(storePath());
    ManagedObjectContext& context = controller->container().viewContext();
    // Documents of several megabytes, so that the copy is written out at a pace.
    const auto policies = context.fetch(Policy::fetchRequest());
    for (int i = 0; i < 3; ++i) {
        policies[size_t(i)]->setPdfData(QByteArray(5'000'000 + i, char('A' + i)));
    }
    ASSERT_TRUE(context.save());
    BackupOutcome outcome;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        outcome = BackupWriter::write(request());
        done = true;
    });
    int saves = 0;
    bool saved = true;
    while (!done && saved) {
        insertPolicy(context, QStringLiteral("during-%1").arg(saves++));
        saved = context.save();
    }
    worker.join();
    ASSERT_TRUE(saved);
    ASSERT_TRUE(outcome.written()) << outcome.error.toStdString();
    EXPECT_EQ(outcome.path, QDir(backupFolder()).filePath(kToday));
    EXPECT_EQ(modeOf(outcome.path), mode_t(0600));
    // Yesterday's is the newest of its day, last month's of its month.
    EXPECT_EQ(filesIn(backupFolder()), (QStringList{kLastMonth, kYesterday, kToday}));
    EXPECT_TRUE(outcome.removed.isEmpty());

    RawSqlite copy(outcome.path, SQLITE_OPEN_READONLY);
    const qint64 copied = copy.value("SELECT count(*) FROM Policy").toLongLong();
    EXPECT_EQ(outcome.contents.policies, copied);
    EXPECT_GE(copied, 30);
    EXPECT_LE(copied, 30 + saves);
    EXPECT_EQ(outcome.contents.contacts, 4);
    // The documents came along, byte for byte.
    RawSqlite original(storePath(), SQLITE_OPEN_READONLY);
    const char* documents = "SELECT group_concat(hex(pdfData)) FROM (SELECT pdfData FROM Policy "
                            "WHERE name LIKE 'p-%' ORDER BY name)";
    EXPECT_EQ(copy.value(documents), original.value(documents));
    EXPECT_EQ(copy.value("PRAGMA integrity_check"), u"ok");
}

TEST_F(BackupWriterTest, AfterANewBackupOnlyTheRetentionIsRemoved) {
    makeStore(storePath(), 3, 1);
    ASSERT_TRUE(QDir().mkpath(backupFolder()));
    const QStringList older = {QStringLiteral("QuintaverModel-2026-03-10-080000.sqlite"),
                               QStringLiteral("QuintaverModel-2025-01-10-080000.sqlite"),
                               QStringLiteral("QuintaverModel-2026-03-01-080000.sqlite")};
    for (const QString& name : older) {
        ASSERT_TRUE(QFile::copy(storePath(), QDir(backupFolder()).filePath(name)));
    }
    const BackupOutcome outcome = BackupWriter::write(request());
    ASSERT_TRUE(outcome.written()) << outcome.error.toStdString();
    EXPECT_EQ(outcome.removed, (QStringList{QDir(backupFolder()).filePath(older[0]),
                                            QDir(backupFolder()).filePath(older[1])}));
    EXPECT_EQ(filesIn(backupFolder()), (QStringList{older[2], kToday}));

    // A second backup in the same second takes the next second's name.
    const BackupOutcome again = BackupWriter::write(request());
    EXPECT_EQ(QFileInfo(again.path).fileName(),
              QStringLiteral("QuintaverModel-2026-03-10-103001.sqlite"));
}

struct Failure {
    const char* what;
    // Spoils the store or the folder; returns what the error must contain.
    QString (*spoil)(const QString& store, const QString& folder);
};

void PrintTo(const Failure& c, std::ostream* out) {
    *out << c.what;
}

class FailingBackup : public BackupWriterTest, public ::testing::WithParamInterface<Failure> {};

// Whatever fails, the older backups stay as they were and nothing is left under a backup's
// name, final or temporary.
TEST_P(FailingBackup, RemovesNothingAndLeavesNoFile) {
    makeStore(storePath(), 5, 1);
    makeOlderBackups();
    // Today's 08:00 backup would go once today's new one is written.
    const QString early =
        QDir(backupFolder()).filePath(QStringLiteral("QuintaverModel-2026-03-10-080000.sqlite"));
    ASSERT_TRUE(QFile::copy(storePath(), early));
    const QStringList before = filesIn(backupFolder());
    const QByteArray earlyDigest = fileDigest(early);

    const QString said = GetParam().spoil(storePath(), backupFolder());
    const BackupOutcome outcome = BackupWriter::write(request());
    EXPECT_FALSE(outcome.written());
    EXPECT_TRUE(outcome.error.contains(said)) << outcome.error.toStdString();
    EXPECT_TRUE(outcome.removed.isEmpty());
    // Unless the failure was the folder itself.
    if (const QFileInfo folder(backupFolder()); folder.isDir() && !folder.isSymLink()) {
        EXPECT_EQ(filesIn(backupFolder()), before);
        EXPECT_EQ(fileDigest(early), earlyDigest);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FailingBackup,
    ::testing::Values(Failure{"the store is not a store",
                              [](const QString& store, const QString&) {
                                  QFile::remove(store);
                                  QFile file(store);
                                  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
                                  file.write(QByteArray(8192, 'x'));
                                  return QStringLiteral("Cannot copy");
                              }},
                      Failure{"the store is missing",
                              [](const QString& store, const QString&) {
                                  QFile::remove(store);
                                  return QStringLiteral("Cannot open");
                              }},
                      Failure{"the folder was replaced by a file",
                              [](const QString&, const QString& folder) {
                                  QDir(folder).removeRecursively();
                                  QFile file(folder);
                                  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
                                  return QStringLiteral("is not a folder");
                              }},
                      Failure{"the folder is a link to another account's folder",
                              [](const QString&, const QString& folder) {
                                  // As root, a folder handed to nobody; otherwise one of root's
                                  // own.
                                  QString theirs = QStringLiteral("/usr/share");
                                  if (::geteuid() == 0) {
                                      theirs = folder + QStringLiteral("-theirs");
                                      QDir().mkdir(theirs);
                                      EXPECT_EQ(::chown(QFile::encodeName(theirs).constData(),
                                                        65534, 65534),
                                                0);
                                  }
                                  QDir(folder).removeRecursively();
                                  QFile::link(theirs, folder);
                                  return QStringLiteral("belongs to another account");
                              }}),
    CaseName());

// A disk that fills mid-copy, as a file-size limit makes it: the copy is abandoned and removed.
TEST_F(BackupWriterTest, ADiskThatFillsLeavesTheOlderBackupsAndNoNewFile) {
    makeStore(storePath(), 200, 1);
    makeOlderBackups();
    const QStringList before = filesIn(backupFolder());
    ForkedChild child([this](LogChannel& said) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256 * 1024, 256 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        said.write(BackupWriter::write(request()).error);
    });
    EXPECT_EQ(child.finish(), 0);
    EXPECT_TRUE(child.said().startsWith("Cannot copy")) << child.said().toStdString();
    EXPECT_EQ(filesIn(backupFolder()), before);
}

// Each verified backup is copied into the second folder with the same care; a folder that is
// not there is passed over without a word, and a copy that fails there costs the backup nothing.
TEST_F(BackupWriterTest, TheSecondFolderGetsACheckedCopyWhenItIsThere) {
    makeStore(storePath(), 4, 2);
    m_second = m_dir.filePath(QStringLiteral("usb"));
    BackupOutcome outcome = BackupWriter::write(request());
    ASSERT_TRUE(outcome.written()) << outcome.error.toStdString();
    EXPECT_EQ(modeOf(backupFolder()), mode_t(0700));
    EXPECT_TRUE(outcome.secondCopy.isEmpty());
    EXPECT_TRUE(outcome.secondFolderError.isEmpty());

    ASSERT_TRUE(QDir().mkpath(m_second));
    const QString stale =
        QDir(m_second).filePath(QStringLiteral("QuintaverModel-2025-01-01-090000.sqlite"));
    ASSERT_TRUE(QFile::copy(storePath(), stale));
    m_clock.advanceTo(TimeHelpers::utc("2026-03-11T09:30:00Z"));
    outcome = BackupWriter::write(request());
    ASSERT_TRUE(outcome.written()) << outcome.error.toStdString();
    EXPECT_EQ(outcome.secondCopy,
              QDir(m_second).filePath(QStringLiteral("QuintaverModel-2026-03-11-103000.sqlite")));
    EXPECT_EQ(fileDigest(outcome.secondCopy), fileDigest(outcome.path));
    EXPECT_EQ(modeOf(outcome.secondCopy), mode_t(0600));
    EXPECT_TRUE(outcome.removed.contains(stale));
    EXPECT_EQ(filesIn(m_second), QStringList{QFileInfo(outcome.secondCopy).fileName()});

    // The name taken there by a folder: the backup stands, the second copy says why.
    m_clock.advanceTo(TimeHelpers::utc("2026-03-12T09:30:00Z"));
    ASSERT_TRUE(QDir(m_second).mkdir(QStringLiteral("QuintaverModel-2026-03-12-103000.sqlite")));
    outcome = BackupWriter::write(request());
    EXPECT_TRUE(outcome.written());
    EXPECT_TRUE(outcome.secondCopy.isEmpty());
    EXPECT_TRUE(outcome.secondFolderError.contains(u"Cannot rename"))
        << outcome.secondFolderError.toStdString();
    EXPECT_EQ(filesIn(m_second).filter(u".partial"), QStringList());
}

// A copy at a path the user chose replaces a file there only once it is checked.
TEST_F(BackupWriterTest, ACopyWhereTheUserChoseReplacesAFileThereOnlyWhenWhole) {
    makeStore(storePath(), 6, 1);
    const QString target = m_dir.filePath(QStringLiteral("copia.sqlite"));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("earlier") == 7);
    file.close();
    BackupOutcome outcome = BackupWriter::writeTo(storePath(), target);
    ASSERT_TRUE(outcome.written()) << outcome.error.toStdString();
    EXPECT_EQ(outcome.contents.policies, 6);
    EXPECT_EQ(StoreFileCheck::check(target).policies, 6);

    const QByteArray whole = fileDigest(target);
    outcome = BackupWriter::writeTo(m_dir.filePath(QStringLiteral("missing.sqlite")), target);
    EXPECT_FALSE(outcome.written());
    EXPECT_EQ(fileDigest(target), whole);
    EXPECT_EQ(filesIn(m_dir.path()).filter(u".partial"), QStringList());
}

} // namespace
