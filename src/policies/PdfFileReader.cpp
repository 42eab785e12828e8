#include "policies/PdfFileReader.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

PdfFileReader::Result PdfFileReader::read(const QString& path, qint64 maximumSize) {
    Result result;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = QStringLiteral("%1: %2").arg(path, systemError(errno));
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.error = QStringLiteral("%1: %2").arg(path, systemError(errno));
    } else if (!S_ISREG(info.st_mode)) {
        result.error = QStringLiteral("%1: not a regular file").arg(path);
    } else if (info.st_size > maximumSize) {
        result.error =
            QStringLiteral("%1: the file is %2 bytes, more than the %3 a policy can keep")
                .arg(path)
                .arg(info.st_size)
                .arg(maximumSize);
    }
    if (!result.error.isEmpty()) {
        ::close(fd);
        return result;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return result;
    }
    // A regular file never blocks, but it may grow after the look: read no more than allowed.
    QByteArray data = file.read(maximumSize + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return result;
    }
    if (data.size() > maximumSize) {
        result.error = QStringLiteral("%1: the file grew past the %2 bytes a policy can keep")
                           .arg(path)
                           .arg(maximumSize);
        return result;
    }
    result.data = std::move(data);
    result.fileName = QFileInfo(path).fileName();
    return result;
}
