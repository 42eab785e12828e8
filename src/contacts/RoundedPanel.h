#pragma once

#include <QWidget>

#include <QColor>

#include <functional>

class QBoxLayout;

// A panel filled with one colour in a rounded rectangle, holding a box of widgets: the
// contact page's cards and rows. The colour is asked for at each paint, so it follows a
// palette change.
class RoundedPanel final : public QWidget {
    Q_OBJECT
public:
    using Fill = std::function<QColor(const QPalette&)>;

    // A vertical (or horizontal) box with `padding` all round and `spacing` between widgets.
    RoundedPanel(Qt::Orientation orientation, int padding, int spacing, qreal radius, Fill fill,
                 QWidget* parent = nullptr);

    QBoxLayout* box() const { return m_box; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QBoxLayout* m_box;
    qreal m_radius;
    Fill m_fill;
};
