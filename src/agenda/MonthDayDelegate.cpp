#include "agenda/MonthDayDelegate.h"

#include "agenda/MonthGridModel.h"
#include "ui/Palette.h"
#include "ui/RowPainter.h"
#include "ui/Typography.h"

#include <QPainter>

namespace {

constexpr int kPadding = 4;
constexpr int kNumberSize = 22;
constexpr int kTitleHeight = 16;

void paintNumber(QPainter* painter, const QRect& cell, const QModelIndex& index,
                 const QPalette& palette) {
    const QRect disc(cell.right() - kPadding - kNumberSize, cell.top() + kPadding, kNumberSize,
                     kNumberSize);
    const bool today = index.data(MonthGridModel::TodayRole).toBool();
    QColor ink = Palette::color(ColorName::Primary, palette);
    if (today) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(Palette::color(ColorName::Accent, palette));
        painter->drawEllipse(disc);
        ink = Qt::white;
    } else if (!index.data(MonthGridModel::InMonthRole).toBool()) {
        ink = Palette::withOpacity(Palette::color(ColorName::Secondary, palette), 0.6);
    }
    painter->setFont(Typography::system(12, today ? QFont::Bold : QFont::Medium));
    painter->setPen(ink);
    painter->drawText(disc, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
}

void paintTitles(QPainter* painter, const QRect& cell, const QModelIndex& index,
                 const QPalette& palette) {
    const QStringList titles = index.data(MonthGridModel::TitlesRole).toStringList();
    const QStringList colors = index.data(MonthGridModel::ColorsRole).toStringList();
    const QFont font = Typography::system(10, QFont::Medium);
    painter->setFont(font);
    const QFontMetrics metrics(font);
    int top = cell.top() + kPadding + kNumberSize + 2;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QRect line(cell.left() + kPadding, top, cell.width() - 2 * kPadding, kTitleHeight);
        if (line.bottom() > cell.bottom()) {
            return;
        }
        const QColor color = Palette::color(Palette::categoryColor(colors.value(i)), palette);
        RowPainter::fillRounded(painter, line, 3, Palette::withOpacity(color, 0.18));
        painter->setPen(color);
        painter->drawText(line.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                          metrics.elidedText(titles[i], Qt::ElideRight, line.width() - 6));
        top += kTitleHeight + 2;
    }
    const int more = index.data(MonthGridModel::MoreRole).toInt();
    if (more > 0) {
        painter->setPen(Palette::color(ColorName::Secondary, palette));
        painter->drawText(
            QRect(cell.left() + kPadding, top, cell.width() - 2 * kPadding, kTitleHeight),
            Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("+%1").arg(more));
    }
}

} // namespace

void MonthDayDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect cell = option.rect;
    const QPalette& palette = option.palette;
    painter->fillRect(cell, Palette::color(ColorName::TextBackground, palette));
    if (!index.data(MonthGridModel::InMonthRole).toBool()) {
        painter->fillRect(cell, Palette::gray(0.05, palette));
    }
    painter->setPen(Palette::gray(0.2, palette));
    painter->drawLine(cell.topRight(), cell.bottomRight());
    painter->drawLine(cell.bottomLeft(), cell.bottomRight());
    if (option.state & QStyle::State_Selected) {
        const QColor accent = Palette::color(ColorName::Accent, palette);
        painter->fillRect(cell, Palette::withOpacity(accent, 0.08));
        painter->setPen(QPen(accent, 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(cell.adjusted(1, 1, -2, -2));
    }
    paintNumber(painter, cell, index, palette);
    paintTitles(painter, cell, index, palette);
    painter->restore();
}

QSize MonthDayDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {96, kPadding * 2 + kNumberSize + 2 +
                    (MonthGridModel::kShownTitles + 1) * (kTitleHeight + 2)};
}
