#include "policies/DetailItem.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

DetailItem::DetailItem(const QString& icon, const QString& label, const QString& value,
                       QWidget* parent)
    : QWidget(parent)
    , m_iconName(icon)
    , m_icon(new QLabel(this))
    , m_label(new QLabel(label + QLatin1Char(':'), this))
    , m_value(new QLabel(value, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    row->addWidget(m_label, 0, Qt::AlignVCenter);
    row->addWidget(m_value, 0, Qt::AlignVCenter);
    m_label->setTextFormat(Qt::PlainText);
    m_value->setTextFormat(Qt::PlainText);
    m_value->setObjectName(QStringLiteral("detailValue"));
    m_value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setAccessibleName(label);
    applyLook();
}

QString DetailItem::value() const {
    return m_value->text();
}

void DetailItem::setValue(const QString& value) {
    m_value->setText(value);
}

void DetailItem::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyLook();
    }
}

void DetailItem::applyLook() {
    const QFont font = Typography::font(TextStyle::Subheadline, this->font());
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    m_label->setFont(font);
    QPalette labelPalette = m_label->palette();
    labelPalette.setColor(QPalette::WindowText, secondary);
    labelPalette.setColor(QPalette::Text, secondary);
    m_label->setPalette(labelPalette);
    QFont medium = font;
    medium.setWeight(QFont::Medium);
    m_value->setFont(medium);
    m_icon->setPixmap(
        Icons::pixmap(m_iconName, QFontMetrics(font).height(), secondary, devicePixelRatioF()));
}
