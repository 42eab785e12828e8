#pragma once

#include <QString>

class QPixmap;

// What the screen drawers are given: the texts they fill their stores with, as a user would
// have typed them, and what happens to each finished picture. The picture tool writes PNG
// files; a test can feed the screens hostile texts and look at every window instead.
class ScreenCamera {
public:
    virtual ~ScreenCamera() = default;

    virtual QString text(const char* utf8) const { return QString::fromUtf8(utf8); }
    // Called while the pictured screen, and any window it opened, is on show.
    virtual bool take(const QPixmap& picture, const QString& name) = 0;
};
