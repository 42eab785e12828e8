#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where a popover opens beside a panel icon. The XEmbed tray tells where its icon is; a
// StatusNotifierItem host does not, and then the popover opens at the pointer (which X11
// reports, having just clicked the icon) or, where the pointer is unknown (Wayland), at the
// top right of the screen, where most panels keep their icons.
namespace PopoverPlacement {

// The popover's top left corner, always inside `screen`. `icon` is empty when unknown.
QPoint topLeft(QSize popover, QRect icon, std::optional<QPoint> pointer, QRect screen);

} // namespace PopoverPlacement
