#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <vector>

// What Tab reaches in a window, as a keyboard user meets it.
namespace TabChain {

// Every control of `window` that Tab may stop on now: shown, enabled, taking focus by Tab,
// not reached through another.
inline std::vector<QWidget*> interactive(QWidget& window) {
    std::vector<QWidget*> found;
    const QList<QWidget*> children = window.findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (child->window() == &window && child->isVisibleTo(&window) && child->isEnabled() &&
            (child->focusPolicy() & Qt::TabFocus) && !child->focusProxy()) {
            found.push_back(child);
        }
    }
    return found;
}

// The controls Tab visits from `start`, in order, until it comes back to `start` (which is
// then the last entry) or has pressed Tab `limit` times. A control that Tab moves within (a
// date's day, month and year) counts once.
inline std::vector<QWidget*> walk(QWidget& window, QWidget* start, int limit = 200) {
    QApplication::setActiveWindow(&window);
    start->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> visited;
    for (int i = 0; i < limit; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (!visited.empty() && visited.back() == now) {
            continue;
        }
        visited.push_back(now);
        if (now == start) {
            break;
        }
    }
    return visited;
}

// What is wrong with the chain from `start`: controls visited twice, or never, or a chain that
// never comes back; empty when every control is visited once and Tab returns to the start.
inline QStringList faults(QWidget& window, QWidget* start) {
    const std::vector<QWidget*> visited = walk(window, start);
    QStringList faults;
    const auto name = [](const QWidget* widget) {
        return widget ? QStringLiteral("%1 (%2)").arg(widget->objectName(),
                                                      widget->metaObject()->className())
                      : QStringLiteral("nothing");
    };
    if (visited.empty() || visited.back() != start) {
        faults << QStringLiteral("Tab never came back to %1").arg(name(start));
    }
    for (QWidget* control : interactive(window)) {
        const auto times = std::count(visited.begin(), visited.end(), control);
        if (times != 1) {
            faults << QStringLiteral("%1 visited %2 times").arg(name(control)).arg(times);
        }
    }
    return faults;
}

} // namespace TabChain
