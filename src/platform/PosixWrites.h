#pragma once

#include <QByteArrayView>

#include <cerrno>
#include <unistd.h>

namespace PosixWrites {

// Every byte to a blocking descriptor, through short and interrupted writes. False at the
// first error (errno tells which) or when the descriptor takes nothing more.
inline bool writeAll(int fd, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.data(), size_t(bytes.size()));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.sliced(written);
    }
    return true;
}

} // namespace PosixWrites
