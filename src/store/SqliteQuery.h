#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

struct sqlite3_stmt;

// A prepared statement, finalised when the object goes. Moves, never copies.
class SqliteQuery final {
public:
    enum class Step { Row, Done, Error };

    SqliteQuery() = default;
    explicit SqliteQuery(sqlite3_stmt* statement)
        : m_statement(statement) {}
    ~SqliteQuery();
    SqliteQuery(SqliteQuery&& other) noexcept;
    SqliteQuery& operator=(SqliteQuery&& other) noexcept;
    SqliteQuery(const SqliteQuery&) = delete;
    SqliteQuery& operator=(const SqliteQuery&) = delete;

    bool isValid() const { return m_statement != nullptr; }

    // Parameters are numbered from 1, as in SQL.
    void bindNull(int index);
    void bindInt64(int index, qint64 value);
    void bindText(int index, const QString& text);
    // An empty byte string binds as a zero-length blob, never as NULL.
    void bindBlob(int index, const QByteArray& bytes);

    Step step();
    // Ready to run again with new parameters.
    void reset();

    int columnCount() const;
    // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL.
    int columnType(int column) const;
    qint64 columnInt64(int column) const;
    // The column's bytes as stored, with no conversion of encoding.
    QByteArray columnBytes(int column) const;
    QString columnText(int column) const;
    // The column's bytes as stored, without a copy: valid until the next step, reset or
    // column call on this statement.
    QByteArrayView columnView(int column) const;
    // The same for a column whose type the caller has just read: SQLITE_TEXT or SQLITE_BLOB.
    QByteArrayView columnView(int column, int type) const;
    QString columnName(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
};
