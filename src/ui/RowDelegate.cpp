#include "ui/RowDelegate.h"

RowDelegate::RowDelegate(RowPainter::Look look, int rowHeight, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_painter(std::move(look))
    , m_rowHeight(rowHeight) {}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {kRowWidth, m_rowHeight};
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    m_painter.paint(painter, option.rect.adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY),
                    option.palette, option.state.testFlag(QStyle::State_Selected),
                    [&index](int role) { return index.data(role); });
}
