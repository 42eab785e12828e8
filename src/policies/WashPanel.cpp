#include "policies/WashPanel.h"

#include "ui/Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QVBoxLayout>

WashPanel::WashPanel(const Look& look, QWidget* parent)
    : QFrame(parent)
    , m_look(look)
    , m_body(new QVBoxLayout(this)) {
    m_body->setContentsMargins(look.padding, look.padding, look.padding, look.padding);
    m_body->setSpacing(0);
}

void WashPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(box, m_look.radius, m_look.radius);
    if (m_look.wash > 0) {
        painter.fillPath(path, Palette::gray(m_look.wash, palette()));
    }
    if (m_look.outline > 0) {
        QPen pen(
            Palette::withOpacity(Palette::color(ColorName::Secondary, palette()), m_look.outline),
            1);
        if (m_look.dashed) {
            pen.setDashPattern({5, 5});
        }
        painter.setPen(pen);
        painter.drawPath(path);
    }
}

// Children draw over the panel, so their corners are cut by a mask; the outline is left
// to the panel's own border of one pixel.
void WashPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (!m_look.clip) {
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(event->size())), m_look.radius, m_look.radius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
