#include "policies/DetailItem.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

DetailItem::DetailItem(const QString& icon, const QString& label, const QString& value,
                       QWidget* parent)
    : QWidget(parent)
    , m_iconName(icon)
    , m_icon(new QLabel(this))
    , m_label(new TextLabel(label + QLatin1Char(':'), TextStyle::Subheadline, ColorName::Secondary,
                            this))
    , m_value(new TextLabel(value, TextLabel::style(TextStyle::Subheadline, QFont::Medium),
                            TextLabel::named(ColorName::Primary), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    row->addWidget(m_label, 0, Qt::AlignVCenter);
    row->addWidget(m_value, 0, Qt::AlignVCenter);
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
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    m_icon->setPixmap(Icons::pixmap(m_iconName, QFontMetrics(m_label->font()).height(), secondary,
                                    devicePixelRatioF()));
}
