#include "contacts/RoundedPanel.h"

#include <QBoxLayout>
#include <QPainter>
#include <QPainterPath>

RoundedPanel::RoundedPanel(Qt::Orientation orientation, int padding, int spacing, qreal radius,
                           Fill fill, QWidget* parent)
    : QWidget(parent)
    , m_box(new QBoxLayout(
          orientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, this))
    , m_radius(radius)
    , m_fill(std::move(fill)) {
    m_box->setContentsMargins(padding, padding, padding, padding);
    m_box->setSpacing(spacing);
}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), m_radius, m_radius);
    painter.fillPath(path, m_fill(palette()));
}
