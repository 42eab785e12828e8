#pragma once

#include "ui/Palette.h"

#include <QFrame>

#include <optional>

class QBoxLayout;

// A rounded panel holding a box of widgets: the cards of the editors and of the detail pages,
// their rows, notes and document frames. It is filled with the grey wash (or a named colour)
// and may be outlined, solid or dashed; the colours are read from the palette at every paint,
// so a panel follows a light or dark look that changes while it is shown.
class RoundedPanel final : public QFrame {
    Q_OBJECT
public:
    struct Look {
        qreal wash = 0.05; // opacity of the grey; 0 for none
        qreal radius = 10;
        int padding = 16;
        qreal outline = 0; // opacity of the secondary colour; 0 for none
        bool dashed = false;
        bool clip = false; // content kept inside the rounded corners
        int spacing = 0;
        std::optional<ColorName> fill = std::nullopt; // drawn instead of the wash
        Qt::Orientation orientation = Qt::Vertical;
    };

    // The editors' card: the grey wash, radius 10, padding 16 and `spacing` between fields.
    static Look card(int spacing = 12) { return {.spacing = spacing}; }

    explicit RoundedPanel(const Look& look, QWidget* parent = nullptr);

    QBoxLayout* body() const { return m_body; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Look m_look;
    QBoxLayout* m_body;
};
