#include "ui/EmptyState.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kIconSize = 64;
constexpr qreal kIconOpacity = 0.3;
} // namespace

EmptyState::EmptyState(const QString& iconName, const QString& title, const QString& message,
                       QWidget* parent)
    : QWidget(parent)
    , m_iconName(iconName)
    , m_icon(new QLabel(this))
    , m_title(new TextLabel(title, TextStyle::Title2, ColorName::Primary, this))
    , m_message(new TextLabel(message, TextStyle::Body, ColorName::Secondary, this)) {
    // On the text background, as a list or a document would be, not the window's grey.
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    auto* stack = new QVBoxLayout(this);
    stack->setSpacing(20);
    stack->addStretch();
    for (QLabel* label : {m_icon, static_cast<QLabel*>(m_title), static_cast<QLabel*>(m_message)}) {
        // Their colour is set as WindowText; on the Base background they would draw in Text.
        label->setForegroundRole(QPalette::WindowText);
        label->setAlignment(Qt::AlignCenter);
        stack->addWidget(label, 0, Qt::AlignHCenter);
    }
    stack->addStretch();
    m_message->setWordWrap(true);
    m_message->setVisible(!message.isEmpty());
    m_title->setAccessibleName(title);
    m_message->setAccessibleName(message);
    applyLook();
}

QPushButton* EmptyState::addAction(const QString& text, const QString& iconName,
                                   const QString& objectName) {
    if (!m_actionRow) {
        m_actionRow = new QHBoxLayout;
        m_actionRow->setSpacing(12);
        auto* stack = static_cast<QVBoxLayout*>(layout());
        stack->insertLayout(stack->count() - 1, m_actionRow);
        m_actionRow->setAlignment(Qt::AlignHCenter);
    }
    auto* action = new QPushButton(text, this);
    action->setObjectName(objectName);
    action->setAccessibleName(text);
    m_actionRow->addWidget(action);
    m_actions.push_back({action, iconName});
    applyLook();
    return action;
}

void EmptyState::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyLook();
    }
}

void EmptyState::applyLook() {
    const QColor secondary = Palette::color(ColorName::Secondary, palette());
    m_icon->setPixmap(Icons::pixmap(
        m_iconName, kIconSize, Palette::withOpacity(secondary, kIconOpacity), devicePixelRatioF()));
    // A title alone is a quiet hint; above a message it is the heading.
    const bool alone = m_message->text().isEmpty();
    m_title->setTextFont(TextLabel::style(alone ? TextStyle::Title3 : TextStyle::Title2));
    m_title->setTextColor(alone ? ColorName::Secondary : ColorName::Primary);
    for (const auto& [button, iconName] : m_actions) {
        button->setIcon(Icons::icon(iconName, palette().color(QPalette::ButtonText)));
    }
}
