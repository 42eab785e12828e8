#include "policies/PDFFileReader.h"
#include "policies/PDFShareExport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kFolderName = QStringLiteral("org.quintaver.Scheduler");

mode_t modeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 07777;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

class PDFShareExportTest : public ::testing::Test {
protected:
    QTemporaryDir m_runtime;
    QTemporaryDir m_cache;
    QString runtimeFolder() const { return m_runtime.path() + QLatin1Char('/') + kFolderName; }
    QString cacheFolder() const { return m_cache.path() + QLatin1Char('/') + kFolderName; }
    PDFShareExport exporter() const { return PDFShareExport(m_runtime.path(), m_cache.path()); }
};

TEST_F(PDFShareExportTest, WritesTheBytesIntoAPrivateFolderAndOverwritesTheSameName) {
    const auto first =
        exporter().write(QByteArray("%PDF-1.4 first"), QStringLiteral("Polizza Casa.pdf"));
    ASSERT_TRUE(first.error.isEmpty()) << first.error.toStdString();
    EXPECT_EQ(first.path, runtimeFolder() + QStringLiteral("/Polizza Casa.pdf"));
    EXPECT_EQ(contents(first.path), QByteArray("%PDF-1.4 first"));
    EXPECT_EQ(modeOf(runtimeFolder()), 0700u);
    EXPECT_EQ(modeOf(first.path), 0600u);

    // Another policy's document of the same name replaces the earlier export.
    const auto second = exporter().write(QByteArray("second"), QStringLiteral("Polizza Casa.pdf"));
    EXPECT_EQ(second.path, first.path);
    EXPECT_EQ(contents(second.path), QByteArray("second"));
    // Nothing else is left in the folder (no temporary file).
    EXPECT_EQ(
        QDir(runtimeFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("Polizza Casa.pdf")});

    const auto empty = exporter().write(QByteArray(), QStringLiteral("Document"));
    ASSERT_TRUE(empty.error.isEmpty());
    EXPECT_EQ(QFileInfo(empty.path).size(), 0);
}

TEST_F(PDFShareExportTest, ANameNeverLeavesTheFolder) {
    struct Case {
        QString given;
        QString written;
    };
    const QString longStem(300, QLatin1Char('x'));
    const Case cases[] = {
        {QStringLiteral("../../escaped.pdf"), QStringLiteral(".._.._escaped.pdf")},
        {QStringLiteral("a/b.pdf"), QStringLiteral("a_b.pdf")},
        {QStringLiteral("nul") + QChar(u'\0') + QStringLiteral(".pdf"), QStringLiteral("nul_.pdf")},
        {QString(), QStringLiteral("Document")},
        {QStringLiteral("."), QStringLiteral("Document")},
        {QStringLiteral(".."), QStringLiteral("Document")},
        {longStem + QStringLiteral(".pdf"),
         QString(251, QLatin1Char('x')) + QStringLiteral(".pdf")},
    };
    for (const Case& c : cases) {
        const auto result = exporter().write(QByteArray("x"), c.given);
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_EQ(result.path, runtimeFolder() + QLatin1Char('/') + c.written);
        EXPECT_TRUE(QFileInfo::exists(result.path));
    }
    EXPECT_FALSE(QFileInfo::exists(m_runtime.path() + QStringLiteral("/escaped.pdf")));
}

TEST_F(PDFShareExportTest, ALinkOrAForeignFolderIsNotUsed) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), runtimeFolder()));
    const auto viaCache = exporter().write(QByteArray("doc"), QStringLiteral("a.pdf"));
    ASSERT_TRUE(viaCache.error.isEmpty());
    EXPECT_EQ(viaCache.path, cacheFolder() + QStringLiteral("/a.pdf"));
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());

    // Neither folder usable: a failure that names why, and nothing written anywhere.
    ASSERT_TRUE(QDir().rmdir(cacheFolder()) || QDir(cacheFolder()).removeRecursively());
    writeFile(cacheFolder(), QByteArray());
    const auto failed = exporter().write(QByteArray("doc"), QStringLiteral("a.pdf"));
    EXPECT_TRUE(failed.path.isEmpty());
    EXPECT_FALSE(failed.error.isEmpty());
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());

    if (::geteuid() == 0) {
        // Only root can hand a folder to another account to show that one is refused too.
        QTemporaryDir runtime;
        const QString foreign = runtime.path() + QLatin1Char('/') + kFolderName;
        ASSERT_TRUE(QDir().mkdir(foreign));
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        const auto refused = PDFShareExport(runtime.path(), QString()).write("d", "a.pdf");
        EXPECT_TRUE(refused.path.isEmpty());
        EXPECT_TRUE(QDir(foreign).isEmpty());
    }
}

TEST_F(PDFShareExportTest, AnOwnFolderOpenToOthersIsClosedFirst) {
    ASSERT_TRUE(QDir().mkdir(runtimeFolder()));
    ASSERT_EQ(::chmod(QFile::encodeName(runtimeFolder()).constData(), 0755), 0);
    const auto result = PDFShareExport(m_runtime.path(), QString()).write("d", "a.pdf");
    ASSERT_TRUE(result.error.isEmpty());
    EXPECT_EQ(modeOf(runtimeFolder()), 0700u);
}

TEST(PDFFileReader, ReadsARegularFileWholeWithItsName) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Polizza Casa.pdf");
    writeFile(path, QByteArray("%PDF-1.7\n\0binary", 16));
    const auto result = PDFFileReader::read(path);
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    EXPECT_EQ(result.data, QByteArray("%PDF-1.7\n\0binary", 16));
    EXPECT_EQ(result.fileName, QStringLiteral("Polizza Casa.pdf"));
    // Memory for what the file holds, not for the largest file a policy can keep.
    EXPECT_LT(result.data.capacity(), 4096);

    const QString empty = dir.path() + QStringLiteral("/empty.pdf");
    writeFile(empty, QByteArray());
    const auto emptyResult = PDFFileReader::read(empty);
    EXPECT_TRUE(emptyResult.error.isEmpty());
    EXPECT_EQ(emptyResult.data.size(), 0);
    EXPECT_EQ(emptyResult.fileName, QStringLiteral("empty.pdf"));
}

TEST(PDFFileReader, RefusesWhatItCannotOrShouldNotRead) {
    QTemporaryDir dir;
    const QString fifo = dir.path() + QStringLiteral("/pipe.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = dir.path() + QStringLiteral("/large.pdf");
    writeFile(large, QByteArray(101, 'x'));
    const QString paths[] = {fifo, dir.path(), large, dir.path() + QStringLiteral("/gone.pdf")};
    for (const QString& path : paths) {
        const auto result = PDFFileReader::read(path, 100);
        EXPECT_FALSE(result.error.isEmpty()) << path.toStdString();
        EXPECT_TRUE(result.data.isEmpty());
        EXPECT_TRUE(result.error.contains(path)) << result.error.toStdString();
    }
    EXPECT_TRUE(PDFFileReader::read(large, 101).error.isEmpty());
}

} // namespace
