#pragma once

#include "SqliteStatement.h"

#include <QString>

#include <memory>

// One open SQLite database file, closed when it goes out of scope.
class SqliteDatabase final {
public:
    // Opens or creates the file. On failure the database is not open and error() tells why.
    explicit SqliteDatabase(const QString& path);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    bool isOpen() const { return m_db != nullptr; }
    QString error() const { return m_error; }

    // Runs statements without results; false (and error()) when one fails.
    bool exec(const char* sql);
    std::unique_ptr<SqliteStatement> prepare(const char* sql);

    // The last failure of the connection as SQLite words it.
    QString lastError() const;

private:
    sqlite3* m_db = nullptr;
    QString m_error;
};
