#include "ui/Icons.h"

#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <array>

namespace {

struct Entry {
    const char16_t* systemName;
    const char* file;
};

// System icon name -> Bootstrap Icons file (src/ui/icons, MIT licence).
constexpr std::array<Entry, 46> kTable{{
    {u"arrow.clockwise", "arrow-clockwise"},
    {u"arrow.down.doc", "file-earmark-arrow-down"},
    {u"bell", "bell"},
    {u"building.2", "buildings"},
    {u"calendar", "calendar"},
    {u"calendar.badge.clock", "calendar-event"},
    {u"checklist", "card-checklist"},
    {u"checkmark.circle.fill", "check-circle-fill"},
    {u"chevron.left", "chevron-left"},
    {u"chevron.right", "chevron-right"},
    {u"cloud", "cloud"},
    {u"cylinder.split.1x2", "database"},
    {u"desktopcomputer", "pc-display"},
    {u"doc.badge.plus", "file-earmark-plus"},
    {u"doc.fill", "file-earmark-fill"},
    {u"doc.text", "file-earmark-text"},
    {u"doc.text.magnifyingglass", "file-earmark-richtext"},
    {u"ellipsis", "three-dots"},
    {u"envelope.fill", "envelope-fill"},
    {u"exclamationmark.triangle", "exclamation-triangle"},
    {u"exclamationmark.triangle.fill", "exclamation-triangle-fill"},
    {u"eye", "eye"},
    {u"gear", "gear"},
    {u"info.circle", "info-circle"},
    {u"laptopcomputer", "laptop"},
    {u"magnifyingglass", "search"},
    {u"message.fill", "chat-fill"},
    {u"note.text", "journal-text"},
    {u"number", "hash"},
    {u"paperclip", "paperclip"},
    {u"pencil", "pencil"},
    {u"person", "person"},
    {u"person.2", "people"},
    {u"person.badge.plus", "person-plus"},
    {u"person.crop.circle", "person-circle"},
    {u"person.crop.circle.badge.plus", "person-add"},
    {u"person.text.rectangle", "person-vcard"},
    {u"phone", "telephone"},
    {u"phone.circle.fill", "telephone-fill"},
    {u"phone.fill", "telephone-fill"},
    {u"plus", "plus-lg"},
    {u"repeat", "repeat"},
    {u"square.and.arrow.up", "box-arrow-up"},
    {u"trash", "trash"},
    {u"xmark.circle", "x-circle"},
    {u"xmark.circle.fill", "x-circle-fill"},
}};

} // namespace

QString Icons::resourcePath(QStringView systemName) {
    for (const Entry& entry : kTable) {
        if (systemName == QStringView(entry.systemName)) {
            return QStringLiteral(":/icons/%1.svg").arg(QLatin1String(entry.file));
        }
    }
    return {};
}

QPixmap Icons::pixmap(QStringView systemName, int size, const QColor& color,
                      qreal devicePixelRatio) {
    const QString path = resourcePath(systemName);
    if (path.isEmpty() || size <= 0) {
        return {};
    }
    // Delegates ask for the same few icons at every paint: each is drawn once.
    const QString key = QStringLiteral("qs-icon:%1:%2:%3:%4")
                            .arg(path)
                            .arg(size)
                            .arg(color.rgba(), 8, 16)
                            .arg(devicePixelRatio);
    QPixmap result;
    if (QPixmapCache::find(key, &result)) {
        return result;
    }
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    const int pixels = qRound(size * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    // The drawing gives the shape; the colour is the caller's.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, result);
    return result;
}

QIcon Icons::icon(QStringView systemName, const QColor& color) {
    QIcon icon;
    for (const int size : {16, 20, 24, 32, 48, 64}) {
        const QPixmap drawn = pixmap(systemName, size, color);
        if (drawn.isNull()) {
            return {};
        }
        icon.addPixmap(drawn);
    }
    return icon;
}
