#include "ui/TextArea.h"

#include "ui/Palette.h"

#include <QEvent>

TextArea::TextArea(QWidget* parent)
    : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    applyLook();
}

void TextArea::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyLook();
    }
}

void TextArea::applyLook() {
    // The outline: secondary colour at opacity 0.2, one pixel, radius 6.
    const QColor outline =
        Palette::withOpacity(Palette::color(ColorName::Secondary, palette()), 0.2);
    const QString sheet = QStringLiteral("TextArea { border: 1px solid rgba(%1, %2, %3, %4); "
                                         "border-radius: 6px; padding: 4px; }")
                              .arg(outline.red())
                              .arg(outline.green())
                              .arg(outline.blue())
                              .arg(outline.alpha());
    // Setting a style sheet changes the palette again; an unchanged one is left alone.
    if (sheet != styleSheet()) {
        setStyleSheet(sheet);
    }
}
