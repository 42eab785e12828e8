#include "policies/PDFShareExport.h"

#include "platform/PosixWrites.h"
#include "platform/ReminderBus.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNameMax = 255; // bytes in one path component on Linux file systems

QString systemError(const QString& what, int error) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

class FileDescriptor final {
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Cuts a name to the file system's limit on whole characters, keeping a short extension.
QString shortened(const QString& name) {
    if (name.toUtf8().size() <= kNameMax) {
        return name;
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = (dot > 0 && name.size() - dot <= 16) ? name.mid(dot) : QString();
    QString stem = name.left(name.size() - extension.size());
    while (!stem.isEmpty() && (stem + extension).toUtf8().size() > kNameMax) {
        stem.chop(stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    return stem + extension;
}

} // namespace

PDFShareExport::PDFShareExport(QString runtimeFolder, QString cacheFolder)
    : m_runtimeFolder(std::move(runtimeFolder))
    , m_cacheFolder(std::move(cacheFolder)) {}

PDFShareExport PDFShareExport::forSession() {
    return PDFShareExport(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                          QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
}

QString PDFShareExport::safeFileName(const QString& fileName) {
    QString name = fileName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QChar(u'\0'), QLatin1Char('_'));
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..")) {
        return QStringLiteral("Document");
    }
    return shortened(name);
}

int PDFShareExport::openPrivateFolder(const QString& folder, QString* error) {
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        *error = systemError(folder, errno);
        return -1;
    }
    // O_NOFOLLOW: a link planted in place of the folder is refused, not followed.
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *error = systemError(folder, errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) {
        ::close(fd);
        *error = folder + QStringLiteral(": not this user's own folder");
        return -1;
    }
    // Ours, but readable by others (made by hand?): close it before anything goes in.
    if ((info.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0) {
        *error = systemError(folder, errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

PDFShareExport::Result PDFShareExport::write(const QByteArray& data,
                                             const QString& fileName) const {
    QString error = QStringLiteral("no private folder to write to");
    QString folderPath;
    int folderFd = -1;
    for (const QString& parent : {m_runtimeFolder, m_cacheFolder}) {
        if (parent.isEmpty()) {
            continue;
        }
        folderPath = parent + QLatin1Char('/') + ReminderBus::kApplicationService;
        folderFd = openPrivateFolder(folderPath, &error);
        if (folderFd >= 0) {
            break;
        }
    }
    if (folderFd < 0) {
        return {QString(), error};
    }
    const FileDescriptor folder(folderFd);
    const QString name = safeFileName(fileName);
    const QByteArray encodedName = QFile::encodeName(name);
    // Written under a temporary name and renamed, so the export is whole or absent.
    const QByteArray temporary =
        ".export-" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
    const FileDescriptor file(::openat(folder.get(), temporary.constData(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0) {
        return {QString(), systemError(name, errno)};
    }
    if (!PosixWrites::writeAll(file.get(), data) || ::fsync(file.get()) != 0 ||
        ::renameat(folder.get(), temporary.constData(), folder.get(), encodedName.constData()) !=
            0) {
        const int writeError = errno;
        ::unlinkat(folder.get(), temporary.constData(), 0);
        return {QString(), systemError(name, writeError)};
    }
    return {folderPath + QLatin1Char('/') + name, QString()};
}
