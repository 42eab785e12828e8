#pragma once

#include "ui/Palette.h"
#include "ui/RowPainter.h"

#include <QFont>
#include <QWidget>

#include <vector>

// The policies of a contact's page, one rounded row each inside a rounded panel: the name
// over the insurer on the left, the expiry date in its status colour over the number on the
// right, drawn by the RowPainter the lists use. The rows are painted, not built of widgets, so a
// contact with many policies shows at once. A click on a row, or Return or Space on the current one
// (the arrow keys move it), opens it.
class ContactPolicyRows final : public QWidget {
    Q_OBJECT
public:
    struct Row {
        QString name;
        QString provider;
        QString date;
        QString number;
        ColorName color = ColorName::Green;
        // The status the colour shows, in words, for a screen reader.
        QString status;
    };

    explicit ContactPolicyRows(std::vector<Row> rows, QWidget* parent = nullptr);

    const std::vector<Row>& rows() const { return m_rows; }
    void setRows(std::vector<Row> rows);
    // Repaints the row only when its colour changed; says its status anew.
    void setStatus(size_t row, ColorName color, const QString& status);
    // The row the keyboard acts on, -1 for none.
    int currentRow() const { return m_current; }
    QRect rowRect(int row) const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void activated(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void applyLook();
    void describe();
    int rowAt(const QPoint& position) const;
    void setCurrentRow(int row);
    int rowHeight() const;

    std::vector<Row> m_rows;
    int m_current = -1;
    int m_pressed = -1;
    RowPainter m_painter{{}};
};
