#include "documents/PipeWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray readAll(int fd) {
    QByteArray all;
    char chunk[65536];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0) {
        all.append(chunk, got);
    }
    return all;
}

TEST(PipeWriterTest, SendsEverythingInOrder) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const QByteArray large(3 << 20, 'd'); // far more than the pipe holds
    {
        PipeWriter writer(fds[1]);
        writer.write({QByteArray("head"), large});
        writer.write({QByteArray("tail")});
        // Read while the writer still runs: it waits for room, then goes on.
        QByteArray got;
        char chunk[65536];
        while (got.size() < large.size() + 8) {
            const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
            ASSERT_GT(n, 0);
            got.append(chunk, n);
        }
        EXPECT_EQ(got, QByteArray("head") + large + "tail");
    }
    EXPECT_TRUE(readAll(fds[0]).isEmpty()); // closed by the writer
    ::close(fds[0]);
}

TEST(PipeWriterTest, NeitherAReaderThatNeverReadsNorOneThatIsGoneHoldsTheProgram) {
    // A full pipe nobody reads: letting go of the writer does not wait for room.
    int stuck[2];
    ASSERT_EQ(::pipe2(stuck, O_CLOEXEC), 0);
    const auto start = std::chrono::steady_clock::now();
    {
        PipeWriter writer(stuck[1]);
        writer.write({QByteArray(4 << 20, 'x')});
        ::usleep(50'000);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ::close(stuck[0]);

    // The reading end closed: no SIGPIPE ends the test, and later writes are dropped.
    int gone[2];
    ASSERT_EQ(::pipe2(gone, O_CLOEXEC), 0);
    ::close(gone[0]);
    PipeWriter writer(gone[1]);
    writer.write({QByteArray(1 << 20, 'y')});
    ::usleep(50'000);
    writer.write({QByteArray("after")});
}

} // namespace
