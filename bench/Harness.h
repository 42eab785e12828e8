#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

// A small harness for figures that are ratios: both sides run in one process, alternately,
// and each side's median over the rounds is compared, so that the machine's mood at any one
// moment touches both sides alike.
namespace Bench {

template <typename T> inline void doNotOptimize(const T& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

// Median wall time in seconds of each side over `rounds` alternating runs.
std::vector<double> medianSeconds(const std::vector<std::function<void()>>& sides, int rounds);

double median(std::vector<double> samples);
// Wall time of one run of `work`, in milliseconds.
double elapsedMs(const std::function<void()>& work);
// Runs the event loop for `ms`, as the moments between a window's first paint and the user's
// first keystroke do.
void idle(int ms);
// This process's resident set, from /proc.
qint64 residentBytes();
// Another process's resident set in kB, from /proc; -1 when it cannot be read.
qint64 residentKb(qint64 pid);

// The longest time the event loop went without turning, from construction on, as a 1 ms
// timer sees it.
class StallWatch {
public:
    StallWatch();
    double longestMs() const { return double(m_longest) / 1e6; }
    // The most processor time this thread spent between two turns: the part of a stall that
    // is the program's own work, the rest being the wait for a core.
    double mostWorkMs() const { return double(m_mostWork) / 1e6; }

private:
    QElapsedTimer m_clock;
    QTimer m_ticks;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_lastCpu = 0;
    qint64 m_mostWork = 0;
};

// Whether `name` has an owner on the bus at `address`; asked with the bus's own tool, so that
// the bench keeps no connection of its own.
bool nameOnBus(const QString& address, const QString& name);

// One figure as a line "name: value (goal)".
void report(const QString& name, const QString& value, const QString& goal);

// A group of figures, run by the benchmark command in the order registered.
struct Group {
    const char* name;
    void (*run)();
};
std::vector<Group>& groups();

// A fresh process of the benchmark command run by a figure (`--child` and its arguments).
int childMain(int argc, char** argv);

struct Registration {
    Registration(const char* name, void (*run)()) { groups().push_back({name, run}); }
};

} // namespace Bench

#define QS_BENCH_GROUP(name, function)                                                             \
    static const Bench::Registration function##Registration(name, &function)
