#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QStringView>

// The standard colours a category may name, in the order its colour name is matched.
enum class NamedColor {
    Red,
    Orange,
    Yellow,
    Green,
    Mint,
    Teal,
    Cyan,
    Blue,
    Indigo,
    Purple,
    Pink,
    Brown,
    Gray,
    Black,
    White,
};

// The colour a category's name stands for: the whole name lower-cased, untrimmed, matched
// exactly ("Red" is red, " red" and "grey" are not); blue for anything else.
NamedColor colorFromString(QStringView name);

// The colour drawn for a name, lighter on a dark palette where the screens' colours are.
QColor namedColorValue(NamedColor color, const QPalette& palette = QGuiApplication::palette());
