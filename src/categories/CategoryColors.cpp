#include "categories/CategoryColors.h"

#include "ui/Palette.h"

#include <QPainter>
#include <QPixmap>

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<QLatin1StringView, const char*>, 15> kColors{{
    {QLatin1StringView("red"), "Rosso"},
    {QLatin1StringView("orange"), "Arancione"},
    {QLatin1StringView("yellow"), "Giallo"},
    {QLatin1StringView("green"), "Verde"},
    {QLatin1StringView("mint"), "Menta"},
    {QLatin1StringView("teal"), "Verde acqua"},
    {QLatin1StringView("cyan"), "Ciano"},
    {QLatin1StringView("blue"), "Blu"},
    {QLatin1StringView("indigo"), "Indaco"},
    {QLatin1StringView("purple"), "Viola"},
    {QLatin1StringView("pink"), "Rosa"},
    {QLatin1StringView("brown"), "Marrone"},
    {QLatin1StringView("gray"), "Grigio"},
    {QLatin1StringView("black"), "Nero"},
    {QLatin1StringView("white"), "Bianco"},
}};

constexpr int kDotSize = 12;

} // namespace

namespace CategoryColors {

QStringList names() {
    QStringList all;
    for (const auto& [name, label] : kColors) {
        all << name;
    }
    return all;
}

QString label(const QString& name) {
    for (const auto& [known, text] : kColors) {
        if (known == name) {
            return QString::fromUtf8(text);
        }
    }
    return name;
}

QIcon dot(const QString& name, const QPalette& palette) {
    QPixmap pixmap(kDotSize, kDotSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = Palette::color(Palette::categoryColor(name), palette);
    painter.setBrush(fill);
    // White and black dots stay visible on a background of their own colour.
    painter.setPen(QPen(Palette::withOpacity(palette.color(QPalette::WindowText), 0.25), 1));
    painter.drawEllipse(QRectF(1.5, 1.5, kDotSize - 3, kDotSize - 3));
    painter.end();
    return QIcon(pixmap);
}

} // namespace CategoryColors
