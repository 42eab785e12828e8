#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>

// The longest time the event loop went without turning while this watch lived, as a 5 ms
// timer sees it, less the time the thread spent waiting for a processor (from the kernel's
// /proc/thread-self/schedstat): on a machine busy with other work the thread may sit runnable
// for a while, which is no stall of the program's. Time spent working or blocked counts.
//
// A bound on it is a correctness property of a screen that must never wait for another
// process, not a figure of speed: the bounds the tests use are far above any turn's work.
class StallWatch final {
public:
    StallWatch() {
        m_clock.start();
        m_lastWaited = waitedNs();
        m_ticks.setInterval(5);
        QObject::connect(&m_ticks, &QTimer::timeout, [this] { tick(); });
        m_ticks.start();
    }
    qint64 longestMs() const { return m_longestNs / 1'000'000; }

private:
    // Nanoseconds this thread has spent runnable but not running.
    static qint64 waitedNs() {
        QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
        if (!stat.open(QIODevice::ReadOnly)) {
            return 0;
        }
        const QList<QByteArray> fields = stat.readAll().split(' ');
        return fields.size() > 1 ? fields[1].toLongLong() : 0;
    }
    void tick() {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 waited = waitedNs();
        m_longestNs = std::max(m_longestNs, now - m_last - (waited - m_lastWaited));
        m_last = now;
        m_lastWaited = waited;
    }

    QElapsedTimer m_clock;
    QTimer m_ticks;
    qint64 m_last = 0;
    qint64 m_lastWaited = 0;
    qint64 m_longestNs = 0;
};
