#include "SqliteDatabase.h"

#include <sqlite3.h>

SqliteDatabase::SqliteDatabase(const QString& path) {
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.toUtf8().constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        m_error =
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        return;
    }
    sqlite3_busy_timeout(db, 5000);
    m_db = db;
}

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close(m_db);
}

bool SqliteDatabase::exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        m_error = message ? QString::fromUtf8(message) : lastError();
        sqlite3_free(message);
        return false;
    }
    return true;
}

std::unique_ptr<SqliteStatement> SqliteDatabase::prepare(const char* sql) {
    return std::make_unique<SqliteStatement>(m_db, sql);
}

QString SqliteDatabase::lastError() const {
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : m_error;
}
