#pragma once

#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QHBoxLayout;
class QLabel;
class QToolButton;

// A row of segments of which at most one is chosen, as a filter or a picker of few values.
// None is chosen until the program or the user chooses one, so a value that no segment names
// shows as none rather than as the first.
//
// By keyboard it is one stop, like a group of radio buttons: Tab reaches the chosen segment
// (the first while none is), and the arrows move to the next or previous one and choose it.
class SegmentedControl final : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(const QString& objectName, QWidget* parent = nullptr);

    // A visible title before the segments (above them when `above`, for a row too narrow to
    // share), which also names the control for a screen reader.
    void setTitle(const QString& title, bool above = false);
    // Adds a segment at the end.
    QToolButton* addSegment(const QString& text, const QString& objectName);
    int count() const;
    // The chosen segment, or -1 when none is.
    int currentIndex() const;
    // Chooses the segment at `index`; -1 chooses none.
    void setCurrentIndex(int index);
    // Gives the keyboard focus to the segment that Tab reaches.
    void focusCurrent(Qt::FocusReason reason);

Q_SIGNALS:
    // A segment was chosen (never sent for none).
    void currentIndexChanged(int index);

private:
    QAbstractButton* tabStop() const;
    void updateTabStop();

    QButtonGroup* m_group;
    QHBoxLayout* m_row;
    QLabel* m_title = nullptr;
};
