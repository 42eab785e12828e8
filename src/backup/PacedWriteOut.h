#pragma once

#include <QtGlobal>

#include <atomic>

// Keeps a large file being written from piling up unflushed. Left alone, the kernel holds a
// gigabyte of a backup in memory and writes it all at its final flush, and a save of the
// program's store, flushed meanwhile, waits behind it for a second or more. Told of each write,
// this flushes the file every few megabytes, then rests twice as long as that took: the disk is
// left free most of the time, a save waits at most for one step, and the final flush has little
// left.
class PacedWriteOut final {
public:
    static constexpr qint64 kChunkBytes = qint64(4) << 20;
    // How much a file being removed is shrunk by at each step (DurableFiles::removeAtPace).
    static constexpr qint64 kShrinkBytes = qint64(64) << 20;

    // `fd` is the file's, open for writing, and stays the caller's. Once `stop` is set, nothing
    // is flushed or waited for any more: the file is on its way to being abandoned.
    explicit PacedWriteOut(int fd, const std::atomic<bool>* stop = nullptr)
        : m_fd(fd)
        , m_stop(stop) {}

    // `bytes` more were written to the file.
    void written(qint64 bytes);
    // The file was made shorter: the freed space is recorded on the disk, then a rest.
    void shrunk();

private:
    void push();

    int m_fd;
    const std::atomic<bool>* m_stop;
    qint64 m_unpushed = 0;
};
