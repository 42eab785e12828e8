#include "ui/Divider.h"

Divider::Divider(Qt::Orientation orientation, QWidget* parent)
    : QFrame(parent) {
    setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    setFrameShadow(QFrame::Plain);
    setForegroundRole(QPalette::Mid);
}
