#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QStringView>

// The colours the screens name, in one place. Each is read from the palette it is given (the
// application's by default), so a dark desktop theme gets colours that stay readable on it.
enum class ColorName {
    Red,
    Orange,
    Green,
    Blue,
    Secondary,
    Accent,
    Primary,
    TextBackground,
    WindowBackground,
    ControlBackground,
    // The rest of the colours a category may name.
    Yellow,
    Mint,
    Teal,
    Cyan,
    Indigo,
    Purple,
    Pink,
    Brown,
    Gray,
    Black,
    White,
};

class Palette final {
public:
    static QColor color(ColorName name, const QPalette& palette = QGuiApplication::palette());
    // A colour by the name the rules give it ("red", "orange", "green", "blue", "secondary",
    // "accent"); the secondary colour for any other name.
    static ColorName byName(QStringView name);
    // The colour a category's name stands for: the whole name lower-cased, untrimmed, matched
    // exactly ("Red" is red, " red" and "grey" are not); blue for anything else.
    static ColorName categoryColor(QStringView name);
    // The grey of the washes behind cards and fields, at the opacity the screen asks for.
    static QColor gray(qreal opacity, const QPalette& palette = QGuiApplication::palette());
    static QColor withOpacity(QColor color, qreal opacity);
    // The opaque colour `top` gives when painted over the opaque `under`: one fill where two
    // would blend.
    static QColor over(const QColor& top, const QColor& under);
    static bool isDark(const QPalette& palette);

    // A palette whose text colour reads well on `background`, for a whole dark or light look.
    static QPalette dark();
    static QPalette light();
};
