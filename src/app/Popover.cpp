#include "app/Popover.h"

#include "ui/Palette.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr qint64 kReopenGuardMs = 300;

Qt::WindowFlags popoverFlags() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform == QLatin1String("offscreen")) {
        return Qt::Popup | Qt::FramelessWindowHint;
    }
    return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
}

} // namespace

Popover::Popover(QWidget* content, QWidget* parent)
    : QWidget(parent, popoverFlags()) {
    setObjectName(QStringLiteral("popover"));
    setAccessibleName(QStringLiteral("Quintaver"));
    // Never the window whose closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(kWidth, kHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content, 0, Qt::AlignCenter);
}

bool Popover::closedJustNow() const {
    return m_sinceHidden.isValid() && m_sinceHidden.elapsed() < kReopenGuardMs;
}

void Popover::hideEvent(QHideEvent* event) {
    m_sinceHidden.start();
    QWidget::hideEvent(event);
}

bool Popover::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && !windowFlags().testFlag(Qt::Popup)) {
        hide();
    }
    return QWidget::event(event);
}

void Popover::paintEvent(QPaintEvent*) {
    // A hairline edge, so the frameless window stands apart from a window of the same colour
    // behind it.
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(Palette::gray(0.6, palette()));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
