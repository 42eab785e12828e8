#pragma once

#include <QFrame>

// A line of one pixel between two parts of a screen, across (Qt::Horizontal) or down
// (Qt::Vertical), in the palette's mid tone, so it follows a light or dark look.
class Divider final : public QFrame {
    Q_OBJECT
public:
    explicit Divider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
};
