#include "backup/DurableFiles.h"
#include "backup/PacedWriteOut.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file of several shrinking steps, sparse so that the test writes almost nothing, with its
// last bytes real.
QString makeLargeFile(const QTemporaryDir& dir, const QString& name) {
    QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_TRUE(file.resize(3 * PacedWriteOut::kShrinkBytes + 5));
    EXPECT_TRUE(file.seek(file.size() - 5));
    EXPECT_EQ(file.write("ultim"), 5);
    return path;
}

// A large file goes step by step, but it goes; one with a second name is removed at once, and
// the second name keeps every byte.
TEST(DurableFilesTest, RemovingAtPaceRemovesTheFileAndSparesItsOtherNames) {
    QTemporaryDir dir;
    const QString alone = makeLargeFile(dir, QStringLiteral("alone.sqlite"));
    EXPECT_EQ(DurableFiles::removeAtPace(alone), std::nullopt);
    EXPECT_FALSE(QFile::exists(alone));

    const QString linked = makeLargeFile(dir, QStringLiteral("linked.sqlite"));
    const QString other = dir.filePath(QStringLiteral("other.sqlite"));
    ASSERT_EQ(::link(QFile::encodeName(linked).constData(), QFile::encodeName(other).constData()),
              0);
    EXPECT_EQ(DurableFiles::removeAtPace(linked), std::nullopt);
    EXPECT_FALSE(QFile::exists(linked));
    QFile kept(other);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.size(), 3 * PacedWriteOut::kShrinkBytes + 5);
    ASSERT_TRUE(kept.seek(kept.size() - 5));
    EXPECT_EQ(kept.read(5), QByteArray("ultim"));

    // Gone already is no failure; a pipe under the name goes without a wait for a reader; a
    // folder is not shrunk but refused.
    EXPECT_EQ(DurableFiles::removeAtPace(alone), std::nullopt);
    const QString pipe = dir.filePath(QStringLiteral(".pipe.partial"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(DurableFiles::removeAtPace(pipe), std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(pipe));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    EXPECT_NE(DurableFiles::removeAtPace(dir.filePath(QStringLiteral("folder"))), std::nullopt);
}

} // namespace
