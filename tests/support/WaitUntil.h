#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

// Runs the event loop until the condition holds or the time is up; the condition's value.
// Every wait in the tests is bounded, so a fault shows as a failure, not a hang.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs the event loop until a timer of `ms` started now has fired. Timers fire in the order of
// their deadlines, so by then every timer of the program's that was due no later has fired,
// with what it posted at once: a test that checks that something did not happen waits past the
// program's own delay (0: past what is already posted), never for a guessed time.
inline void waitPast(int ms = 0) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::processEvents();
}
