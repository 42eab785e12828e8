#include "policies/DropZoneView.h"

#include "policies/DropZoneAccessible.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kMinimumHeight = 120;
constexpr int kIconPoints = 48;
constexpr qreal kZoneRadius = 12;
} // namespace

DropZoneView::DropZoneView(QWidget* parent)
    : QWidget(parent) {
    DropZoneAccessible::install();
    setObjectName(QStringLiteral("dropZone"));
    setAccessibleName(QStringLiteral("Trascina qui il PDF"));
    setAccessibleDescription(QStringLiteral("o clicca per sfogliare"));
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(kMinimumHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
}

QSize DropZoneView::sizeHint() const {
    return {320, kMinimumHeight + 20};
}

QSize DropZoneView::minimumSizeHint() const {
    return {200, kMinimumHeight};
}

QString DropZoneView::offeredPdf(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().isEmpty()) {
        return {};
    }
    const QUrl first = mime->urls().constFirst();
    if (!first.isLocalFile()) {
        return {};
    }
    const QString path = first.toLocalFile();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    return type.inherits(QStringLiteral("application/pdf")) ? path : QString();
}

void DropZoneView::setTargeted(bool targeted) {
    if (m_isTargeted == targeted) {
        return;
    }
    m_isTargeted = targeted;
    update();
    Q_EMIT targetedChanged(targeted);
}

void DropZoneView::dragEnterEvent(QDragEnterEvent* event) {
    if (offeredPdf(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setTargeted(true);
}

void DropZoneView::dragMoveEvent(QDragMoveEvent* event) {
    if (m_isTargeted) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void DropZoneView::dragLeaveEvent(QDragLeaveEvent*) {
    setTargeted(false);
}

void DropZoneView::dropEvent(QDropEvent* event) {
    setTargeted(false);
    const QString path = offeredPdf(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT dropped(path);
}

void DropZoneView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT tapped();
    }
}

void DropZoneView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            Q_EMIT tapped();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void DropZoneView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor blue = Palette::color(ColorName::Blue, palette());
    const QColor secondary = Palette::color(ColorName::Secondary, palette());

    const qreal lineWidth = m_isTargeted ? 3 : 2;
    const QRectF frame =
        QRectF(rect()).adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);
    QPainterPath path;
    path.addRoundedRect(frame, kZoneRadius, kZoneRadius);
    painter.fillPath(path, m_isTargeted ? Palette::withOpacity(blue, 0.1)
                                        : Palette::gray(0.05, palette()));
    QPen outline(m_isTargeted ? blue : Palette::withOpacity(secondary, 0.3), lineWidth);
    // Dashes of 8 and gaps of 4 points; Qt counts a dash pattern in line widths.
    outline.setDashPattern({8 / lineWidth, 4 / lineWidth});
    outline.setCapStyle(Qt::FlatCap);
    outline.setJoinStyle(Qt::MiterJoin);
    painter.setPen(outline);
    painter.drawPath(path);
    if (hasFocus()) {
        painter.setPen(QPen(Palette::color(ColorName::Accent, palette()), 1));
        painter.drawRoundedRect(frame.adjusted(4, 4, -4, -4), kZoneRadius - 4, kZoneRadius - 4);
    }

    const QFont titleFont = Typography::font(TextStyle::Headline, font());
    const QFont hintFont = Typography::font(TextStyle::Caption, font());
    const int titleHeight = QFontMetrics(titleFont).height();
    const int hintHeight = QFontMetrics(hintFont).height();
    // The icon stands as tall as a 48-point glyph of the body font would.
    const int iconSize =
        QFontInfo(Typography::system(kIconPoints, QFont::Normal, font())).pixelSize();
    const int total = iconSize + 16 + titleHeight + 4 + hintHeight;
    int y = (height() - total) / 2;
    const QPixmap icon = Icons::pixmap(u"arrow.down.doc", iconSize, m_isTargeted ? blue : secondary,
                                       devicePixelRatioF());
    painter.drawPixmap((width() - iconSize) / 2, y, icon);
    y += iconSize + 16;
    painter.setFont(titleFont);
    painter.setPen(m_isTargeted ? blue : Palette::color(ColorName::Primary, palette()));
    painter.drawText(QRect(0, y, width(), titleHeight), Qt::AlignCenter, accessibleName());
    y += titleHeight + 4;
    painter.setFont(hintFont);
    painter.setPen(secondary);
    painter.drawText(QRect(0, y, width(), hintHeight), Qt::AlignCenter, accessibleDescription());
}
