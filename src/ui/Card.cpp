#include "ui/Card.h"

#include "ui/Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {
constexpr int kPadding = 16;
constexpr qreal kRadius = 10;
constexpr qreal kWash = 0.05;
} // namespace

Card::Card(int spacing, QWidget* parent)
    : QFrame(parent)
    , m_body(new QVBoxLayout(this)) {
    m_body->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    m_body->setSpacing(spacing);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kRadius, kRadius);
    painter.fillPath(path, Palette::gray(kWash, palette()));
}
