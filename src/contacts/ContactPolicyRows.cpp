#include "contacts/ContactPolicyRows.h"

#include "ui/ItemDataRole.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <utility>

namespace {

constexpr int kPanelPadding = 20;
constexpr int kRowPadding = 12;
constexpr int kRowSpacing = 12;
constexpr int kLineSpacing = 4;

// A row's values by the roles the painter reads.
QVariant dataOf(const ContactPolicyRows::Row& row, int role) {
    switch (role) {
    case TitleRole:
        return row.name;
    case SubtitleRole:
        return row.provider;
    case DetailRole:
        return row.date;
    case NoteRole:
        return row.number;
    case ColorNameRole:
        return QVariant::fromValue(row.color);
    default:
        return {};
    }
}

} // namespace

ContactPolicyRows::ContactPolicyRows(std::vector<Row> rows, QWidget* parent)
    : QWidget(parent)
    , m_rows(std::move(rows)) {
    setObjectName(QStringLiteral("policyRows"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Polizze"));
    describe();
    applyLook();
}

void ContactPolicyRows::setRows(std::vector<Row> rows) {
    const bool resized = rows.size() != m_rows.size();
    m_rows = std::move(rows);
    m_current = std::min(m_current, int(m_rows.size()) - 1);
    m_pressed = -1;
    describe();
    if (resized) {
        updateGeometry();
    }
    update();
}

void ContactPolicyRows::setStatus(size_t row, ColorName color, const QString& status) {
    if (row >= m_rows.size()) {
        return;
    }
    if (m_rows[row].color != color) {
        m_rows[row].color = color;
        update(rowRect(int(row)));
    }
    if (m_rows[row].status != status) {
        m_rows[row].status = status;
        describe();
    }
}

void ContactPolicyRows::describe() {
    QStringList spoken;
    for (const Row& row : m_rows) {
        // The status too: sighted users read it from the row's colour.
        spoken << row.name + QStringLiteral(", ") + row.provider + QStringLiteral(", ") + row.date +
                      QStringLiteral(", ") + row.number + QStringLiteral(", ") + row.status;
    }
    setAccessibleDescription(spoken.join(u'\n'));
}

void ContactPolicyRows::applyLook() {
    m_painter = RowPainter({
        .padding = kRowPadding,
        .lineSpacing = kLineSpacing,
        .centred = false,
        .left = {{{TitleRole, Typography::font(TextStyle::Headline, font()), ColorName::Primary},
                  {SubtitleRole, Typography::font(TextStyle::Caption, font()),
                   ColorName::Secondary}}},
        .right = {{{DetailRole, Typography::font(TextStyle::Subheadline, font()), std::nullopt},
                   {NoteRole, Typography::font(TextStyle::Caption2, font()),
                    ColorName::Secondary}}},
        .background = ColorName::ControlBackground,
        .radius = 8,
    });
    updateGeometry();
}

void ContactPolicyRows::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        applyLook();
    }
}

int ContactPolicyRows::rowHeight() const {
    const auto height = [](const std::array<RowPainter::Line, 2>& lines) {
        return QFontMetrics(lines[0].font).height() + kLineSpacing +
               QFontMetrics(lines[1].font).height();
    };
    const RowPainter::Look& look = m_painter.look();
    return 2 * kRowPadding + std::max(height(look.left), height(look.right));
}

QSize ContactPolicyRows::sizeHint() const {
    const int rows = int(m_rows.size());
    const int height = 2 * kPanelPadding + rows * rowHeight() + std::max(0, rows - 1) * kRowSpacing;
    return {240, height};
}

QSize ContactPolicyRows::minimumSizeHint() const {
    return {10, sizeHint().height()};
}

QRect ContactPolicyRows::rowRect(int row) const {
    const int height = rowHeight();
    return {kPanelPadding, kPanelPadding + row * (height + kRowSpacing),
            width() - 2 * kPanelPadding, height};
}

int ContactPolicyRows::rowAt(const QPoint& position) const {
    const int height = rowHeight();
    const int y = position.y() - kPanelPadding;
    const int row = y >= 0 ? y / (height + kRowSpacing) : -1;
    return row >= 0 && row < int(m_rows.size()) && rowRect(row).contains(position) ? row : -1;
}

void ContactPolicyRows::setCurrentRow(int row) {
    if (row == m_current) {
        return;
    }
    if (m_current >= 0) {
        update(rowRect(m_current));
    }
    m_current = row;
    if (m_current >= 0) {
        update(rowRect(m_current));
    }
}

void ContactPolicyRows::keyPressEvent(QKeyEvent* event) {
    const int last = int(m_rows.size()) - 1;
    switch (event->key()) {
    case Qt::Key_Up:
        setCurrentRow(std::max(0, m_current - 1));
        break;
    case Qt::Key_Down:
        setCurrentRow(std::min(last, m_current + 1));
        break;
    case Qt::Key_Home:
        setCurrentRow(std::min(0, last));
        break;
    case Qt::Key_End:
        setCurrentRow(last);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_current >= 0) {
            Q_EMIT activated(m_current);
        }
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ContactPolicyRows::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint()) : -1;
    if (m_pressed >= 0) {
        setCurrentRow(m_pressed);
    }
    QWidget::mousePressEvent(event);
}

// A row opens when the button is let go over the row it was pressed on.
void ContactPolicyRows::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = std::exchange(m_pressed, -1);
    if (event->button() == Qt::LeftButton && pressed >= 0 &&
        rowAt(event->position().toPoint()) == pressed) {
        Q_EMIT activated(pressed);
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void ContactPolicyRows::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (m_current < 0 && !m_rows.empty()) {
        setCurrentRow(0);
    }
    if (m_current >= 0) {
        update(rowRect(m_current));
    }
}

void ContactPolicyRows::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (m_current >= 0) {
        update(rowRect(m_current));
    }
}

void ContactPolicyRows::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RowPainter::fillRounded(&painter, rect(), 12, Palette::gray(0.05, palette()));
    for (int row = 0; row < int(m_rows.size()); ++row) {
        const QRect rowRect = this->rowRect(row);
        if (rowRect.intersects(event->rect())) {
            const Row& shown = m_rows[size_t(row)];
            m_painter.paint(&painter, rowRect, palette(), false,
                            [&shown](int role) { return dataOf(shown, role); });
        }
    }
    // Where the keyboard is: the current row outlined in the accent colour.
    if (hasFocus() && m_current >= 0) {
        painter.setPen(QPen(Palette::color(ColorName::Accent, palette()), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rowRect(m_current)).adjusted(1, 1, -1, -1), 8, 8);
    }
}
