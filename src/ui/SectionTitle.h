#pragma once

#include <QWidget>

class QLabel;

// A section's label: its icon and text in the headline style and the secondary colour.
class SectionTitle final : public QWidget {
    Q_OBJECT
public:
    SectionTitle(const QString& text, const QString& iconName, QWidget* parent = nullptr);

    QString text() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyLook();

    QString m_iconName;
    QLabel* m_icon;
    QLabel* m_text;
};
