#pragma once

#include "ui/Palette.h"

#include <QString>

class QLabel;
class QVBoxLayout;
class QWidget;

// The pieces the settings tabs share: a form's section header, its caption notes, and texts
// and icons in named colours that follow the desktop's light or dark theme.
class SettingsSection final {
public:
    // Adds a header in the headline style to the form and returns the layout of the section's
    // rows beneath it.
    static QVBoxLayout* add(QVBoxLayout* form, const QString& header);
    // A wrapped note in the caption style and the secondary colour.
    static QLabel* caption(const QString& text, QWidget* parent);

    // Draws the icon as the label's picture in the named colour of its palette, now and at
    // every repaint().
    static void paintIcon(QLabel* label, const QString& systemName, int size, ColorName color);
    // Draws every icon under `root` marked by paintIcon() again, after a palette change.
    static void repaint(QWidget* root);
};
