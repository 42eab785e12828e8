#pragma once

#include <QWidget>

class QLabel;

// One fact in a line: an icon, "label:" in the secondary colour and the value in medium
// weight, all in the subheadline style. Label and value are shown as given.
class DetailItem final : public QWidget {
    Q_OBJECT
public:
    DetailItem(const QString& icon, const QString& label, const QString& value,
               QWidget* parent = nullptr);

    QString value() const;
    void setValue(const QString& value);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyLook();

    QString m_iconName;
    QLabel* m_icon;
    QLabel* m_label;
    QLabel* m_value;
};
