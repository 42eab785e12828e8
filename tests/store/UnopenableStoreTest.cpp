#include "support/RawSqlite.h"
#include "support/StoreFixture.h"
#include "support/WaitUntil.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A store of ours with enough policies to span many pages, closed and checkpointed.
void writeValidStore(const QString& path, ManualClock& clock, int policies = 300) {
    QTemporaryFile log;
    log.open();
    LogChannel channel(log.handle());
    PersistenceController controller(path, clock, channel);
    ManagedObjectContext& context = controller.container().viewContext();
    for (int i = 0; i < policies; ++i) {
        auto policy = StoreFixture::insertPolicy(context, QStringLiteral("policy %1").arg(i));
        policy->setNotes(QString(2000, QChar(u'a' + i % 26)));
    }
    ASSERT_TRUE(context.save());
}

void rewrite(const QString& path, const std::function<void(QByteArray&)>& change) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    change(bytes);
    file.resize(0);
    file.seek(0);
    file.write(bytes);
}

// Where the first page of the index on Policy.id lies in the file.
qsizetype idIndexPage(const QString& path) {
    RawSqlite raw(path, SQLITE_OPEN_READONLY);
    return (raw.value("SELECT rootpage FROM sqlite_schema WHERE name = "
                      "'sqlite_autoindex_Policy_1'")
                .toLongLong() -
            1) *
           raw.value("PRAGMA page_size").toLongLong();
}

// A page type no b-tree has: reading the page fails, which a quick check finds.
void breakIndexPage(const QString& path) {
    const qsizetype page = idIndexPage(path);
    rewrite(path, [&](QByteArray& bytes) { bytes[page] = 0; });
}

// Points an entry of a one-page id index at another entry's row. Every page stays well formed;
// only comparing the index with its table finds it. An entry is its payload size, a record
// header (its size, a 36-byte text, a 1-byte integer; rowids 0 and 1 take no byte), the id and
// the rowid.
void crossIndexEntries(const QString& path) {
    const qsizetype page = idIndexPage(path);
    rewrite(path, [&](QByteArray& bytes) {
        ASSERT_EQ(bytes[page], 0x0a) << "a one-page index";
        std::vector<qsizetype> rowids;
        for (int cell = 0; cell < uchar(bytes[page + 4]); ++cell) {
            const qsizetype at =
                page + (uchar(bytes[page + 8 + 2 * cell]) << 8) + uchar(bytes[page + 9 + 2 * cell]);
            if (bytes.mid(at + 1, 3) == QByteArray("\x03\x55\x01")) {
                rowids.push_back(at + 1 + 3 + 36);
            }
        }
        ASSERT_GE(rowids.size(), 2u);
        bytes[rowids[0]] = bytes[rowids[1]];
    });
}

struct Kind {
    const char* name;
    std::function<void(const QString& path, ManualClock& clock)> make;
    const char* said; // a part of the error's description
};

void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
}

