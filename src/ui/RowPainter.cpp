#include "ui/RowPainter.h"

#include "ui/ItemDataRole.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kStripeWidth = 4;

// Wide enough for the text whole: elidedText() measures with fractional advances, which can
// exceed the rounded integer advance.
int fullWidth(const QFont& font, const QString& text) {
    return text.isEmpty() ? 0 : int(std::ceil(QFontMetricsF(font).horizontalAdvance(text))) + 1;
}

// The row's middle. QRect::center() rounds down, so a block centred on it would sit a pixel
// high in a row of even height.
int middleOf(const QRect& content) {
    return content.center().y() + 1;
}

} // namespace

RowPainter::RowPainter(Look look)
    : m_look(std::move(look)) {}

void RowPainter::fillRounded(QPainter* painter, const QRectF& rect, qreal radius,
                             const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter->fillPath(path, color);
}

const RowPainter::Line& RowPainter::lineAt(size_t line) const {
    return line < 2 ? m_look.left[line] : m_look.right[line - 2];
}

int RowPainter::leadingWidth() const {
    switch (m_look.leading) {
    case Leading::Stripe:
        return kStripeWidth;
    case Leading::Avatar:
        return m_look.leadingSize;
    case Leading::None:
        break;
    }
    return 0;
}

// The right column takes what its longer text needs, at most half the row.
int RowPainter::rightWidth(const QRect& content, const Data& data) const {
    int width = 0;
    for (const Line& line : m_look.right) {
        if (line.role >= 0) {
            width = std::max(width, fullWidth(line.font, data(line.role).toString()));
        }
    }
    return std::min(width, content.width() / 2);
}

std::vector<RowPainter::Text> RowPainter::layout(const QRect& row, const Data& data) const {
    const QRect content =
        row.adjusted(m_look.padding, m_look.padding, -m_look.padding, -m_look.padding);
    const int leading = leadingWidth();
    const int left = content.left() + leading + (leading > 0 ? m_look.spacing : 0);
    const int right = rightWidth(content, data);
    const int leftEnd = content.right() - (right > 0 ? right + m_look.spacing : 0);
    std::vector<Text> texts;
    layoutColumn(texts, QRect(left, content.top(), std::max(0, leftEnd - left), content.height()),
                 Qt::AlignLeft, 0, data);
    if (right > 0) {
        layoutColumn(texts,
                     QRect(content.right() + 1 - right, content.top(), right, content.height()),
                     Qt::AlignRight, 2, data);
    }
    return texts;
}

// Two lines, the first over the second, centred on the row or from the column's top; a line
// without text leaves nothing, and an empty first line keeps its place.
void RowPainter::layoutColumn(std::vector<Text>& texts, const QRect& column, Qt::Alignment side,
                              size_t first, const Data& data) const {
    const std::array<QString, 2> values{
        lineAt(first).role >= 0 ? data(lineAt(first).role).toString() : QString(),
        lineAt(first + 1).role >= 0 ? data(lineAt(first + 1).role).toString() : QString()};
    const int topHeight = QFontMetrics(lineAt(first).font).height();
    const int bottomHeight =
        values[1].isEmpty() ? 0 : QFontMetrics(lineAt(first + 1).font).height();
    int y = m_look.centred
                ? middleOf(column) -
                      (topHeight + (bottomHeight ? m_look.lineSpacing + bottomHeight : 0)) / 2
                : column.top();
    for (size_t line = 0; line < 2; ++line) {
        const QFontMetrics metrics(lineAt(first + line).font);
        if (!values[line].isEmpty()) {
            texts.push_back({metrics.elidedText(values[line], Qt::ElideRight, column.width()),
                             QRect(column.left(), y, column.width(), metrics.height()),
                             side | Qt::AlignVCenter, first + line});
        }
        y += metrics.height() + m_look.lineSpacing;
    }
}

QColor RowPainter::colorOf(const Line& line, const QPalette& palette, bool selected,
                           const Data& data) const {
    if (selected) {
        return Palette::withOpacity(QColor(Qt::white), line.selectedOpacity);
    }
    if (line.color) {
        return Palette::color(*line.color, palette);
    }
    const QVariant named = data(ColorNameRole);
    return Palette::color(named.metaType() == QMetaType::fromType<ColorName>()
                              ? named.value<ColorName>()
                              : Palette::byName(named.toString()),
                          palette);
}

void RowPainter::paint(QPainter* painter, const QRect& row, const QPalette& palette, bool selected,
                       const Data& data) const {
    // One look whether or not the window has the focus, as the rest of the screen has.
    QPalette active = palette;
    active.setCurrentColorGroup(QPalette::Active);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected) {
        fillRounded(painter, row, m_look.radius, Palette::color(ColorName::Accent, active));
    } else if (m_look.background) {
        fillRounded(painter, row, m_look.radius, Palette::color(*m_look.background, active));
    }
    const QRect content =
        row.adjusted(m_look.padding, m_look.padding, -m_look.padding, -m_look.padding);
    paintLeading(painter, content, active, selected, data);
    for (const Text& text : layout(row, data)) {
        const Line& line = lineAt(text.line);
        painter->setFont(line.font);
        painter->setPen(colorOf(line, active, selected, data));
        painter->drawText(text.rect, text.alignment, text.shown);
    }
    painter->restore();
}

void RowPainter::paintLeading(QPainter* painter, const QRect& content, const QPalette& palette,
                              bool selected, const Data& data) const {
    const int size = m_look.leadingSize;
    const int top = middleOf(content) - size / 2;
    if (m_look.leading == Leading::Stripe) {
        fillRounded(painter, QRectF(content.left(), top, kStripeWidth, size), 2,
                    colorOf({.color = std::nullopt}, palette, false, data));
    } else if (m_look.leading == Leading::Avatar) {
        const QColor accent = Palette::color(ColorName::Accent, palette);
        const QRect circle(content.left(), top, size, size);
        painter->setPen(Qt::NoPen);
        painter->setBrush(selected ? Palette::withOpacity(QColor(Qt::white), 0.3)
                                   : Palette::withOpacity(accent, 0.2));
        painter->drawEllipse(circle);
        painter->setFont(m_look.initialsFont);
        painter->setPen(selected ? QColor(Qt::white) : accent);
        painter->drawText(circle, Qt::AlignCenter, data(InitialsRole).toString());
    }
}
