#include "policies/PDFFileReader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

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

PDFFileReader::Result PDFFileReader::read(const QString& path, qint64 maximumSize) {
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
    // Sized by what the file holds now (one byte more shows whether it ends there), never by
    // the maximum: asking for the maximum at once would reserve a gigabyte for every file.
    QByteArray data(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        if (got == data.size()) {
            if (got > maximumSize) {
                break;
            }
            // It grew since the look: read on, in steps as large as what was read so far.
            data.resize(std::min<qsizetype>(got * 2, maximumSize + 1));
        }
        const ssize_t read = ::read(fd, data.data() + got, size_t(data.size() - got));
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            result.error = QStringLiteral("%1: %2").arg(path, systemError(errno));
            ::close(fd);
            return result;
        }
        if (read == 0) {
            break;
        }
        got += read;
    }
    ::close(fd);
    if (got > maximumSize) {
        result.error = QStringLiteral("%1: the file grew past the %2 bytes a policy can keep")
                           .arg(path)
                           .arg(maximumSize);
        return result;
    }
    data.resize(got);
    if (got > info.st_size) {
        data.squeeze();
    }
    result.data = std::move(data);
    result.fileName = QFileInfo(path).fileName();
    return result;
}
