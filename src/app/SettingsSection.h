#pragma once

#include <QString>

class QLabel;
class QVBoxLayout;
class QWidget;

// The pieces the settings tabs share: a form's section header and its caption notes.
class SettingsSection final {
public:
    // Adds a header in the headline style to the form and returns the layout of the section's
    // rows beneath it.
    static QVBoxLayout* add(QVBoxLayout* form, const QString& header);
    // A wrapped note in the caption style and the secondary colour.
    static QLabel* caption(const QString& text, QWidget* parent);
};
