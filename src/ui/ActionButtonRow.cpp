#include "ui/ActionButtonRow.h"

#include "ui/Icons.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>

ActionButtonRow::ActionButtonRow(int spacing, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(spacing);
}

QPushButton* ActionButtonRow::add(const QString& name, const QString& iconName,
                                  const QString& objectName) {
    auto* button = new QPushButton(name, this);
    button->setObjectName(objectName);
    button->setAccessibleName(name);
    button->setAutoDefault(false);
    m_layout->addWidget(button);
    m_actions.append({button, name, iconName});
    paintIcon(m_actions.last());
    button->installEventFilter(this);
    return button;
}

void ActionButtonRow::fit(int room, bool measureAgain) {
    if (!m_compact || measureAgain) {
        showNames(true);
        m_namedWidth = sizeHint().width();
    }
    m_compact = m_namedWidth > room;
    showNames(!m_compact);
}

void ActionButtonRow::showNames(bool names) {
    for (const Action& action : std::as_const(m_actions)) {
        const QString text = names ? action.name : QString();
        // An unchanged name lays out nothing.
        if (!action.name.isEmpty() && action.button->text() != text) {
            action.button->setText(text);
            action.button->setToolTip(names ? QString() : action.name);
        }
    }
}

bool ActionButtonRow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        for (const Action& action : std::as_const(m_actions)) {
            if (action.button == watched) {
                paintIcon(action);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ActionButtonRow::paintIcon(const Action& action) {
    action.button->setIcon(
        Icons::icon(action.iconName, action.button->palette().color(QPalette::ButtonText)));
}
