#pragma once

#include "ui/RowPainter.h"

#include <QStyledItemDelegate>

// A list's rows drawn by a RowPainter from the roles of the list's model, every row of one
// height inside insets of 8 across and 4 above and below; a selected row on the accent colour.
// The colours come from the palette each paint is given, so the rows follow a light or dark
// look that changes while the list is shown. No widget is built per row or per paint.
class RowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kInsetX = 8;
    static constexpr int kInsetY = 4;
    static constexpr int kRowWidth = 320;

    RowDelegate(RowPainter::Look look, int rowHeight, QObject* parent = nullptr);

    const RowPainter& painter() const { return m_painter; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    RowPainter m_painter;
    int m_rowHeight;
};
