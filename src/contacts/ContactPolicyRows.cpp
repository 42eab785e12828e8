#include "contacts/ContactPolicyRows.h"

#include "ui/Typography.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kPanelPadding = 20;
constexpr int kRowPadding = 12;
constexpr int kRowSpacing = 12;
constexpr int kLineSpacing = 4;
constexpr int kColumnSpacing = 12;

void fillRounded(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, color);
}

void drawLine(QPainter& painter, const QRect& rect, Qt::Alignment side, const QFont& font,
              const QColor& color, const QString& text) {
    painter.setFont(font);
    painter.setPen(color);
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, side | Qt::AlignTop, shown);
}

} // namespace

ContactPolicyRows::ContactPolicyRows(std::vector<Row> rows, QWidget* parent)
    : QWidget(parent)
    , m_rows(std::move(rows)) {
    setObjectName(QStringLiteral("policyRows"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QStringList spoken;
    for (const Row& row : m_rows) {
        spoken << row.name + QStringLiteral(", ") + row.provider + QStringLiteral(", ") + row.date +
                      QStringLiteral(", ") + row.number;
    }
    setAccessibleName(QStringLiteral("Polizze"));
    setAccessibleDescription(spoken.join(u'\n'));
    applyLook();
}

void ContactPolicyRows::applyLook() {
    m_nameFont = Typography::font(TextStyle::Headline, font());
    m_providerFont = Typography::font(TextStyle::Caption, font());
    m_dateFont = Typography::font(TextStyle::Subheadline, font());
    m_numberFont = Typography::font(TextStyle::Caption2, font());
    updateGeometry();
}

void ContactPolicyRows::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        applyLook();
    }
}

int ContactPolicyRows::rowHeight() const {
    const int left =
        QFontMetrics(m_nameFont).height() + kLineSpacing + QFontMetrics(m_providerFont).height();
    const int right =
        QFontMetrics(m_dateFont).height() + kLineSpacing + QFontMetrics(m_numberFont).height();
    return 2 * kRowPadding + std::max(left, right);
}

QSize ContactPolicyRows::sizeHint() const {
    const int rows = int(m_rows.size());
    const int height = 2 * kPanelPadding + rows * rowHeight() + std::max(0, rows - 1) * kRowSpacing;
    return {240, height};
}

QSize ContactPolicyRows::minimumSizeHint() const {
    return {10, sizeHint().height()};
}

void ContactPolicyRows::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRounded(painter, rect(), 12, Palette::gray(0.05, palette()));
    const int height = rowHeight();
    int y = kPanelPadding;
    for (const Row& row : m_rows) {
        const QRect rowRect(kPanelPadding, y, width() - 2 * kPanelPadding, height);
        if (rowRect.intersects(event->rect())) {
            paintRow(painter, rowRect, row);
        }
        y += height + kRowSpacing;
    }
}

void ContactPolicyRows::paintRow(QPainter& painter, const QRect& rect, const Row& row) const {
    fillRounded(painter, rect, 8, Palette::color(ColorName::ControlBackground, palette()));
    const QRect content = rect.adjusted(kRowPadding, kRowPadding, -kRowPadding, -kRowPadding);
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    // Advances are rounded: a pixel to spare keeps a date that fits from being elided.
    const int rightWidth =
        std::min(content.width() / 2,
                 1 + std::max(QFontMetrics(m_dateFont).horizontalAdvance(row.date),
                              QFontMetrics(m_numberFont).horizontalAdvance(row.number)));
    const QRect right(content.right() + 1 - rightWidth, content.top(), rightWidth,
                      content.height());
    const QRect left(content.left(), content.top(),
                     std::max(0, content.width() - rightWidth - kColumnSpacing), content.height());
    const int nameHeight = QFontMetrics(m_nameFont).height() + kLineSpacing;
    const int dateHeight = QFontMetrics(m_dateFont).height() + kLineSpacing;
    drawLine(painter, left, Qt::AlignLeft, m_nameFont,
             Palette::color(ColorName::Primary, palette()), row.name);
    drawLine(painter, left.adjusted(0, nameHeight, 0, 0), Qt::AlignLeft, m_providerFont, secondary,
             row.provider);
    drawLine(painter, right, Qt::AlignRight, m_dateFont, Palette::color(row.color, palette()),
             row.date);
    drawLine(painter, right.adjusted(0, dateHeight, 0, 0), Qt::AlignRight, m_numberFont, secondary,
             row.number);
}
