#pragma once

#include "platform/LogChannel.h"

#include <QByteArray>
#include <QDeadlineTimer>

#include <functional>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

// A copy of the test process, forked to do one piece of work and say how it goes through a log
// channel of its own: it starts in a moment, without a program's start-up, so that a test can
// kill it at many random moments. The test process must hold no open connection or thread
// busy with a lock when it forks.
class ForkedChild final {
public:
    explicit ForkedChild(const std::function<void(LogChannel& said)>& work) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            LogChannel said(fds[1]);
            work(said);
            ::_exit(0);
        }
        ::close(fds[1]);
        m_fd = fds[0];
    }
    ~ForkedChild() {
        kill();
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;

    bool started() const { return m_pid > 0; }

    // Waits until the child has said something containing `text`; false when it ended first
    // or the time is up.
    bool waitFor(const QByteArray& text, int timeoutMs = 30000) {
        QDeadlineTimer deadline(timeoutMs);
        while (!m_said.contains(text)) {
            if (deadline.hasExpired() || !readSome(int(deadline.remainingTime()))) {
                return false;
            }
        }
        return true;
    }

    // SIGKILL, then everything it said before it died.
    const QByteArray& kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &m_status, 0);
            m_pid = 0;
        }
        while (m_fd >= 0 && readSome(0)) {
        }
        return m_said;
    }

    // Waits for the child to end by itself; its exit code.
    int finish() {
        while (m_fd >= 0 && readSome(60000)) {
        }
        if (m_pid > 0) {
            ::waitpid(m_pid, &m_status, 0);
            m_pid = 0;
        }
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }

    const QByteArray& said() const { return m_said; }

private:
    // False once the pipe is closed and empty, or nothing came in time.
    bool readSome(int timeoutMs) {
        pollfd polled{m_fd, POLLIN, 0};
        if (::poll(&polled, 1, timeoutMs) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got <= 0) {
            return false;
        }
        m_said.append(buffer, got);
        return true;
    }

    pid_t m_pid = -1;
    int m_fd = -1;
    int m_status = 0;
    QByteArray m_said;
};
