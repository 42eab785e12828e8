#include "platform/LogChannel.h"

#include <QFile>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {
QByteArray contentsOf(QTemporaryFile& file) {
    QFile reader(file.fileName());
    EXPECT_TRUE(reader.open(QIODevice::ReadOnly));
    return reader.readAll();
}
} // namespace

TEST(LogChannel, WritesOneUtf8LinePerMessageAtOnce) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    LogChannel log(file.handle());
    log.write(QStringLiteral("Error saving policy: "), QStringLiteral("disk full"));
    // Nothing is buffered: the line is in the file before anything else happens.
    EXPECT_EQ(contentsOf(file), QByteArray("Error saving policy: disk full\n"));

    log.write(QStringLiteral("Scheduled policy reminder for Casa & Città 🏠 on x"));
    EXPECT_EQ(contentsOf(file), QByteArray("Error saving policy: disk full\n"
                                           "Scheduled policy reminder for Casa & Citt\xc3\xa0 "
                                           "\xf0\x9f\x8f\xa0 on x\n"));
}

TEST(LogChannel, KeepsAMessageWithLineBreaksOnOneLine) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    LogChannel log(file.handle());
    log.write(QStringLiteral("Error loading PDF: first\nsecond\r\nthird"));
    EXPECT_EQ(contentsOf(file), QByteArray("Error loading PDF: first\\nsecond\\r\\nthird\n"));
}

TEST(LogChannel, LinesFromManyThreadsNeverInterleave) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    LogChannel log(file.handle());
    constexpr int kThreads = 8;
    constexpr int kLines = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            // Long lines make a torn write likely if the channel did not serialise them.
            const QString body(3000, QChar(u'a' + t));
            for (int i = 0; i < kLines; ++i) {
                log.write(QStringLiteral("thread %1 line %2 ").arg(t).arg(i) + body);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const QList<QByteArray> lines = contentsOf(file).split('\n');
    ASSERT_EQ(lines.size(), kThreads * kLines + 1);
    EXPECT_TRUE(lines.last().isEmpty());
    std::vector<int> perThread(kThreads, 0);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> parts = lines[i].split(' ');
        ASSERT_EQ(parts.size(), 5) << "torn line " << i;
        const int t = parts[1].toInt();
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(parts[3].toInt(), perThread[size_t(t)]) << "lines of one thread out of order";
        EXPECT_EQ(parts[4], QByteArray(3000, char('a' + t)));
        ++perThread[size_t(t)];
    }
}
