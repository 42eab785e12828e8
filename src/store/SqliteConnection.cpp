#include "store/SqliteConnection.h"

#include "store/SqliteQuery.h"

#include <sqlite3.h>

SqliteConnection::~SqliteConnection() {
    // sqlite3_close_v2 waits for statements still alive rather than failing.
    sqlite3_close_v2(m_db);
}

void SqliteConnection::close() {
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool SqliteConnection::open(const QString& path, int flags, const char* vfs) {
    close();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, vfs);
    if (rc != SQLITE_OK) {
        m_openError =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    m_db = db;
    return true;
}

bool SqliteConnection::exec(const QString& sql) {
    return m_db &&
           sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

SqliteQuery SqliteConnection::prepare(const QString& sql) {
    sqlite3_stmt* statement = nullptr;
    if (m_db) {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &statement, nullptr);
    }
    return SqliteQuery(statement);
}

QString SqliteConnection::errorMessage() const {
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : m_openError;
}

int SqliteConnection::errorCode() const {
    return m_db ? sqlite3_extended_errcode(m_db) : 0;
}

qint64 SqliteConnection::changes() const {
    return m_db ? sqlite3_changes64(m_db) : 0;
}

qint64 SqliteConnection::lastInsertRowid() const {
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

bool SqliteConnection::inTransaction() const {
    return m_db && !sqlite3_get_autocommit(m_db);
}
