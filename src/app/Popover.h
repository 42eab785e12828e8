#pragma once

#include <QElapsedTimer>
#include <QWidget>

// A frameless window of 300 x 400 that closes when the user clicks outside it. On X11 it is a
// popup, which holds the pointer while open, so a click anywhere else closes it; elsewhere it
// is a tool window that closes when it loses the focus.
class Popover final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 400;

    // Takes `content` as its child, centred.
    explicit Popover(QWidget* content, QWidget* parent = nullptr);

    // True while it was closed a moment ago: the click that closed it may be the press on the
    // panel icon whose activation arrives next, which must not open it again.
    bool closedJustNow() const;

protected:
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QElapsedTimer m_sinceHidden;
};
