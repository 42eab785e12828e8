#include "ui/TextArea.h"

#include "ui/Palette.h"

#include <QEvent>
#include <QTextDocument>

namespace {

QString rgba(const QColor& color) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

} // namespace

TextArea::TextArea(QWidget* parent)
    : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    applyLook();
}

QString TextArea::text() const {
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void TextArea::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        applyLook();
    }
}

void TextArea::applyLook() {
    // Colours come from the parent: the style sheet changes this widget's own palette.
    const QPalette source = parentWidget() ? parentWidget()->palette() : QGuiApplication::palette();
    // The outline: secondary colour at opacity 0.2, one pixel, radius 6.
    const QColor outline = Palette::withOpacity(Palette::color(ColorName::Secondary, source), 0.2);
    const QString sheet = QStringLiteral("TextArea { border: 1px solid %1; border-radius: 6px; "
                                         "padding: 4px; background-color: %2; }")
                              .arg(rgba(outline), rgba(source.color(QPalette::Base)));
    if (sheet != styleSheet()) {
        setStyleSheet(sheet);
    }
}
