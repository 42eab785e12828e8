#pragma once

#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QLabel;
class QToolButton;

// A row of segments of which at most one is chosen, as a filter or a picker of few values.
// None is chosen until the program or the user chooses one, so a value that no segment names
// shows as none rather than as the first.
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

Q_SIGNALS:
    // A segment was chosen (never sent for none).
    void currentIndexChanged(int index);

private:
    QButtonGroup* m_group;
    QHBoxLayout* m_row;
    QLabel* m_title = nullptr;
};
