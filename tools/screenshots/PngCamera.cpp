#include "PngCamera.h"

#include <QPixmap>

#include <cstdio>

bool PngCamera::take(const QPixmap& picture, const QString& name) {
    const QString path = m_folder.filePath(name);
    const bool written = picture.save(path);
    std::printf("%s %s\n", written ? "Wrote" : "Could not write", qPrintable(path));
    return written;
}
