#include "agent/ReminderStore.h"

#include "platform/PrivateFolders.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
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
    CREATE TABLE IF NOT EXISTS shown (
        server TEXT NOT NULL,
        notification_id INTEGER NOT NULL,
        identifier TEXT NOT NULL,
        PRIMARY KEY (server, notification_id)
    );
)";

const char* const kColumns =
    "row_id, identifier, title, body, sound, year, month, day, hour, minute";

QString systemError(const QString& what) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// The file and the folders the store creates are made private before SQLite first touches
// them; SQLite gives its -wal and -shm files the permissions of the database file.
std::optional<QString> preparePrivateFile(const QString& path) {
    if (std::optional<QString> failure = makePrivateFolders(QFileInfo(path).absolutePath())) {
        return failure;
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

ReminderStore::ReminderStore(std::unique_ptr<SqliteConnection> db)
    : m_db(std::move(db)) {}

std::unique_ptr<ReminderStore> ReminderStore::open(const QString& path, QString* error) {
    if (const std::optional<QString> failure = preparePrivateFile(path)) {
        *error = *failure;
        return nullptr;
    }
    auto db = std::make_unique<SqliteConnection>();
    if (!db->open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX)) {
        *error = db->errorMessage();
        return nullptr;
    }
    sqlite3_busy_timeout(db->handle(), 5000);
    if (!db->exec(QString::fromLatin1(kSchema))) {
        *error = db->errorMessage();
        return nullptr;
    }
    std::unique_ptr<ReminderStore> store(new ReminderStore(std::move(db)));
    // A replaced request gets a new row at the end, so the rows stay in the order of adding.
    store->m_put = std::make_unique<SqliteQuery>(store->m_db->prepare(QStringLiteral(
        "INSERT OR REPLACE INTO pending (row_id, identifier, title, body, sound, year, month, "
        "day, hour, minute, wall_key) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")));
    SqliteQuery last = store->m_db->prepare(QStringLiteral("SELECT max(row_id) FROM pending"));
    if (!store->m_put->isValid() || last.step() != SqliteQuery::Step::Row) {
        *error = store->m_db->errorMessage();
        return nullptr;
    }
    store->m_lastRowId = last.columnInt64(0);
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
    if (std::optional<QString> invalid = request.validationError()) {
        return invalid;
    }
    SqliteQuery& statement = *m_put;
    statement.reset();
    // Never the id of a row removed earlier in this run, which the agent may still be showing;
    // SQLite alone would hand the largest id out again once its row is gone.
    statement.bindInt64(1, ++m_lastRowId);
    statement.bindText(2, request.identifier);
    statement.bindText(3, request.title);
    statement.bindText(4, request.body);
    statement.bindInt64(5, request.sound ? 1 : 0);
    statement.bindInt64(6, request.year);
    statement.bindInt64(7, request.month);
    statement.bindInt64(8, request.day);
    statement.bindInt64(9, request.hour);
    statement.bindInt64(10, request.minute);
    statement.bindInt64(
        11, wallKey(request.year, request.month, request.day, request.hour, request.minute));
    const bool done = statement.step() == SqliteQuery::Step::Done;
    const QString failure = done ? QString() : m_db->errorMessage();
    statement.reset();
    return done ? std::nullopt : std::optional(failure);
}

std::optional<QString>
ReminderStore::inTransaction(const std::function<std::optional<QString>()>& work) {
    if (!m_db->exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        return m_db->errorMessage();
    }
    std::optional<QString> failure = work();
    if (!failure && !m_db->exec(QStringLiteral("COMMIT"))) {
        failure = m_db->errorMessage();
    }
    if (failure) {
        m_db->exec(QStringLiteral("ROLLBACK"));
    }
    return failure;
}

std::optional<QString> ReminderStore::remove(const QStringList& identifiers) {
    if (identifiers.isEmpty()) {
        return std::nullopt;
    }
    return inTransaction([&]() -> std::optional<QString> {
        SqliteQuery statement =
            m_db->prepare(QStringLiteral("DELETE FROM pending WHERE identifier = ?"));
        for (const QString& identifier : identifiers) {
            statement.reset();
            statement.bindText(1, identifier);
            if (statement.step() != SqliteQuery::Step::Done) {
                return m_db->errorMessage();
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
        SqliteQuery statement =
            m_db->prepare(QStringLiteral("DELETE FROM pending WHERE row_id = ?"));
        for (const qint64 rowId : rowIds) {
            statement.reset();
            statement.bindInt64(1, rowId);
            if (statement.step() != SqliteQuery::Step::Done) {
                return m_db->errorMessage();
            }
        }
        return std::nullopt;
    });
}

QList<ReminderStore::Row> ReminderStore::rows(const char* sql, std::optional<qint64> bound,
                                              QString* error) const {
    QList<Row> result;
    SqliteQuery statement = m_db->prepare(QString::fromLatin1(sql));
    if (bound) {
        statement.bindInt64(1, *bound);
    }
    SqliteQuery::Step step;
    while ((step = statement.step()) == SqliteQuery::Step::Row) {
        Row row;
        row.rowId = statement.columnInt64(0);
        NotificationRequest& request = row.request;
        request.identifier = statement.columnText(1);
        request.title = statement.columnText(2);
        request.body = statement.columnText(3);
        request.sound = statement.columnInt64(4) != 0;
        request.year = int(statement.columnInt64(5));
        request.month = int(statement.columnInt64(6));
        request.day = int(statement.columnInt64(7));
        request.hour = int(statement.columnInt64(8));
        request.minute = int(statement.columnInt64(9));
        result.append(std::move(row));
    }
    if (step == SqliteQuery::Step::Error && error) {
        *error = m_db->errorMessage();
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
    SqliteQuery statement = m_db->prepare(QStringLiteral("SELECT count(*) FROM pending"));
    return statement.step() == SqliteQuery::Step::Row ? statement.columnInt64(0) : 0;
}

bool ReminderStore::authorizationRequested() const {
    SqliteQuery statement = m_db->prepare(
        QStringLiteral("SELECT value FROM settings WHERE name = 'authorization-requested'"));
    return statement.step() == SqliteQuery::Step::Row &&
           statement.columnText(0) == QLatin1String("true");
}

std::optional<QString> ReminderStore::setAuthorizationRequested() {
    if (!m_db->exec(QStringLiteral("INSERT OR REPLACE INTO settings (name, value) "
                                   "VALUES ('authorization-requested', 'true')"))) {
        return m_db->errorMessage();
    }
    return std::nullopt;
}

std::optional<QString> ReminderStore::recordShown(qint64 rowId, const QString& server,
                                                  quint32 notificationId,
                                                  const QString& identifier) {
    return inTransaction([&]() -> std::optional<QString> {
        SqliteQuery removeRow =
            m_db->prepare(QStringLiteral("DELETE FROM pending WHERE row_id = ?"));
        removeRow.bindInt64(1, rowId);
        // What another server showed can no longer be opened through us.
        SqliteQuery forget = m_db->prepare(QStringLiteral("DELETE FROM shown WHERE server <> ?"));
        forget.bindText(1, server);
        SqliteQuery record = m_db->prepare(QStringLiteral(
            "INSERT OR REPLACE INTO shown (server, notification_id, identifier) VALUES (?, ?, ?)"));
        record.bindText(1, server);
        record.bindInt64(2, notificationId);
        record.bindText(3, identifier);
        for (SqliteQuery* statement : {&removeRow, &forget, &record}) {
            if (statement->step() != SqliteQuery::Step::Done) {
                return m_db->errorMessage();
            }
        }
        return std::nullopt;
    });
}

std::optional<QString> ReminderStore::takeShown(const QString& server, quint32 notificationId,
                                                QString* error) {
    SqliteQuery find = m_db->prepare(
        QStringLiteral("SELECT identifier FROM shown WHERE server = ? AND notification_id = ?"));
    find.bindText(1, server);
    find.bindInt64(2, notificationId);
    const SqliteQuery::Step step = find.step();
    if (step != SqliteQuery::Step::Row) {
        if (step == SqliteQuery::Step::Error) {
            *error = m_db->errorMessage();
        }
        return std::nullopt;
    }
    const QString identifier = find.columnText(0);
    if (std::optional<QString> failure = forgetShown(server, notificationId)) {
        *error = *failure;
    }
    return identifier;
}

std::optional<QString> ReminderStore::forgetShown(const QString& server, quint32 notificationId) {
    SqliteQuery forget =
        m_db->prepare(QStringLiteral("DELETE FROM shown WHERE server = ? AND notification_id = ?"));
    forget.bindText(1, server);
    forget.bindInt64(2, notificationId);
    return forget.step() == SqliteQuery::Step::Done ? std::nullopt
                                                    : std::optional(m_db->errorMessage());
}
