#pragma once

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <thread>

// The program's end of a pipe to another process, written by a thread of its own: what is
// sent goes out at once, even while the window's thread is painting, and the window's thread
// never waits for the other side to read. Once the other side is gone (the pipe breaks),
// everything further is dropped.
class PipeWriter final {
public:
    // Takes the pipe's writing end.
    explicit PipeWriter(int fd);
    // Drops what has not gone out yet, even in the middle of a write, and closes the pipe.
    ~PipeWriter();
    PipeWriter(const PipeWriter&) = delete;
    PipeWriter& operator=(const PipeWriter&) = delete;

    // Queues the parts, in order, without copying them.
    void write(std::initializer_list<QByteArray> parts);

private:
    void run();
    // Writes it all; false once the pipe is broken or the writer is closing.
    bool writeAll(const QByteArray& bytes);

    int m_fd;
    int m_wakeFd; // an eventfd that breaks a wait for room in the pipe
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<QByteArray> m_queue;
    bool m_closing = false;
    std::thread m_thread;
};
