#pragma once

#include <QString>

#include <mutex>

// The program's one diagnostic channel: one line per message, written with a single write()
// and no user-space buffering, so a line is on its way before the call returns and a killed
// process loses nothing it already logged. Safe from any thread; lines never interleave.
//
// A line break inside a message (an error text from a library, a name read from a foreign
// store) is written as the two characters "\n" so that every message stays one line.
class LogChannel final {
public:
    // Writes to the given file descriptor, which the channel does not own.
    explicit LogChannel(int fileDescriptor);

    // The process's standard output.
    static LogChannel& standardOutput();

    void write(const QString& message);
    // A fixed prefix followed by a description, as every failure and progress line is made.
    void write(const QString& prefix, const QString& description) { write(prefix + description); }

    LogChannel(const LogChannel&) = delete;
    LogChannel& operator=(const LogChannel&) = delete;

private:
    int m_fd;
    std::mutex m_mutex;
};
