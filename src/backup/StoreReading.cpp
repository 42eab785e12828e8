#include "backup/StoreReading.h"

#include "store/SqliteConnection.h"
#include "store/SqliteQuery.h"

#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;

bool readsSchema(SqliteConnection& db) {
    SqliteQuery probe = db.prepare(QStringLiteral("SELECT count(*) FROM sqlite_schema"));
    return probe.step() == SqliteQuery::Step::Row;
}

} // namespace

bool openStoreForReading(SqliteConnection& db, const QString& path, const char* vfs) {
    if (!db.open(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, vfs)) {
        return false;
    }
    sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
    if (readsSchema(db) || (db.errorCode() & 0xff) != SQLITE_READONLY) {
        return true; // a failure to read is the caller's to report, with its statement
    }
    db.close();
    {
        SqliteConnection recovering;
        if (!recovering.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX)) {
            return db.open(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, vfs);
        }
        sqlite3_busy_timeout(recovering.handle(), kBusyTimeoutMs);
        sqlite3_db_config(recovering.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        recovering.exec(QStringLiteral("PRAGMA query_only = ON"));
        readsSchema(recovering);
    }
    // Read-only again, now that there is a state to read: a connection that may write could
    // not copy the store (VACUUM INTO writes, as far as the query-only guard can tell).
    if (!db.open(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, vfs)) {
        return false;
    }
    sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
    return true;
}
