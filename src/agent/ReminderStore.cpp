#include "ReminderStore.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const kSchema = R"(
    PRAGMA journal_mode = WAL;
    PRAGMA synchronous = FULL;
    CREATE TABLE IF NOT EXISTS pending (
        row_id INTEGER PRIMARY KEY,
        identifier TEXT NOT NULL UNIQUE,
        title TEXT NOT NULL,
        body TEXT NOT NULL,
        sound INTEGER NOT NULL,
        year INTEGER NOT NULL,
        month INTEGER NOT NULL,
        day INTEGER NOT NULL,
        hour INTEGER NOT NULL,
        minute INTEGER NOT NULL,
        wall_key INTEGER NOT NULL
    );
    CREATE INDEX IF NOT EXISTS pending_by_minute ON pending (wall_key);
    CREATE TABLE IF NOT EXISTS settings (name TEXT PRIMARY KEY, value TEXT NOT NULL);
)";

const char* const kColumns =
    "row_id, identifier, title, body, sound, year, month, day, hour, minute";

QString systemError(const QString& what) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// The file and its folder are made private before SQLite first touches them; SQLite gives its
// -wal and -shm files the permissions of the database file.
std::optional<QString> preparePrivateFile(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder)) {
            return QStringLiteral("Cannot create the folder ") + folder;
        }
        if (::chmod(QFile::encodeName(folder).constData(), 0700) != 0) {
            return systemError(folder);
        }
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return systemError(path);
    }
    const bool privateNow = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    return privateNow ? std::nullopt : std::optional(systemError(path));
}
} // namespace

ReminderStore::ReminderStore(std::unique_ptr<SqliteDatabase> db)
    : m_db(std::move(db)) {}

std::unique_ptr<ReminderStore> ReminderStore::open(const QString& path, QString* error) {
    if (const std::optional<QString> failure = preparePrivateFile(path)) {
        *error = *failure;
        return nullptr;
    }
    auto db = std::make_unique<SqliteDatabase>(path);
    if (!db->isOpen() || !db->exec(kSchema)) {
        *error = db->error();
        return nullptr;
    }
    std::unique_ptr<ReminderStore> store(new ReminderStore(std::move(db)));
    // A replaced request gets a new row at the end, so the rows stay in the order of adding.
    store->m_put = store->m_db->prepare(
        "INSERT OR REPLACE INTO pending (identifier, title, body, sound, year, month, day, hour, "
        "minute, wall_key) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (!store->m_put->isValid()) {
        *error = store->m_put->error();
        return nullptr;
    }
    return store;
}

qint64 ReminderStore::wallKey(int year, int month, int day, int hour, int minute) {
    return (((qint64(year) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute;
}

std::optional<QString> ReminderStore::putAll(const QList<NotificationRequest>& requests) {
    return inTransaction([&]() -> std::optional<QString> {
        for (const NotificationRequest& request : requests) {
            if (std::optional<QString> error = put(request)) {
                return error;
            }
        }
        return std::nullopt;
    });
}

std::optional<QString> ReminderStore::put(const NotificationRequest& request) {
    if (const std::optional<QString> invalid = request.validationError()) {
        return invalid;
    }
    SqliteStatement& statement = *m_put;
    statement.reset();
    statement.bind(1, request.identifier);
    statement.bind(2, request.title);
    statement.bind(3, request.body);
    statement.bind(4, qint64(request.sound ? 1 : 0));
    statement.bind(5, qint64(request.year));
    statement.bind(6, qint64(request.month));
    statement.bind(7, qint64(request.day));
    statement.bind(8, qint64(request.hour));
    statement.bind(9, qint64(request.minute));
    statement.bind(10,
                   wallKey(request.year, request.month, request.day, request.hour, request.minute));
    const bool done = statement.run();
    const QString failure = done ? QString() : statement.error();
    statement.reset();
    return done ? std::nullopt : std::optional(failure);
}

std::optional<QString>
ReminderStore::inTransaction(const std::function<std::optional<QString>()>& work) {
    if (!m_db->exec("BEGIN IMMEDIATE")) {
        return m_db->error();
    }
    std::optional<QString> failure = work();
    if (!failure && !m_db->exec("COMMIT")) {
        failure = m_db->error();
    }
    if (failure) {
        m_db->exec("ROLLBACK");
    }
    return failure;
}

std::optional<QString> ReminderStore::remove(const QStringList& identifiers) {
    if (identifiers.isEmpty()) {
        return std::nullopt;
    }
    return inTransaction([&]() -> std::optional<QString> {
        auto statement = m_db->prepare("DELETE FROM pending WHERE identifier = ?");
        for (const QString& identifier : identifiers) {
            statement->reset();
            statement->bind(1, identifier);
            if (!statement->run()) {
                return statement->error();
            }
        }
        return std::nullopt;
    });
}

std::optional<QString> ReminderStore::removeRow(qint64 rowId) {
    return removeRows({rowId});
}

std::optional<QString> ReminderStore::removeRows(const QList<qint64>& rowIds) {
    if (rowIds.isEmpty()) {
        return std::nullopt;
    }
    return inTransaction([&]() -> std::optional<QString> {
        auto statement = m_db->prepare("DELETE FROM pending WHERE row_id = ?");
        for (const qint64 rowId : rowIds) {
            statement->reset();
            statement->bind(1, rowId);
            if (!statement->run()) {
                return statement->error();
            }
        }
        return std::nullopt;
    });
}

QList<ReminderStore::Row> ReminderStore::rows(const char* sql, std::optional<qint64> bound,
                                              QString* error) const {
    QList<Row> result;
    auto statement = m_db->prepare(sql);
    if (bound) {
        statement->bind(1, *bound);
    }
    while (statement->next()) {
        Row row;
        row.rowId = statement->integer(0);
        NotificationRequest& request = row.request;
        request.identifier = statement->text(1);
        request.title = statement->text(2);
        request.body = statement->text(3);
        request.sound = statement->integer(4) != 0;
        request.year = int(statement->integer(5));
        request.month = int(statement->integer(6));
        request.day = int(statement->integer(7));
        request.hour = int(statement->integer(8));
        request.minute = int(statement->integer(9));
        result.append(std::move(row));
    }
    if (!statement->succeeded() && error) {
        *error = statement->error();
    }
    return result;
}

QList<ReminderStore::Row> ReminderStore::all(QString* error) const {
    static const QByteArray sql =
        QByteArray("SELECT ") + kColumns + " FROM pending ORDER BY row_id";
    return rows(sql.constData(), std::nullopt, error);
}

QList<ReminderStore::Row> ReminderStore::upTo(qint64 wallKey, QString* error) const {
    static const QByteArray sql = QByteArray("SELECT ") + kColumns +
                                  " FROM pending WHERE wall_key <= ? ORDER BY wall_key, row_id";
    return rows(sql.constData(), wallKey, error);
}

qint64 ReminderStore::count() const {
    auto statement = m_db->prepare("SELECT count(*) FROM pending");
    return statement->next() ? statement->integer(0) : 0;
}

bool ReminderStore::authorizationRequested() const {
    auto statement =
        m_db->prepare("SELECT value FROM settings WHERE name = 'authorization-requested'");
    return statement->next() && statement->text(0) == QLatin1String("true");
}

std::optional<QString> ReminderStore::setAuthorizationRequested() {
    if (!m_db->exec("INSERT OR REPLACE INTO settings (name, value) "
                    "VALUES ('authorization-requested', 'true')")) {
        return m_db->error();
    }
    return std::nullopt;
}
