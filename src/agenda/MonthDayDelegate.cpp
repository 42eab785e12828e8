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
// Texts kept at most before the cache starts again: a few months of titles.
constexpr qsizetype kMaxTexts = 2'000;

QFont numberFont(bool today) {
    return Typography::system(12, today ? QFont::Bold : QFont::Medium);
}

QFont titleFont() {
    return Typography::system(10, QFont::Medium);
}

// `text`'s top-left corner when centred vertically in `box`, at `left`.
QPointF vCentred(const QRect& box, int left, const QStaticText& text) {
    return {qreal(left), box.top() + (box.height() - text.size().height()) / 2};
}

} // namespace

const QStaticText& MonthDayDelegate::laidOut(const QString& text, const QFont& font,
                                             int width) const {
    const QString key = font.key() + QChar(0x1f) + QString::number(width) + QChar(0x1f) + text;
    const auto kept = m_texts.constFind(key);
    if (kept != m_texts.cend()) {
        return *kept;
    }
    if (m_texts.size() >= kMaxTexts) {
        m_texts.clear();
    }
    QStaticText laid(QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
    laid.setTextFormat(Qt::PlainText);
    laid.setPerformanceHint(QStaticText::AggressiveCaching);
    laid.prepare(QTransform(), font);
    return *m_texts.insert(key, laid);
}

void MonthDayDelegate::paintNumber(QPainter* painter, const QRect& cell, const QModelIndex& index,
                                   const QPalette& palette) const {
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
    const QFont font = numberFont(today);
    painter->setFont(font);
    painter->setPen(ink);
    const QStaticText& number = laidOut(index.data(Qt::DisplayRole).toString(), font, disc.width());
    const int left = disc.left() + int(disc.width() - number.size().width()) / 2;
    painter->drawStaticText(vCentred(disc, left, number), number);
}

void MonthDayDelegate::paintTitles(QPainter* painter, const QRect& cell, const QModelIndex& index,
                                   const QPalette& palette) const {
    const QStringList titles = index.data(MonthGridModel::TitlesRole).toStringList();
    const QStringList colors = index.data(MonthGridModel::ColorsRole).toStringList();
    const QFont font = titleFont();
    painter->setFont(font);
    int top = cell.top() + kPadding + kNumberSize + 2;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QRect line(cell.left() + kPadding, top, cell.width() - 2 * kPadding, kTitleHeight);
        if (line.bottom() > cell.bottom()) {
            return;
        }
        const QColor color = Palette::color(Palette::categoryColor(colors.value(i)), palette);
        RowPainter::fillRounded(painter, line, 3, Palette::withOpacity(color, 0.18));
        painter->setPen(color);
        const QStaticText& title = laidOut(titles[i], font, line.width() - 6);
        painter->drawStaticText(vCentred(line, line.left() + 4, title), title);
        top += kTitleHeight + 2;
    }
    const int more = index.data(MonthGridModel::MoreRole).toInt();
    if (more > 0) {
        painter->setPen(Palette::color(ColorName::Secondary, palette));
        const QRect line(cell.left() + kPadding, top, cell.width() - 2 * kPadding, kTitleHeight);
        const QStaticText& rest = laidOut(QStringLiteral("+%1").arg(more), font, line.width());
        painter->drawStaticText(vCentred(line, line.left(), rest), rest);
    }
}

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
    // The grid's lines as one-pixel fills: an antialiased line costs far more to draw.
    const QColor rule = Palette::gray(0.2, palette);
    painter->fillRect(QRect(cell.right(), cell.top(), 1, cell.height()), rule);
    painter->fillRect(QRect(cell.left(), cell.bottom(), cell.width(), 1), rule);
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
