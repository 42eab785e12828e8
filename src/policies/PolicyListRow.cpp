#include "policies/PolicyListRow.h"

#include "ui/Icons.h"
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
    const bool notified = index.data(NotifiedRole).toBool();
    if (!color.isValid() && !notified) {
        return;
    }
    const QRect row = option.rect.adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    const auto data = [&index](int role) { return index.data(role); };
    const RowPainter::Look& look = this->painter().look();
    for (const RowPainter::Text& text : this->painter().layout(row, data)) {
        if (text.line == 0 && color.isValid()) {
            paintCategoryDot(
                painter, text, look.left[0].font,
                Palette::color(Palette::categoryColor(color.toString()), option.palette));
        } else if (text.line == 3 && notified) {
            paintNotifiedCheck(painter, text, look.right[1].font, option);
        }
    }
}

// After the name as drawn; a name cut short has it in the gap before the right column, never
// over its own last letters.
void PolicyListRow::paintCategoryDot(QPainter* painter, const RowPainter::Text& name,
                                     const QFont& font, const QColor& color) {
    const int width = QFontMetrics(font).horizontalAdvance(name.shown);
    const int x = std::min(name.rect.left() + width + 6, name.rect.right() + 2);
    const QRectF dot(x, name.rect.center().y() - kDotSize / 2.0 + 1, kDotSize, kDotSize);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(color);
    painter->drawEllipse(dot);
    painter->restore();
}

// Before the days left, right-aligned like them: the client was told of this expiry.
void PolicyListRow::paintNotifiedCheck(QPainter* painter, const RowPainter::Text& note,
                                       const QFont& font, const QStyleOptionViewItem& option) {
    const int width = QFontMetrics(font).horizontalAdvance(note.shown);
    const int size = kCheckSize;
    const QPoint at(note.rect.right() - width - 4 - size, note.rect.center().y() - size / 2 + 1);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(at, Icons::pixmap(u"checkmark.circle.fill", size,
                                          Palette::color(ColorName::Green, option.palette), ratio));
}
