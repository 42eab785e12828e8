#include "app/SidebarView.h"

#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

SidebarView::SidebarView(QWidget* parent)
    : QWidget(parent)
    , m_heading(new TextLabel(QStringLiteral("Tracciamento"), TextStyle::Caption,
                              ColorName::Secondary, this)) {
    setObjectName(QStringLiteral("sidebarView"));
    setAccessibleName(QStringLiteral("Tracciamento"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(10, 12, 10, 12);
    stack->setSpacing(2);
    m_heading->setObjectName(QStringLiteral("sidebarHeading"));
    m_heading->setContentsMargins(8, 0, 0, 6);
    stack->addWidget(m_heading);
    for (size_t i = 0; i < kRows.size(); ++i) {
        const Row& row = kRows[i];
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(row.objectName));
        button->setText(QString::fromUtf8(row.label));
        button->setAccessibleName(button->text());
        button->setCheckable(true);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setIconSize(QSize(16, 16));
        button->installEventFilter(this);
        connect(button, &QToolButton::clicked, this,
                [this, tag = row.tag] { setSelectedTab(tag); });
        m_buttons[i] = button;
        stack->addWidget(button);
    }
    stack->addStretch();
    applyLook();
}

void SidebarView::setSelectedTab(int tag) {
    if (tag == m_selectedTab) {
        applyLook(); // a click on the chosen row leaves it checked
        return;
    }
    m_selectedTab = tag;
    applyLook();
    Q_EMIT selectedTabChanged(tag);
}

void SidebarView::focusChosenRow() {
    for (size_t i = 0; i < kRows.size(); ++i) {
        if (kRows[i].tag == m_selectedTab) {
            m_buttons[i]->setFocus(Qt::OtherFocusReason);
        }
    }
}

void SidebarView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyLook();
    }
}

// A row marks the focus that the keyboard brought, not the one the window gives its first
// control when it opens; a window or a menu coming and going leaves the mark as it was.
bool SidebarView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const bool byKeyboard =
                event->type() == QEvent::FocusIn &&
                (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                 reason == Qt::ShortcutFocusReason);
            if (watched->property("keyboardFocus").toBool() != byKeyboard) {
                watched->setProperty("keyboardFocus", byKeyboard);
                applyLook();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SidebarView::applyLook() {
    const QColor accent = Palette::color(ColorName::Accent, palette());
    const QColor primary = Palette::color(ColorName::Primary, palette());
    const QColor wash = Palette::withOpacity(accent, 0.1);
    for (size_t i = 0; i < kRows.size(); ++i) {
        QToolButton* button = m_buttons[i];
        const bool chosen = kRows[i].tag == m_selectedTab;
        const QColor ink = chosen ? accent : primary;
        button->setChecked(chosen);
        button->setIcon(Icons::icon(QString::fromLatin1(kRows[i].iconName), ink));
        // The border is the keyboard focus's mark, and takes its width from the padding so
        // that a row keeps its size and place with it or without.
        button->setStyleSheet(
            QStringLiteral("QToolButton { border: none; border-radius: 6px; padding: 6px 8px;"
                           " color: %1; background: %2; }"
                           " QToolButton[keyboardFocus=\"true\"] { border: 2px solid %3;"
                           " padding: 4px 6px; }")
                .arg(ink.name(QColor::HexArgb),
                     chosen ? wash.name(QColor::HexArgb) : QStringLiteral("transparent"),
                     accent.name(QColor::HexArgb)));
    }
}
