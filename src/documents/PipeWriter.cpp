#include "documents/PipeWriter.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

PipeWriter::PipeWriter(int fd)
    : m_fd(fd)
    , m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    // Never blocked in write() itself, so that closing can always break the wait.
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_thread = std::thread([this] { run(); });
}

PipeWriter::~PipeWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
        m_queue.clear();
    }
    m_queued.notify_all();
    if (m_wakeFd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    }
    m_thread.join();
    ::close(m_fd);
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

void PipeWriter::write(std::initializer_list<QByteArray> parts) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_closing) {
            return;
        }
        m_queue.insert(m_queue.end(), parts.begin(), parts.end());
    }
    m_queued.notify_one();
}

void PipeWriter::run() {
    // A write to a pipe whose reader has gone raises SIGPIPE in the writing thread, which would
    // end the program: here it stays pending, and the write fails with EPIPE instead.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    for (;;) {
        QByteArray next;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait(lock, [this] { return m_closing || !m_queue.empty(); });
            if (m_closing) {
                return;
            }
            next = m_queue.front();
        }
        if (!writeAll(next)) {
            const std::lock_guard lock(m_mutex);
            m_closing = true;
            m_queue.clear();
            return;
        }
        const std::lock_guard lock(m_mutex);
        if (!m_queue.empty()) {
            m_queue.pop_front();
        }
    }
}

bool PipeWriter::writeAll(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written > 0) {
            done += written;
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN) {
            return false; // EPIPE: the reader is gone
        }
        pollfd waits[2] = {{m_fd, POLLOUT, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(waits, m_wakeFd >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) {
            return false;
        }
        if (waits[1].revents != 0 || (waits[0].revents & (POLLERR | POLLHUP)) != 0) {
            return false;
        }
    }
    return true;
}
