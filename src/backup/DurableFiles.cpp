#include "backup/DurableFiles.h"

#include "backup/PacedWriteOut.h"
#include "platform/PosixWrites.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QString failure(const QString& what, const QString& path, int code) {
    return QStringLiteral("%1 %2: %3").arg(what, path, systemError(code));
}

std::optional<QString> syncPath(const QString& path, int flags, const char* what) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return failure(QString::fromLatin1(what), path, errno);
    }
    const int result = ::fsync(fd);
    const int code = errno;
    ::close(fd);
    // A folder on a file system that cannot flush folders (some network and FAT mounts) says
    // EINVAL: there is nothing more to do there.
    if (result != 0 && !(code == EINVAL && (flags & O_DIRECTORY))) {
        return failure(QStringLiteral("Cannot flush"), path, code);
    }
    return std::nullopt;
}

} // namespace

namespace DurableFiles {

std::optional<QString> syncFile(const QString& path) {
    return syncPath(path, O_RDONLY, "Cannot open");
}

std::optional<QString> syncFolder(const QString& folder) {
    return syncPath(folder, O_RDONLY | O_DIRECTORY, "Cannot open the folder");
}

std::optional<QString> createPrivateFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        return failure(QStringLiteral("Cannot create"), path, errno);
    }
    ::close(fd);
    return std::nullopt;
}

std::optional<QString> copyFile(const QString& from, const QString& to,
                                const std::atomic<bool>* stop, bool paced) {
    // Non-blocking, so that a pipe or a device offered as a file cannot hold the copy.
    const int in =
        ::open(QFile::encodeName(from).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (in < 0) {
        return failure(QStringLiteral("Cannot read"), from, errno);
    }
    struct stat info {};
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        return QStringLiteral("%1 is not a regular file").arg(from);
    }
    const int out = ::open(QFile::encodeName(to).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (out < 0) {
        const int code = errno;
        ::close(in);
        return failure(QStringLiteral("Cannot create"), to, code);
    }
    std::optional<QString> error;
    static constexpr size_t kChunk = 1 << 20;
    PacedWriteOut pace(out, stop);
    QByteArray buffer(qsizetype(kChunk), Qt::Uninitialized);
    for (;;) {
        if (stop && stop->load()) {
            error = QStringLiteral("Stopped");
            break;
        }
        const ssize_t got = ::read(in, buffer.data(), kChunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            error = failure(QStringLiteral("Cannot read"), from, errno);
            break;
        }
        if (got == 0) {
            break;
        }
        if (!PosixWrites::writeAll(out, QByteArrayView(buffer.constData(), got))) {
            error = failure(QStringLiteral("Cannot write"), to, errno);
            break;
        }
        if (paced) {
            pace.written(got);
        }
    }
    if (!error && ::fsync(out) != 0) {
        error = failure(QStringLiteral("Cannot flush"), to, errno);
    }
    ::close(in);
    if (::close(out) != 0 && !error) {
        error = failure(QStringLiteral("Cannot write"), to, errno);
    }
    if (error) {
        ::unlink(QFile::encodeName(to).constData());
    }
    return error;
}

std::optional<QString> renameWithoutReplacing(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return std::nullopt;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return failure(QStringLiteral("Cannot rename %1 to").arg(from), to, errno);
    }
    // A file system without the no-replace rename (FAT): a hard link where there are links,
    // else a look first; only this program writes these names.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return std::nullopt;
    }
    if (errno == EEXIST || QFileInfo::exists(to)) {
        return failure(QStringLiteral("Cannot rename %1 to").arg(from), to, EEXIST);
    }
    return renameReplacing(from, to);
}

std::optional<QString> renameReplacing(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        return failure(QStringLiteral("Cannot rename %1 to").arg(from), to, errno);
    }
    return std::nullopt;
}

std::optional<QString> removeFile(const QString& path) {
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT) {
        return std::nullopt;
    }
    return failure(QStringLiteral("Cannot remove"), path, errno);
}

std::optional<QString> removeAtPace(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that a pipe under the name cannot hold the removal; it is unlinked below.
    const int fd =
        ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1) {
        PacedWriteOut pace(fd);
        for (off_t size = info.st_size; size > PacedWriteOut::kShrinkBytes;) {
            size -= PacedWriteOut::kShrinkBytes;
            if (::ftruncate(fd, size) != 0) {
                break; // removed at once below
            }
            pace.shrunk();
        }
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return removeFile(path);
}

std::optional<QString> linkOrCopy(const QString& from, const QString& to) {
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
        return std::nullopt;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EXDEV) {
        return failure(QStringLiteral("Cannot link %1 to").arg(from), to, errno);
    }
    return copyFile(from, to);
}

std::optional<QString> checkOwnFolder(const QString& folder) {
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0) {
        return failure(QStringLiteral("Cannot examine"), folder, errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return QStringLiteral("%1 is not a folder").arg(folder);
    }
    if (info.st_uid != ::geteuid()) {
        return QStringLiteral("%1 belongs to another account").arg(folder);
    }
    return std::nullopt;
}

} // namespace DurableFiles
