#pragma once

#include <QtGlobal>

#include <atomic>

// Shared between a task running on a worker thread and its owner: the owner reads how far the
// task has come and may ask it to stop; the task checks between small steps and stops
// without leaving anything half done.
class TaskControl final {
public:
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    // Units of the task's own choosing (bytes, rows).
    void setTotal(qint64 total) { m_total.store(total, std::memory_order_relaxed); }
    void setDone(qint64 done) { m_done.store(done, std::memory_order_relaxed); }
    qint64 total() const { return m_total.load(std::memory_order_relaxed); }
    qint64 done() const { return m_done.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<qint64> m_total{0};
    std::atomic<qint64> m_done{0};
};
