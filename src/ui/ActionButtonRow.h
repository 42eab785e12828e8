#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QHBoxLayout;
class QPushButton;

// The actions in a page's header: buttons with an icon and a name. Where the header is too
// narrow for them they show their icons alone, their names kept as tooltips and accessible
// names, rather than being cut.
class ActionButtonRow final : public QWidget {
    Q_OBJECT
public:
    explicit ActionButtonRow(int spacing, QWidget* parent = nullptr);

    // A button with its name (an empty one: an icon alone at every width, which the caller
    // names for tooltips and screen readers).
    QPushButton* add(const QString& name, const QString& iconName, const QString& objectName);
    // Names shown if the row with them fits in room pixels, icons alone otherwise. The row's
    // width with names is measured while they show, and again when measureAgain (a font or
    // style change).
    void fit(int room, bool measureAgain = false);

protected:
    // Each icon is drawn in its button's text colour, again whenever the button's palette
    // changes: a parent hears of its own change before its children have the new palette.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showNames(bool names);

    struct Action {
        QPushButton* button;
        QString name;
        QString iconName;
    };
    static void paintIcon(const Action& action);
    QHBoxLayout* m_layout;
    QList<Action> m_actions;
    bool m_compact = false;
    int m_namedWidth = 0;
};
