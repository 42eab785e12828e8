#include "policies/InfoBlock.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

InfoBlock::InfoBlock(const QString& title, const QString& icon, QWidget* content, QWidget* parent)
    : QWidget(parent)
    , m_iconName(icon)
    , m_icon(new QLabel(this))
    , m_title(new TextLabel(title, TextLabel::style(TextStyle::Caption2, QFont::Bold),
                            TextLabel::named(ColorName::Secondary), this))
    , m_content(content) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);
    auto* label = new QHBoxLayout;
    label->setSpacing(4);
    label->addWidget(m_icon);
    label->addWidget(m_title);
    label->addStretch();
    stack->addLayout(label);
    stack->addWidget(content);
    stack->addStretch();
    setAccessibleName(title);
    applyLook();
}

QString InfoBlock::title() const {
    return m_title->text();
}

void InfoBlock::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyLook();
    }
}

void InfoBlock::applyLook() {
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    m_icon->setPixmap(Icons::pixmap(m_iconName, QFontMetrics(m_title->font()).height(), secondary,
                                    devicePixelRatioF()));
}
