#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringView>

// The screens name their icons by system icon names ("doc.text", "person.2", "trash"); this
// table maps each to an SVG bundled with the program, so it looks the same on every desktop.
// Icons are drawn in one colour, which the caller chooses.
class Icons final {
public:
    // The bundled file behind a name; empty when the table does not know the name.
    static QString resourcePath(QStringView systemName);

    // The icon drawn `size` pixels square (times `devicePixelRatio`) in `color`; a null
    // pixmap for an unknown name.
    static QPixmap pixmap(QStringView systemName, int size, const QColor& color,
                          qreal devicePixelRatio = 1);
    // The same at the sizes buttons and labels use.
    static QIcon icon(QStringView systemName, const QColor& color);
};
