#include "backup/StoreFileCheck.h"

#include "backup/StoreReading.h"
#include "model/PersistenceController.h"
#include "store/PersistentStore.h"
#include "store/SqliteConnection.h"
#include "store/SqliteQuery.h"
#include "store/StoreSchema.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Problem = StoreFileReport::Problem;

constexpr int kHeaderSize = 100;
// How many virtual-machine steps run between two looks at the stop flag.
constexpr int kCheckStepsBetweenStops = 10000;

StoreFileReport refused(Problem problem, QString why) {
    StoreFileReport report;
    report.problem = problem;
    report.why = std::move(why);
    return report;
}

quint32 bigEndian(const unsigned char* bytes, int size) {
    quint32 value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

// Ours by application id, at a version this program reads.
std::optional<StoreFileReport> checkIdentity(const QString& path, quint32 applicationId,
                                             qint32 version) {
    if (applicationId == 0) {
        return refused(Problem::NotAStore,
                       QStringLiteral("%1 is not a store of this program").arg(path));
    }
    if (applicationId != quint32(PersistentStore::kApplicationId)) {
        return refused(Problem::AnotherProgram,
                       QStringLiteral("%1 is another program's database (application_id %2)")
                           .arg(path)
                           .arg(applicationId));
    }
    if (version > PersistentStore::kSchemaVersion) {
        return refused(Problem::NewerVersion,
                       QStringLiteral("%1 was written by a newer version of this program "
                                      "(schema version %2; this version reads %3)")
                           .arg(path)
                           .arg(version)
                           .arg(PersistentStore::kSchemaVersion));
    }
    if (version != PersistentStore::kSchemaVersion) {
        return refused(
            Problem::NotAStore,
            QStringLiteral("%1 has an unknown schema version (%2)").arg(path).arg(version));
    }
    return std::nullopt;
}

// The first look, with plain reads: what the header says, before SQLite reads anything. With a
// write-ahead log to read beside the file, the header may be older than the log, and only
// SQLite can tell the rest.
std::optional<StoreFileReport> inspectHeader(const QString& path, bool withLog) {
    // Non-blocking, so that a pipe offered as a file cannot hold the look.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return refused(Problem::Unreadable,
                       QStringLiteral("Cannot read %1: %2")
                           .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    unsigned char header[kHeaderSize] = {};
    ssize_t got = 0;
    while (regular && got < kHeaderSize) {
        const ssize_t n = ::read(fd, header + got, size_t(kHeaderSize - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += n;
    }
    ::close(fd);
    if (!regular) {
        return refused(Problem::NotAFile, QStringLiteral("%1 is not a regular file").arg(path));
    }
    if (info.st_size == 0) {
        return refused(Problem::Empty, QStringLiteral("%1 is empty").arg(path));
    }
    if (got < kHeaderSize || std::memcmp(header, "SQLite format 3", 16) != 0) {
        return refused(Problem::NotAStore,
                       QStringLiteral("%1 is not an SQLite database").arg(path));
    }
    if (withLog) {
        return std::nullopt;
    }
    if (std::optional<StoreFileReport> identity =
            checkIdentity(path, bigEndian(header + 68, 4), qint32(bigEndian(header + 60, 4)))) {
        return identity;
    }
    quint32 pageSize = bigEndian(header + 16, 2);
    if (pageSize == 1) {
        pageSize = 65536;
    }
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
        return refused(Problem::Damaged,
                       QStringLiteral("%1 is damaged (page size %2)").arg(path).arg(pageSize));
    }
    const qint64 size = qint64(info.st_size);
    const quint32 pageCount = bigEndian(header + 28, 4);
    // The page count in the header holds when the change counter matches the "version valid
    // for" number.
    if (size % pageSize != 0 || (bigEndian(header + 24, 4) == bigEndian(header + 92, 4) &&
                                 pageCount != 0 && size < qint64(pageCount) * pageSize)) {
        return refused(Problem::Damaged, QStringLiteral("%1 is truncated").arg(path));
    }
    return std::nullopt;
}

// A read-only connection that runs no function a hostile schema might name. Reading the file
// alone, it neither locks nor writes anything, not even beside the file.
bool openReadOnly(SqliteConnection& db, const QString& path, bool withLog) {
    const bool opened = withLog
                            ? openStoreForReading(db, path)
                            : db.open(QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded()) +
                                          QStringLiteral("?immutable=1"),
                                      SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX);
    if (!opened) {
        return false;
    }
    sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    return true;
}

Problem problemOf(int code) {
    const int primary = code & 0xff;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) {
        return Problem::Damaged;
    }
    return primary == SQLITE_INTERRUPT ? Problem::Stopped : Problem::Unreadable;
}

