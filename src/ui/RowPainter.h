#pragma once

#include "ui/Palette.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QVariant>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QPainter;

// Draws one row of a list from the roles of its model (ItemDataRole.h): an optional leading
// mark, two lines on the left and two on the right, each elided to its column. It is told
// which role each line reads, in which font and colour; it knows no entity. The policy list,
// the contact list and the policies of a contact's page are drawn by it.
class RowPainter final {
public:
    // What stands before the texts: nothing, a stripe in the row's colour (ColorNameRole), or
    // a round avatar holding the initials (InitialsRole).
    enum class Leading { None, Stripe, Avatar };

    struct Line {
        int role = -1; // -1 for no line
        QFont font = QFont();
        // A named colour, or none for the one the row's ColorNameRole names.
        std::optional<ColorName> color = ColorName::Primary;
        // On a selected row the line is white at this opacity.
        qreal selectedOpacity = 1;
    };

    struct Look {
        int padding = 10;
        int spacing = 12; // between the leading mark, the left and the right column
        int lineSpacing = 2;
        // Lines centred on the row (a list's rows), or from the top of the content.
        bool centred = true;
        Leading leading = Leading::None;
        int leadingSize = 0; // the stripe's height or the avatar's diameter
        QFont initialsFont = QFont();
        std::array<Line, 2> left = {};
        std::array<Line, 2> right = {};
        // Each row on a rounded fill of this colour, when given.
        std::optional<ColorName> background = std::nullopt;
        qreal radius = 6; // of the background, and of the selection
    };

    // A row's value for a role.
    using Data = std::function<QVariant(int role)>;

    // A text as it is drawn: elided to its place.
    struct Text {
        QString shown;
        QRect rect;
        Qt::Alignment alignment;
        size_t line; // 0 and 1 on the left, 2 and 3 on the right
    };

    explicit RowPainter(Look look);

    const Look& look() const { return m_look; }
    // Where the texts of a row go inside `row`, and what of them shows.
    std::vector<Text> layout(const QRect& row, const Data& data) const;
    void paint(QPainter* painter, const QRect& row, const QPalette& palette, bool selected,
               const Data& data) const;

    // A rounded rectangle filled with one colour.
    static void fillRounded(QPainter* painter, const QRectF& rect, qreal radius,
                            const QColor& color);

private:
    const Line& lineAt(size_t line) const;
    int rightWidth(const QRect& content, const Data& data) const;
    int leadingWidth() const;
    void layoutColumn(std::vector<Text>& texts, const QRect& column, Qt::Alignment side,
                      size_t first, const Data& data) const;
    void paintLeading(QPainter* painter, const QRect& content, const QPalette& palette,
                      bool selected, const Data& data) const;
    QColor colorOf(const Line& line, const QPalette& palette, bool selected,
                   const Data& data) const;

    Look m_look;
};
