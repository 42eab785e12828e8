#pragma once

#include <QString>

#include <memory>

struct sqlite3;
class SqliteQuery;

// One SQLite connection, closed when the object goes. Every call reports failure by its
// result, never by an exception; the message of the last failure is errorMessage().
class SqliteConnection final {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // `flags` and `vfs` are sqlite3_open_v2's. Extended result codes are switched on.
    bool open(const QString& path, int flags, const char* vfs = nullptr);
    bool isOpen() const { return m_db != nullptr; }
    void close();

    // Runs statements that return nothing the caller needs.
    bool exec(const QString& sql);
    SqliteQuery prepare(const QString& sql);

    QString errorMessage() const;
    int errorCode() const;
    qint64 changes() const;
    qint64 lastInsertRowid() const;
    bool inTransaction() const;

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    QString m_openError;
};
