#pragma once

#include <QApplication>
#include <QFont>

// The named text styles of the screens, mapped to fonts in one place. Sizes follow the body
// text of the desktop's own font, so a user who enlarges it enlarges every style alike.
enum class TextStyle { Title, Title2, Title3, Headline, Subheadline, Body, Caption, Caption2 };

class Typography final {
public:
    static QFont font(TextStyle style, const QFont& base = QApplication::font());
    // A font given as a size in the screens' points (13 of them make the body text) and a
    // weight, for the few places that name a size instead of a style.
    static QFont system(qreal points, QFont::Weight weight = QFont::Normal,
                        const QFont& base = QApplication::font());
};
