#include "Harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace Bench {

std::vector<double> medianSeconds(const std::vector<std::function<void()>>& sides, int rounds) {
    std::vector<std::vector<double>> samples(sides.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t side = 0; side < sides.size(); ++side) {
            const auto start = std::chrono::steady_clock::now();
            sides[side]();
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            samples[side].push_back(elapsed.count());
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& side : samples) {
        std::sort(side.begin(), side.end());
        medians.push_back(side[side.size() / 2]);
    }
    return medians;
}

double elapsedMs(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void idle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

qint64 residentBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    long size = 0;
    long resident = 0;
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &size, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return qint64(resident) * sysconf(_SC_PAGESIZE);
}

qint64 residentKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

namespace {

qint64 threadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

StallWatch::StallWatch() {
    m_clock.start();
    m_ticks.setInterval(1);
    QObject::connect(&m_ticks, &QTimer::timeout, [this] {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        m_longest = std::max(m_longest, now - m_last);
        m_mostWork = std::max(m_mostWork, cpu - m_lastCpu);
        m_last = now;
        m_lastCpu = cpu;
    });
    m_ticks.start();
    m_last = m_clock.nsecsElapsed();
    m_lastCpu = threadCpuNs();
}

bool nameOnBus(const QString& address, const QString& name) {
    QProcess ask;
    ask.start(
        QStringLiteral("dbus-send"),
        {QStringLiteral("--bus=") + address, QStringLiteral("--print-reply=literal"),
         QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
         QStringLiteral("org.freedesktop.DBus.NameHasOwner"), QStringLiteral("string:") + name});
    return ask.waitForFinished(5000) && ask.readAllStandardOutput().contains("true");
}

void report(const QString& name, const QString& value, const QString& goal) {
    std::printf("%s: %s (%s)\n", qPrintable(name), qPrintable(value), qPrintable(goal));
    std::fflush(stdout);
}

std::vector<Group>& groups() {
    static std::vector<Group> registered;
    return registered;
}

} // namespace Bench
