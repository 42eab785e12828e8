#include "app/MiniStat.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

MiniStat::MiniStat(const QString& title, const QString& icon, const QColor& color, QWidget* parent)
    : QWidget(parent)
    , m_title(title)
    , m_icon(icon)
    , m_color(color)
    , m_number(new QLabel(this)) {
    setAccessibleName(title);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(4);
    const QFont iconFont = Typography::font(TextStyle::Caption2);
    const int iconSize = QFontMetrics(iconFont).height();
    auto* image = new QLabel(this);
    image->setPixmap(Icons::pixmap(icon, iconSize, color, devicePixelRatioF()));
    row->addWidget(image);
    QFont numberFont = Typography::font(TextStyle::Caption);
    numberFont.setWeight(QFont::Medium);
    m_number->setFont(numberFont);
    row->addWidget(m_number);
    setCount(0);
}

void MiniStat::setCount(qint64 count) {
    if (count == m_count) {
        return;
    }
    m_count = count;
    m_number->setText(QString::number(count));
    setAccessibleDescription(QString::number(count));
}

void MiniStat::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 6, 6);
    painter.fillPath(shape, Palette::withOpacity(m_color, 0.1));
}