const std::vector<Kind>& kinds() {
    static const std::vector<Kind> all = {
        {"not an SQLite file",
         [](const QString& path, ManualClock&) {
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             file.write(QByteArray("policies.csv: name,number\n").repeated(200));
         },
         "is not an SQLite database"},
        {"too short to hold a header",
         [](const QString& path, ManualClock& clock) {
             writeValidStore(path, clock, 1);
             rewrite(path, [](QByteArray& bytes) { bytes.truncate(50); });
         },
         "is not an SQLite database"},
        {"another program's database",
         [](const QString& path, ManualClock&) {
             RawSqlite raw(path);
             raw.exec("CREATE TABLE Policy(id, name); INSERT INTO Policy VALUES (1, 'x')");
         },
         "another program's database (application_id 0)"},
        {"another program's write-ahead-log database",
         [](const QString& path, ManualClock&) {
             RawSqlite raw(path);
             raw.exec("PRAGMA journal_mode = WAL; PRAGMA application_id = 42;"
                      "CREATE TABLE t(x); INSERT INTO t VALUES (1)");
         },
         "application_id 42"},
        {"a newer schema version",
         [](const QString& path, ManualClock& clock) {
             writeValidStore(path, clock, 3);
             RawSqlite raw(path);
             raw.exec("PRAGMA user_version = 2");
         },
         "newer version"},
        {"a newer schema version still in the write-ahead log",
         [](const QString& path, ManualClock& clock) {
             writeValidStore(path, clock, 3);
             RawSqlite raw(path);
             sqlite3_db_config(raw.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
             raw.exec("PRAGMA user_version = 2");
         },
         "schema version 2"},
        {"damaged pages",
         [](const QString& path, ManualClock& clock) {
             writeValidStore(path, clock);
             rewrite(path, [](QByteArray& bytes) {
                 for (qsizetype i = bytes.size() / 4; i < bytes.size() * 3 / 4; ++i) {
                     bytes[i] = char(0xA5 ^ (i & 0x7F));
                 }
             });
         },
         "is damaged"},
        {"truncated at a page",
         [](const QString& path, ManualClock& clock) {
             writeValidStore(path, clock);
             rewrite(path,
                     [](QByteArray& bytes) { bytes.truncate(bytes.size() / 2 / 4096 * 4096); });
         },
         "is truncated"},
        {"truncated inside a page",
         [](const QString& path, ManualClock& clock) {
             writeValidStore(path, clock);
             rewrite(path, [](QByteArray& bytes) { bytes.chop(1000); });
         },
         "is damaged"},
        {"a folder in its place", [](const QString& path, ManualClock&) { QDir().mkpath(path); },
         "is not a regular file"},
        {"a damaged index page",
         [](const QString& path, ManualClock& clock) {
             writeValidStore(path, clock, 20);
             breakIndexPage(path);
         },
         "is damaged"},
        {"missing a table",
         [](const QString& path, ManualClock& clock) {
             writeValidStore(path, clock, 1);
             RawSqlite raw(path);
             raw.exec("DROP TABLE Task");
         },
         "has no table Task"},
    };
    return all;
}

using UnopenableStore = StoreFixtureWith<Kind>;

} // namespace

// Every unopenable store gives one line, an empty context whose saves fail, and the file and
// its log exactly as they were.
TEST_P(UnopenableStore, IsReportedOnceAndLeftByteForByte) {
    const QString path = storePath();
    GetParam().make(path, m_clock);
    const QByteArray before = fileDigest(path);
    const QByteArray logBefore = fileDigest(path + QStringLiteral("-wal"));
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        EXPECT_EQ(context.persistentStore(), nullptr);
        insertPolicy(context, QStringLiteral("new"));
        EXPECT_TRUE(context.fetch(Policy::fetchRequest()).empty());
        QString error;
        EXPECT_FALSE(context.save(&error));
        EXPECT_FALSE(error.isEmpty());
    }
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith(u"Error loading persistent stores: ") &&
                lines[0].contains(QString::fromUtf8(GetParam().said)))
        << lines[0].toStdString();
    EXPECT_EQ(fileDigest(path), before);
    EXPECT_EQ(fileDigest(path + QStringLiteral("-wal")), logBefore);
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnopenableStore, ::testing::ValuesIn(kinds()),
                         [](const ::testing::TestParamInfo<Kind>& tested) {
                             QString name = QString::fromLatin1(tested.param.name);
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")),
                                          QString());
                             return name.toStdString();
                         });

// Damage that only a full check finds, or that comes after the store opened, is found without
// holding up the start: the store opens, then says it is damaged, and no save writes to it,
// not even one made before the full check ended.
struct LateDamage {
    const char* name;
    bool whileOpen;
    std::function<void(const QString& path)> damage;
};

void PrintTo(const LateDamage& damage, std::ostream* out) {
    *out << damage.name;
}

using DamagedStore = StoreFixtureWith<LateDamage>;

