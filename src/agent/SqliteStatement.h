#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement, finalised when it goes out of scope. Binding is by position,
// starting at 1; columns are read by position, starting at 0.
class SqliteStatement final {
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isValid() const { return m_statement != nullptr; }

    void bind(int index, qint64 value);
    void bind(int index, const QString& value);

    // Steps once: true while a row is available. A failure ends the rows and leaves its
    // message in error().
    bool next();
    // False once a step failed.
    bool succeeded() const { return !m_failed; }
    // Runs to completion; true when every step succeeded.
    bool run();
    // Ready to run again with new bindings.
    void reset();

    qint64 integer(int column) const;
    QString text(int column) const;

    QString error() const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
};
