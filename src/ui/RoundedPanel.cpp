#include "ui/RoundedPanel.h"

#include <QBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

RoundedPanel::RoundedPanel(const Look& look, QWidget* parent)
    : QFrame(parent)
    , m_look(look)
    , m_body(new QBoxLayout(look.orientation == Qt::Vertical ? QBoxLayout::TopToBottom
                                                             : QBoxLayout::LeftToRight,
                            this)) {
    m_body->setContentsMargins(look.padding, look.padding, look.padding, look.padding);
    m_body->setSpacing(look.spacing);
}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // An outline of one pixel is drawn on the pixel centres, so its path lies half a pixel in.
    const QRectF box =
        m_look.outline > 0 ? QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5) : QRectF(rect());
    QPainterPath path;
    path.addRoundedRect(box, m_look.radius, m_look.radius);
    if (m_look.fill) {
        painter.fillPath(path, Palette::color(*m_look.fill, palette()));
    } else if (m_look.wash > 0) {
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
void RoundedPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (!m_look.clip) {
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(event->size())), m_look.radius, m_look.radius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
