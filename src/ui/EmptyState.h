#pragma once

#include <QWidget>

#include <utility>
#include <vector>

class QHBoxLayout;
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

    // Adds an action button below the message, after those added before it, in one centred
    // row; the caller connects it.
    QPushButton* addAction(const QString& text, const QString& iconName, const QString& objectName);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyLook();

    QString m_iconName;
    QLabel* m_icon;
    TextLabel* m_title;
    TextLabel* m_message;
    QHBoxLayout* m_actionRow = nullptr;
    // Each button with the name of its icon, drawn again when the look changes.
    std::vector<std::pair<QPushButton*, QString>> m_actions;
};
