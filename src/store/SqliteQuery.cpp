#include "store/SqliteQuery.h"

#include <sqlite3.h>

#include <utility>

SqliteQuery::~SqliteQuery() {
    sqlite3_finalize(m_statement);
}

SqliteQuery::SqliteQuery(SqliteQuery&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)) {}

SqliteQuery& SqliteQuery::operator=(SqliteQuery&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_statement = std::exchange(other.m_statement, nullptr);
    }
    return *this;
}

void SqliteQuery::bindNull(int index) {
    sqlite3_bind_null(m_statement, index);
}

void SqliteQuery::bindInt64(int index, qint64 value) {
    sqlite3_bind_int64(m_statement, index, value);
}

void SqliteQuery::bindText(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    // A null pointer would bind NULL; an empty text must stay an empty text.
    sqlite3_bind_text64(m_statement, index, utf8.isEmpty() ? "" : utf8.constData(),
                        sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqliteQuery::bindBlob(int index, const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        sqlite3_bind_zeroblob(m_statement, index, 0);
    } else {
        sqlite3_bind_blob64(m_statement, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                            SQLITE_TRANSIENT);
    }
}

SqliteQuery::Step SqliteQuery::step() {
    if (!m_statement) {
        return Step::Error;
    }
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return Step::Row;
    case SQLITE_DONE:
        return Step::Done;
    default:
        return Step::Error;
    }
}

void SqliteQuery::reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

int SqliteQuery::columnCount() const {
    return sqlite3_column_count(m_statement);
}

int SqliteQuery::columnType(int column) const {
    return sqlite3_column_type(m_statement, column);
}

qint64 SqliteQuery::columnInt64(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

QByteArray SqliteQuery::columnBytes(int column) const {
    const int type = sqlite3_column_type(m_statement, column);
    const void* data = type == SQLITE_TEXT
                           ? static_cast<const void*>(sqlite3_column_text(m_statement, column))
                           : sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    if (size == 0) {
        return QByteArray(""); // empty, not null
    }
    return QByteArray(static_cast<const char*>(data), size);
}

QByteArrayView SqliteQuery::columnView(int column) const {
    return columnView(column, sqlite3_column_type(m_statement, column));
}

QByteArrayView SqliteQuery::columnView(int column, int type) const {
    const void* data = type == SQLITE_TEXT
                           ? static_cast<const void*>(sqlite3_column_text(m_statement, column))
                           : sqlite3_column_blob(m_statement, column);
    return QByteArrayView(static_cast<const char*>(data),
                          sqlite3_column_bytes(m_statement, column));
}

QString SqliteQuery::columnText(int column) const {
    const auto* text = sqlite3_column_text(m_statement, column);
    return QString::fromUtf8(reinterpret_cast<const char*>(text),
                             sqlite3_column_bytes(m_statement, column));
}

QString SqliteQuery::columnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}
