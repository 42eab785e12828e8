#include "platform/PopoverPlacement.h"

#include <algorithm>

namespace {

// Below the anchor and centred on it, or above it when the anchor lies in the lower half of
// the screen (a panel at the bottom).
QPoint besides(QSize popover, QRect anchor, QRect screen) {
    const int x = anchor.left() + anchor.width() / 2 - popover.width() / 2;
    const bool below = anchor.center().y() < screen.center().y();
    const int y = below ? anchor.bottom() + 1 : anchor.top() - popover.height();
    return {x, y};
}

} // namespace

QPoint PopoverPlacement::topLeft(QSize popover, QRect icon, std::optional<QPoint> pointer,
                                 QRect screen) {
    QPoint corner;
    if (icon.isValid()) {
        corner = besides(popover, icon, screen);
    } else if (pointer) {
        corner = besides(popover, QRect(*pointer, QSize(1, 1)), screen);
    } else {
        corner = QPoint(screen.right() + 1 - popover.width(), screen.top());
    }
    const int x = std::clamp(corner.x(), screen.left(),
                             std::max(screen.left(), screen.right() + 1 - popover.width()));
    const int y = std::clamp(corner.y(), screen.top(),
                             std::max(screen.top(), screen.bottom() + 1 - popover.height()));
    return {x, y};
}
