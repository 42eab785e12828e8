#include "platform/PrivateFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

std::optional<QString> makePrivateFolders(const QString& folder) {
    if (folder.isEmpty()) {
        return QStringLiteral("No data folder is known for this account");
    }
    QStringList missing;
    for (QString dir = QDir::cleanPath(QDir(folder).absolutePath());
         !QFileInfo::exists(dir) && !QDir(dir).isRoot(); dir = QFileInfo(dir).absolutePath()) {
        missing.prepend(dir);
    }
    for (const QString& dir : missing) {
        const QByteArray name = QFile::encodeName(dir);
        if (::mkdir(name.constData(), 0700) != 0) {
            if (errno == EEXIST) {
                continue; // made by someone else meanwhile: theirs, left as it is
            }
            return QStringLiteral("Cannot create the folder %1: %2")
                .arg(dir, QString::fromLocal8Bit(std::strerror(errno)));
        }
        // The umask may have taken bits away; it cannot have added any.
        if (::chmod(name.constData(), 0700) != 0) {
            return QStringLiteral("Cannot make the folder %1 private: %2")
                .arg(dir, QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    return std::nullopt;
}
