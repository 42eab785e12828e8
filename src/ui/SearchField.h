#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

// A search box: a magnifying glass, a plain text field and a clear button shown while there
// is text. Escape empties it. The text is passed on exactly as typed (never trimmed).
class SearchField final : public QWidget {
    Q_OBJECT
public:
    SearchField(const QString& placeholder, const QString& objectName, QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    QLineEdit* edit() const { return m_edit; }

Q_SIGNALS:
    void textChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyLook();

    QLabel* m_icon;
    QLineEdit* m_edit;
    QToolButton* m_clear;
};
