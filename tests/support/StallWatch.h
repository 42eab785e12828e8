#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <functional>

// How long the event loop went without turning, at worst, while this watch lived: the
// processor time this thread spent between two turns (a 5 ms timer's ticks), or the whole gap
// when the thread was away for over a second (blocked, say, on another process).
//
// Not the wall time of every gap: the machines the tests run on are shared virtual machines,
// which wake a sleeping thread or run a ready one up to a tenth of a second late at random.
// Work done on the thread and long waits are what a screen must never do; these are what is
// counted. A bound on it is a correctness property of a screen that must not wait for another
// process, not a figure of speed: the bounds the tests use are far above any turn's work.
// Wait with waitSleeping() while it watches: a loop that spins would count its own turns.
class StallWatch final {
public:
    StallWatch() {
        m_clock.start();
        m_lastCpu = threadCpuNs();
        m_ticks.setInterval(5);
        QObject::connect(&m_ticks, &QTimer::timeout, [this] { tick(); });
        m_ticks.start();
    }
    qint64 longestMs() const { return m_longestNs / 1'000'000; }

private:
    static qint64 threadCpuNs() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }
    void tick() {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        const qint64 gap = now - m_last;
        m_longestNs = std::max(m_longestNs, gap > 1'000'000'000 ? gap : cpu - m_lastCpu);
        m_last = now;
        m_lastCpu = cpu;
    }

    QElapsedTimer m_clock;
    QTimer m_ticks;
    qint64 m_last = 0;
    qint64 m_lastCpu = 0;
    qint64 m_longestNs = 0;
};

// The longest stall of a scenario, watched as it runs. The virtual machines the tests run on
// now and then charge a thread for a tenth of a second it spent waiting for the host: a
// scenario that stalled past `boundMs` is run once more, and only a stall that happens again
// is the program's.
inline qint64 longestStallOf(const std::function<void()>& scenario, qint64 boundMs = 100) {
    qint64 longest = 0;
    for (int run = 0; run < 2; ++run) {
        const StallWatch stalls;
        scenario();
        longest = stalls.longestMs();
        if (longest <= boundMs) {
            break;
        }
    }
    return longest;
}

// Runs the event loop, sleeping between events, until the condition holds or the time is up;
// the condition's value.
inline bool waitSleeping(const std::function<bool()>& condition, int timeoutMs = 5000) {
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || deadline.hasExpired()) {
            loop.quit();
        }
    });
    check.start(10);
    if (!condition()) {
        loop.exec();
    }
    return condition();
}
