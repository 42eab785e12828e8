#include "ui/FieldBlock.h"

#include "ui/TextLabel.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <limits>

FieldBlock::FieldBlock(const QString& caption, const QString& placeholder,
                       const QString& objectName, QWidget* parent)
    : QWidget(parent)
    , m_caption(new TextLabel(caption, TextStyle::Caption, ColorName::Secondary, this))
    , m_edit(new QLineEdit(this)) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    stack->addWidget(m_caption);
    stack->addWidget(m_edit);
    m_caption->setBuddy(m_edit);
    m_caption->setObjectName(objectName + QStringLiteral("Caption"));
    m_edit->setObjectName(objectName);
    m_edit->setPlaceholderText(placeholder);
    m_edit->setAccessibleName(caption);
    // A line edit cuts its text at 32767 characters by default: a longer stored text would
    // be shortened by a save that never touched it.
    m_edit->setMaxLength(std::numeric_limits<int>::max());
    setFocusProxy(m_edit);
}

QWidget* FieldBlock::captioned(const QString& caption, QWidget* control, QWidget* parent) {
    auto* block = new QWidget(parent);
    auto* stack = new QVBoxLayout(block);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    auto* label = new TextLabel(caption, TextStyle::Caption, ColorName::Secondary, block);
    label->setAccessibleName(caption);
    label->setBuddy(control);
    stack->addWidget(label);
    stack->addWidget(control);
    control->setAccessibleName(caption);
    return block;
}
