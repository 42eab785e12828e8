#pragma once

#include <QWidget>

class QLabel;

// A titled block: the title with its icon in small bold capitals of the secondary colour,
// and any content under it.
class InfoBlock final : public QWidget {
    Q_OBJECT
public:
    InfoBlock(const QString& title, const QString& icon, QWidget* content,
              QWidget* parent = nullptr);

    QString title() const;
    QWidget* content() const { return m_content; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyLook();

    QString m_iconName;
    QLabel* m_icon;
    QLabel* m_title;
    QWidget* m_content;
};
