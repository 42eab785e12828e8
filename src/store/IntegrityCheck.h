#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QThread;

// The full check of a store file: every page, and every index against its table. It reads the
// whole file (about half a second for 100,000 policies), so it runs once the event loop turns,
// on a thread of its own, over a read-only connection that never writes.
class IntegrityCheck final : public QObject {
public:
    explicit IntegrityCheck(QString path);
    // Stops a check under way and waits for its thread.
    ~IntegrityCheck() override;

    // Starts the check once the event loop turns; `found` then hears, on this object's
    // thread, the damage it found (nothing when there is none, or no verdict).
    void startLater(std::function<void(const QString& damage)> found);
    // The damage found, waiting for a check under way or running it here if it has not begun.
    std::optional<QString> verdict();

private:
    void start();
    std::optional<QString> run() const;

    QString m_path;
    std::function<void(const QString&)> m_found;
    std::unique_ptr<QThread> m_thread;
    std::optional<QString> m_damage;
    bool m_done = false;
    std::atomic<bool> m_stop{false};
};