TEST_P(DamagedStore, IsReportedAndNeverWrittenFurther) {
    const QString path = storePath();
    writeValidStore(path, m_clock, 20);
    if (!GetParam().whileOpen) {
        GetParam().damage(path);
    }
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    ASSERT_NE(context.persistentStore(), nullptr) << logLines().join(u'\n').toStdString();
    const auto policies = context.fetch(Policy::fetchRequest());
    ASSERT_EQ(policies.size(), 20u);
    auto contact = context.insert<Contact>();
    if (GetParam().whileOpen) {
        ASSERT_TRUE(context.save()); // the full check has ended and found nothing
        GetParam().damage(path);
    }
    const QByteArray before = fileDigest(path);
    // A new policy goes into the index on id; the contact touches nothing damaged.
    auto extra = insertPolicy(context, QStringLiteral("extra"));
    EXPECT_FALSE(context.save());
    context.deleteObject(extra.get());
    contact->setLastName(QStringLiteral("Rossi"));
    EXPECT_FALSE(context.save());
    ASSERT_TRUE(waitUntil([&] { return !logLines().isEmpty(); }));
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Error loading persistent stores: ") + path +
                                    QStringLiteral(" is damaged")))
        << lines[0].toStdString();
    controller.reset();
    EXPECT_EQ(fileDigest(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedStore,
    ::testing::Values(LateDamage{"IndexOutOfStepWithItsTable", false, crossIndexEntries},
                      LateDamage{"IndexPageDamagedWhileOpen", true, breakIndexPage}),
    [](const ::testing::TestParamInfo<LateDamage>& tested) { return tested.param.name; });

// Permissions, across real starts of the program: each start is a process of its own, run as
// an unprivileged account when the tests run as root, whom no mode stops.
using StorePermissions = StoreFixture;

TEST_F(StorePermissions, FilesThisAccountMayNotUseAreSaidAndLeftAloneUntilMended) {
    const QString folder = m_dir.filePath(QStringLiteral("user"));
    const QString path = folder + QStringLiteral("/QuintaverModel.sqlite");
    const QString lockedFolder = folder + QStringLiteral("/locked");
    ASSERT_TRUE(QDir().mkpath(lockedFolder));
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0711);
    const bool asRoot = geteuid() == 0;
    for (const QString& owned : {folder, lockedFolder}) {
        ASSERT_TRUE(!asRoot || ::chown(QFile::encodeName(owned).constData(), 65534, 65534) == 0);
    }
    ::chmod(QFile::encodeName(lockedFolder).constData(), 0555);
    auto start = [&](const QString& store, const char* name) {
        QProcess program;
        if (asRoot) {
            program.setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
                    ::_exit(125);
                }
            });
        }
        program.start(QStringLiteral(QS_STORE_WRITER),
                      {store, QStringLiteral("save"), QString::fromLatin1(name)});
        EXPECT_TRUE(program.waitForFinished(60000));
        return std::pair(program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()));
    };
    auto refused = [&](const QString& store, const QString& said) {
        const QByteArray before = fileDigest(store);
        const auto [exitCode, output] = start(store, "refused");
        EXPECT_EQ(exitCode, 1) << qPrintable(said);
        EXPECT_TRUE(output.startsWith(u"Error loading persistent stores: ") &&
                    output.count(u'\n') == 1 && output.contains(said))
            << qPrintable(said) << ": " << qPrintable(output);
        EXPECT_EQ(fileDigest(store), before);
    };
    refused(lockedFolder + QStringLiteral("/QuintaverModel.sqlite"),
            QStringLiteral("Cannot create"));
    EXPECT_FALSE(QFileInfo::exists(lockedFolder + QStringLiteral("/QuintaverModel.sqlite")));
    ASSERT_EQ(start(path, "first"), std::pair(0, QString()));
    ::chmod(QFile::encodeName(path).constData(), 0);
    refused(path, QStringLiteral("Cannot read"));
    ::chmod(QFile::encodeName(path).constData(), 0400);
    refused(path, QStringLiteral("for writing"));
    // Mended, it saves again: what the look at the read-only file left does not stop it.
    ::chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(start(path, "second"), std::pair(0, QString()));
    // A log or log index this account may not write is said as the file is. (SQLite itself
    // mends the mode of an empty one.)
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString beside = path + QLatin1StringView(suffix);
        QFile file(beside);
        ASSERT_TRUE(file.open(QIODevice::NewOnly) && file.write(QByteArray(32768, 0)) == 32768);
        file.close();
        ::chmod(QFile::encodeName(beside).constData(), 0400);
        ASSERT_TRUE(!asRoot || ::chown(QFile::encodeName(beside).constData(), 65534, 65534) == 0);
        refused(path, beside + QStringLiteral(" for writing"));
        QFile::remove(beside);
    }
    RawSqlite raw(path, SQLITE_OPEN_READONLY);
    EXPECT_EQ(raw.query("SELECT name FROM Policy ORDER BY name"), QStringList({"first", "second"}));
}
