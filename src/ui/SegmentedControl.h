#pragma once

#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QToolButton;

// A row of segments of which exactly one is chosen, as a filter or a picker of few values.
class SegmentedControl final : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(const QString& objectName, QWidget* parent = nullptr);

    // Adds a segment at the end; the first one added is chosen.
    QToolButton* addSegment(const QString& text, const QString& objectName);
    int count() const;
    int currentIndex() const;
    void setCurrentIndex(int index);

Q_SIGNALS:
    void currentIndexChanged(int index);

private:
    QButtonGroup* m_group;
    QHBoxLayout* m_row;
};
