#include "store/IntegrityCheck.h"

#include "store/SqliteConnection.h"
#include "store/SqliteQuery.h"

#include <QThread>
#include <QTimer>

#include <sqlite3.h>

namespace {

// How many virtual-machine steps run between two looks at the stop flag.
constexpr int kStepsBetweenStopChecks = 10000;

} // namespace

IntegrityCheck::IntegrityCheck(QString path)
    : m_path(std::move(path)) {}

IntegrityCheck::~IntegrityCheck() {
    m_stop = true;
    if (m_thread) {
        m_thread->wait();
    }
}

void IntegrityCheck::startLater(std::function<void(const QString&)> found) {
    m_found = std::move(found);
    QTimer::singleShot(0, this, &IntegrityCheck::start);
}

void IntegrityCheck::start() {
    if (m_thread || m_done) {
        return;
    }
    m_thread.reset(QThread::create([this] { m_damage = run(); }));
    connect(m_thread.get(), &QThread::finished, this, [this] {
        m_done = true;
        if (m_damage && m_found) {
            m_found(*m_damage);
        }
    });
    m_thread->start(QThread::LowPriority);
}

std::optional<QString> IntegrityCheck::verdict() {
    if (m_thread) {
        m_thread->wait();
    } else if (!m_done) {
        m_damage = run();
    }
    m_done = true;
    return m_damage;
}

std::optional<QString> IntegrityCheck::run() const {
    SqliteConnection db;
    if (!db.open(m_path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX)) {
        return std::nullopt;
    }
    sqlite3_progress_handler(
        db.handle(), kStepsBetweenStopChecks,
        [](void* stop) { return int(static_cast<const std::atomic<bool>*>(stop)->load()); },
        const_cast<std::atomic<bool>*>(&m_stop));
    SqliteQuery check = db.prepare(QStringLiteral("PRAGMA integrity_check(1)"));
    switch (check.step()) {
    case SqliteQuery::Step::Row: {
        const QString answer = check.columnText(0);
        return answer == u"ok" ? std::nullopt : std::optional(answer);
    }
    case SqliteQuery::Step::Error:
        if ((db.errorCode() & 0xff) == SQLITE_CORRUPT || (db.errorCode() & 0xff) == SQLITE_NOTADB) {
            return db.errorMessage();
        }
        break;
    case SqliteQuery::Step::Done:
        break;
    }
    return std::nullopt;
}
