#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

// One field of a form: a caption in the secondary colour above a text field with a
// placeholder. The field's accessible name is the caption, so screen readers read what the
// user sees.
class FieldBlock final : public QWidget {
    Q_OBJECT
public:
    FieldBlock(const QString& caption, const QString& placeholder, const QString& objectName,
               QWidget* parent = nullptr);

    QLineEdit* edit() const { return m_edit; }

    // The same caption above any other control (a picker, a date field), which takes the
    // caption as its accessible name.
    static QWidget* captioned(const QString& caption, QWidget* control, QWidget* parent);

private:
    QLabel* m_caption;
    QLineEdit* m_edit;
};
