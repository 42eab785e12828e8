#include "policies/StatusBadge.h"

#include "model/Policy.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kPadX = 8;
constexpr int kPadY = 4;
constexpr qreal kBadgeRadius = 4;
constexpr qreal kWash = 0.15;
constexpr qreal kPoints = 10;
} // namespace

StatusBadge::StatusBadge(std::shared_ptr<const Policy> policy, QWidget* parent)
    : QWidget(parent)
    , m_policy(std::move(policy)) {
    setObjectName(QStringLiteral("statusBadge"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFont(Typography::system(kPoints, QFont::Bold, font()));
    setAccessibleName(text());
}

QColor StatusBadge::colorOf(PolicyStatus status, const QPalette& palette) {
    return Palette::color(Palette::byName(PolicyStatusRules::colorName(status)), palette);
}

QString StatusBadge::text() const {
    return PolicyStatusRules::badgeText(m_policy->status());
}

QColor StatusBadge::color() const {
    return colorOf(m_policy->status(), palette());
}

void StatusBadge::refresh() {
    setAccessibleName(text());
    updateGeometry();
    update();
}

QSize StatusBadge::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * kPadX, metrics.height() + 2 * kPadY};
}

void StatusBadge::paintEvent(QPaintEvent*) {
    const PolicyStatus status = m_policy->status();
    const QColor color = colorOf(status, palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath pill;
    pill.addRoundedRect(QRectF(rect()), kBadgeRadius, kBadgeRadius);
    painter.fillPath(pill, Palette::withOpacity(color, kWash));
    painter.setPen(color);
    painter.drawText(rect(), Qt::AlignCenter, PolicyStatusRules::badgeText(status));
}

void StatusBadge::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
}
