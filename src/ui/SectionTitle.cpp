#include "ui/SectionTitle.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

SectionTitle::SectionTitle(const QString& text, const QString& iconName, QWidget* parent)
    : QWidget(parent)
    , m_iconName(iconName)
    , m_icon(new QLabel(this))
    , m_text(new TextLabel(text, TextStyle::Headline, ColorName::Secondary, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(m_icon);
    row->addWidget(m_text);
    row->addStretch();
    setAccessibleName(text);
    m_text->setAccessibleName(text);
    applyLook();
}

QString SectionTitle::text() const {
    return m_text->text();
}

void SectionTitle::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyLook();
    }
}

void SectionTitle::applyLook() {
    const QColor color = Palette::color(ColorName::Secondary, palette());
    const int size = QFontMetrics(m_text->font()).height();
    m_icon->setPixmap(Icons::pixmap(m_iconName, size, color, devicePixelRatioF()));
}
