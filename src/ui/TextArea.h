#pragma once

#include <QPlainTextEdit>

// A multi-line text field with a thin rounded outline. Tab moves to the next field, as in
// every other field of a form; the text keeps every character typed.
class TextArea final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextArea(QWidget* parent = nullptr);

    // The text exactly as held, lines joined by "\n". toPlainText() would turn non-breaking
    // spaces into plain ones, changing a stored text the user never touched.
    QString text() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyLook();
};