// Every table and column the program reads, each a real table: a view of that name would run
// whatever query the file holds.
std::optional<QString> missingSchema(SqliteConnection& db) {
    const std::shared_ptr<const ManagedObjectModel> model =
        PersistenceController::createManagedObjectModel();
    const StoreSchema schema(*model);
    for (const StoreSchema::Table& table : schema.tables()) {
        SqliteQuery kind = db.prepare(
            QStringLiteral("SELECT type FROM sqlite_schema WHERE name = ? COLLATE NOCASE"));
        kind.bindText(1, table.entity->name());
        if (kind.step() != SqliteQuery::Step::Row || kind.columnText(0) != u"table") {
            return QStringLiteral("has no table %1").arg(table.entity->name());
        }
        SqliteQuery info = db.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
        info.bindText(1, table.entity->name());
        QStringList present;
        while (info.step() == SqliteQuery::Step::Row) {
            present << info.columnText(0);
        }
        for (const StoreSchema::Column& column : table.columns) {
            if (!present.contains(column.name)) {
                return QStringLiteral("has no column %1.%2").arg(table.entity->name(), column.name);
            }
        }
    }
    return std::nullopt;
}

} // namespace

StoreFileReport StoreFileCheck::check(const QString& path, const std::atomic<bool>* stop,
                                      Reading reading, Depth depth) {
    const bool withLog =
        reading == Reading::WithLog && QFileInfo(path + QStringLiteral("-wal")).size() > 0;
    if (std::optional<StoreFileReport> early = inspectHeader(path, withLog)) {
        return *early;
    }
    SqliteConnection db;
    if (!openReadOnly(db, path, reading == Reading::WithLog)) {
        return refused(Problem::Unreadable,
                       QStringLiteral("Cannot open %1: %2").arg(path, db.errorMessage()));
    }
    if (stop) {
        sqlite3_progress_handler(
            db.handle(), kCheckStepsBetweenStops,
            [](void* flag) { return int(static_cast<const std::atomic<bool>*>(flag)->load()); },
            const_cast<std::atomic<bool>*>(stop));
    }
    const auto failed = [&] {
        return refused(problemOf(db.errorCode()),
                       QStringLiteral("%1 cannot be read: %2").arg(path, db.errorMessage()));
    };
    // The identity again, as SQLite reads it: with a log, the header may be older.
    SqliteQuery identity = db.prepare(QStringLiteral(
        "SELECT * FROM pragma_application_id, pragma_user_version, (SELECT count(*) FROM "
        "sqlite_schema)"));
    if (identity.step() != SqliteQuery::Step::Row) {
        return failed();
    }
    if (std::optional<StoreFileReport> refusal = checkIdentity(
            path, quint32(identity.columnInt64(0)), qint32(identity.columnInt64(1)))) {
        return *refusal;
    }
    identity = SqliteQuery();
    if (const std::optional<QString> missing = missingSchema(db)) {
        return refused(Problem::Damaged, QStringLiteral("%1 %2").arg(path, *missing));
    }
    if (stop && stop->load()) {
        return refused(Problem::Stopped, QStringLiteral("The check of %1 was stopped").arg(path));
    }
    if (depth == Depth::Whole) {
        SqliteQuery integrity = db.prepare(QStringLiteral("PRAGMA integrity_check(1)"));
        if (integrity.step() != SqliteQuery::Step::Row) {
            return failed();
        }
        if (const QString verdict = integrity.columnText(0); verdict != u"ok") {
            return refused(Problem::Damaged,
                           QStringLiteral("%1 is damaged: %2").arg(path, verdict));
        }
    }
    StoreFileReport report;
    for (const auto& [table, count] : {std::pair(QStringLiteral("Policy"), &report.policies),
                                       std::pair(QStringLiteral("Contact"), &report.contacts)}) {
        SqliteQuery counting =
            db.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(StoreSchema::quoted(table)));
        if (counting.step() != SqliteQuery::Step::Row) {
            return failed();
        }
        *count = counting.columnInt64(0);
    }
    return report;
}
