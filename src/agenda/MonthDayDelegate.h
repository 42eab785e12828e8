#pragma once

#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

// One day of the month grid, drawn from MonthGridModel's roles: the day's number (on an
// accent disc for today, faded outside the month shown), up to three event titles on washes of
// their categories' colours, and "+N" for the rest; the chosen day framed in the accent colour.
// Colours come from the palette of each paint, so a dark look needs nothing more. Each text is
// laid out once for its width and kept (a month's worth at most), so that repainting the grid
// only draws.
class MonthDayDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintNumber(QPainter* painter, const QRect& cell, const QModelIndex& index,
                     const QPalette& palette) const;
    void paintTitles(QPainter* painter, const QRect& cell, const QModelIndex& index,
                     const QPalette& palette) const;
    // `text` elided to `width` in `font`, laid out.
    const QStaticText& laidOut(const QString& text, const QFont& font, int width) const;

    mutable QHash<QString, QStaticText> m_texts;
};
