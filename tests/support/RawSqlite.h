#pragma once

#include <QString>
#include <QStringList>

#include <sqlite3.h>

// The store file as another program (the sqlite3 shell, a second writer) sees it: plain SQL on
// a connection of its own. Each row of a query comes back as its columns joined by "|", NULL
// as "NULL", blobs as "x'<hex>'".
class RawSqlite final {
public:
    explicit RawSqlite(const QString& path,
                       int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) {
        sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~RawSqlite() { sqlite3_close_v2(m_db); }
    RawSqlite(const RawSqlite&) = delete;
    RawSqlite& operator=(const RawSqlite&) = delete;

    bool exec(const char* sql) {
        char* message = nullptr;
        const bool ok = sqlite3_exec(m_db, sql, nullptr, nullptr, &message) == SQLITE_OK;
        if (!ok) {
            m_error = QString::fromUtf8(message);
        }
        sqlite3_free(message);
        return ok;
    }

    QStringList query(const char* sql) {
        QStringList rows;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK) {
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
            return {QStringLiteral("error: ") + m_error};
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList columns;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                switch (sqlite3_column_type(statement, i)) {
                case SQLITE_NULL:
                    columns << QStringLiteral("NULL");
                    break;
                case SQLITE_BLOB:
                    columns << QStringLiteral("x'%1'").arg(QString::fromLatin1(
                        QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, i)),
                                   sqlite3_column_bytes(statement, i))
                            .toHex()));
                    break;
                default:
                    columns << QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
                }
            }
            rows << columns.join(u'|');
        }
        sqlite3_finalize(statement);
        return rows;
    }
    QString value(const char* sql) {
        const QStringList rows = query(sql);
        return rows.isEmpty() ? QString() : rows.first();
    }
    const QString& error() const { return m_error; }
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    QString m_error;
};
