#include "store/DocumentReader.h"

#include "store/SqliteConnection.h"
#include "store/SqliteQuery.h"

#include <sqlite3.h>

DocumentReader::DocumentReader(QString path)
    : m_path(std::move(path))
    , m_thread([this] { run(); }) {}

DocumentReader::~DocumentReader() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        if (m_db) {
            sqlite3_interrupt(m_db);
        }
    }
    m_wake.notify_all();
    m_thread.join();
}

void DocumentReader::read(const QString& sql, const QString& id,
                          std::function<void(const Result&)> done) {
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back({sql, id, std::move(done)});
    }
    m_wake.notify_all();
}

void DocumentReader::run() {
    SqliteConnection db;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
            if (m_stop) {
                m_db = nullptr;
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        Result result;
        if (!db.isOpen() && !db.open(m_path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX)) {
            result.error = db.errorMessage();
            result.code = db.errorCode();
        } else {
            {
                const std::lock_guard lock(m_mutex);
                m_db = db.handle();
            }
            result = readOne(db, job);
        }
        // Posted to this object, which outlives the thread: the destructor joins it first,
        // and an answer still waiting in the event queue then goes with the object.
        QMetaObject::invokeMethod(
            this, [done = std::move(job.done), result = std::move(result)] { done(result); },
            Qt::QueuedConnection);
    }
}

DocumentReader::Result DocumentReader::readOne(SqliteConnection& db, const Job& job) const {
    Result result;
    SqliteQuery select = db.prepare(job.sql);
    if (!select.isValid()) {
        result.error = db.errorMessage();
        result.code = db.errorCode();
        return result;
    }
    select.bindText(1, job.id);
    switch (select.step()) {
    case SqliteQuery::Step::Row:
        if (select.columnType(0) == SQLITE_BLOB) {
            result.outcome = Outcome::Read;
            result.bytes = select.columnBytes(0);
        } else if (select.columnType(0) == SQLITE_NULL) {
            result.outcome = Outcome::Absent;
        } else {
            result.error = QStringLiteral("it is no longer a blob");
        }
        break;
    case SqliteQuery::Step::Done:
        result.error = QStringLiteral("it is no longer in the store");
        break;
    case SqliteQuery::Step::Error:
        result.error = db.errorMessage();
        result.code = db.errorCode();
        break;
    }
    return result;
}
