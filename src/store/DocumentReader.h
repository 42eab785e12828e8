#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct sqlite3;
class SqliteConnection;

// Reads one blob at a time on a thread of its own, over a read-only connection to the store
// file that never writes, and hands it back on the thread that asked. A large document then
// never holds the screens' thread: SQLite reads it page by page, which for tens of megabytes
// takes tens of milliseconds.
class DocumentReader final : public QObject {
public:
    enum class Outcome { Read, Absent, Failed };
    struct Result {
        Outcome outcome = Outcome::Failed;
        QByteArray bytes;
        QString error;
        int code = 0; // SQLite's result code, for a failure
    };

    explicit DocumentReader(QString path);
    // Interrupts a read under way and waits for the thread; answers not yet handed back are
    // dropped.
    ~DocumentReader() override;

    // Runs `sql` (one blob column, one text parameter bound to `id`) and hands its first row's
    // blob to `done` later, on this object's thread.
    void read(const QString& sql, const QString& id, std::function<void(const Result&)> done);

private:
    struct Job {
        QString sql;
        QString id;
        std::function<void(const Result&)> done;
    };

    void run();
    Result readOne(SqliteConnection& db, const Job& job) const;

    QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    sqlite3* m_db = nullptr; // the worker's, for an interrupt; guarded by m_mutex
    bool m_stop = false;
    std::thread m_thread;
};
