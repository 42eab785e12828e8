#include "backup/PacedWriteOut.h"

#include <chrono>
#include <thread>
#include <unistd.h>

namespace {
// A rest never longer than this, should one flush take very long (a slow or sleeping disk): the
// backup goes on, only less politely.
constexpr std::chrono::milliseconds kLongestRest(200);
} // namespace

void PacedWriteOut::written(qint64 bytes) {
    m_unpushed += bytes;
    if (m_unpushed < kChunkBytes) {
        return;
    }
    m_unpushed = 0;
    push();
}

void PacedWriteOut::shrunk() {
    push();
}

void PacedWriteOut::push() {
    if (m_stop && m_stop->load()) {
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    // A failure here is no failure of the file: its final flush, or its removal, says whether
    // the disk took it.
    ::fdatasync(m_fd);
    const auto took = std::chrono::steady_clock::now() - start;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(2 * took, kLongestRest));
}
