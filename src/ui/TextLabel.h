#pragma once

#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QLabel>

#include <functional>

// A label in one of the named text styles and colours. Its font and colour are worked out from
// the window it is in, and again whenever its palette or font changes, so the label follows a
// light or dark look without the screen setting it again. It shows plain text.
class TextLabel final : public QLabel {
    Q_OBJECT
public:
    // The font from the window's font.
    using FontOf = std::function<QFont(const QFont& base)>;
    // The colour from the window's palette.
    using ColorOf = std::function<QColor(const QPalette& palette)>;

    TextLabel(const QString& text, TextStyle style, ColorName color, QWidget* parent = nullptr);
    TextLabel(const QString& text, FontOf font, ColorOf color, QWidget* parent = nullptr);

    // A named style, given another weight when asked.
    static FontOf style(TextStyle style);
    static FontOf style(TextStyle style, QFont::Weight weight);
    // A size in the screens' points (13 make the body text).
    static FontOf points(qreal points, QFont::Weight weight = QFont::Normal);
    static ColorOf named(ColorName color, qreal opacity = 1);

    void setTextFont(FontOf font);
    void setTextColor(ColorName color, qreal opacity = 1);
    void setTextColor(ColorOf color);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyLook();

    FontOf m_font;
    ColorOf m_color;
    bool m_applying = false;
};
