#pragma once

#include "model/PolicyStatus.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

#include <memory>

class Policy;

// The status pill: "SCADUTA", "IN SCADENZA" or "ATTIVA" in the status colour on a faint wash
// of it. The status is read from the policy at every paint, so a repaint after a change or a
// new day shows the current one.
class StatusBadge final : public QWidget {
    Q_OBJECT
public:
    explicit StatusBadge(std::shared_ptr<const Policy> policy, QWidget* parent = nullptr);

    static QColor colorOf(PolicyStatus status, const QPalette& palette);

    QString text() const;
    QColor color() const;
    // The status may have moved: size and paint again.
    void refresh();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::shared_ptr<const Policy> m_policy;
};
