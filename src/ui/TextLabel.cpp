#include "ui/TextLabel.h"

#include <QEvent>

TextLabel::TextLabel(const QString& text, TextStyle style, ColorName color, QWidget* parent)
    : TextLabel(text, TextLabel::style(style), named(color), parent) {}

TextLabel::TextLabel(const QString& text, FontOf font, ColorOf color, QWidget* parent)
    : QLabel(text, parent)
    , m_font(std::move(font))
    , m_color(std::move(color)) {
    setTextFormat(Qt::PlainText);
    applyLook();
}

TextLabel::FontOf TextLabel::style(TextStyle style) {
    return [style](const QFont& base) { return Typography::font(style, base); };
}

TextLabel::FontOf TextLabel::style(TextStyle style, QFont::Weight weight) {
    return [style, weight](const QFont& base) {
        QFont font = Typography::font(style, base);
        font.setWeight(weight);
        return font;
    };
}

TextLabel::FontOf TextLabel::points(qreal points, QFont::Weight weight) {
    return [points, weight](const QFont& base) { return Typography::system(points, weight, base); };
}

TextLabel::ColorOf TextLabel::named(ColorName color, qreal opacity) {
    return [color, opacity](const QPalette& palette) {
        return Palette::withOpacity(Palette::color(color, palette), opacity);
    };
}

void TextLabel::setTextFont(FontOf font) {
    m_font = std::move(font);
    applyLook();
}

void TextLabel::setTextColor(ColorName color, qreal opacity) {
    setTextColor(named(color, opacity));
}

void TextLabel::setTextColor(ColorOf color) {
    m_color = std::move(color);
    applyLook();
}

void TextLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::ParentChange:
        applyLook();
        break;
    default:
        break;
    }
}

// A label built inside a part that is put into its window later hears nothing when the part
// moves in; it is in its window by the time it shows.
void TextLabel::showEvent(QShowEvent* event) {
    applyLook();
    QLabel::showEvent(event);
}

// Read from the window the label is in, never from the label itself (its own text colour is
// the one set here, and a colour mixed from it would drift at every change) nor from a part
// that paints a background of its own.
void TextLabel::applyLook() {
    if (m_applying) {
        return;
    }
    m_applying = true;
    const QWidget* host = parentWidget() ? window() : nullptr;
    const QFont font = m_font(host ? host->font() : QApplication::font());
    if (this->font() != font) {
        setFont(font);
    }
    const QColor color = m_color(host ? host->palette() : QGuiApplication::palette());
    if (palette().color(QPalette::WindowText) != color ||
        palette().color(QPalette::Text) != color) {
        QPalette colors = palette();
        colors.setColor(QPalette::WindowText, color);
        colors.setColor(QPalette::Text, color); // a selectable text draws in this one
        setPalette(colors);
    }
    m_applying = false;
}
