#include "policies/PolicyListRow.h"

#include "ui/ItemDataRole.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

RowPainter::Look look() {
    return {.leading = RowPainter::Leading::Stripe,
            .leadingSize = 32,
            .left = {{{TitleRole, Typography::system(13, QFont::DemiBold), ColorName::Primary, 1},
                      {SubtitleRole, Typography::system(11), ColorName::Secondary, 0.8}}},
            .right = {{{DetailRole, Typography::system(11, QFont::Medium), std::nullopt, 1},
                       {NoteRole, Typography::system(9), ColorName::Orange, 0.9}}}};
}

} // namespace

PolicyListRow::PolicyListRow(QObject* parent)
    : RowDelegate(look(), kRowHeight, parent) {}

void PolicyListRow::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    RowDelegate::paint(painter, option, index);
    const QVariant color = index.data(CategoryColorRole);
    if (!color.isValid()) {
        return;
    }
    const QRect row = option.rect.adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    const auto data = [&index](int role) { return index.data(role); };
    for (const RowPainter::Text& text : this->painter().layout(row, data)) {
        if (text.line != 0) {
            continue;
        }
        // After the name as drawn; a name cut short has it in the gap before the right
        // column, never over its own last letters.
        const int width =
            QFontMetrics(this->painter().look().left[0].font).horizontalAdvance(text.shown);
        const int x = std::min(text.rect.left() + width + 6, text.rect.right() + 2);
        const QRectF dot(x, text.rect.center().y() - kDotSize / 2.0 + 1, kDotSize, kDotSize);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Palette::color(Palette::categoryColor(color.toString()), option.palette));
        painter->drawEllipse(dot);
        painter->restore();
    }
}
