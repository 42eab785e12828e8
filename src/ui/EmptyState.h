#pragma once

#include <QWidget>

class QLabel;
class TextLabel;
class QPushButton;

// What a pane shows when it has nothing to show: a large faint icon, a title, a message and
// an optional action. Without a message the title is a quieter line in the secondary colour.
class EmptyState final : public QWidget {
    Q_OBJECT
public:
    EmptyState(const QString& iconName, const QString& title, const QString& message,
               QWidget* parent = nullptr);

    // Adds the action button below the message; the caller connects it.
    QPushButton* addAction(const QString& text, const QString& iconName, const QString& objectName);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyLook();

    QString m_iconName;
    QLabel* m_icon;
    TextLabel* m_title;
    TextLabel* m_message;
    QPushButton* m_action = nullptr;
    QString m_actionIcon;
};
