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

// Washes kept at most: the grid's few widths times the categories' colours.
constexpr qsizetype kMaxWashes = 256;

// `text`'s top-left corner when centred vertically in `box`, at `left`.
QPointF vCentred(const QRect& box, int left, const QStaticText& text) {
    return {qreal(left), box.top() + (box.height() - text.size().height()) / 2};
}

} // namespace

const QFont& MonthDayDelegate::font(Face face) const {
    if (const QFont application; !m_base || !(application == *m_base)) {
        m_base = application;
        m_faces = {Typography::system(12, QFont::Medium), Typography::system(12, QFont::Bold),
                   Typography::system(10, QFont::Medium)};
        m_texts.clear();
    }
    return m_faces[size_t(face)];
}

const QStaticText& MonthDayDelegate::laidOut(const QString& text, Face face, int width) const {
    const QFont& shownIn = font(face);
    const TextKey key{face, width, text};
    const auto kept = m_texts.constFind(key);
    if (kept != m_texts.cend()) {
        return *kept;
    }
    if (m_texts.size() >= kMaxTexts) {
        m_texts.clear();
    }
    QStaticText laid(QFontMetrics(shownIn).elidedText(text, Qt::ElideRight, width));
    laid.setTextFormat(Qt::PlainText);
    laid.setPerformanceHint(QStaticText::AggressiveCaching);
    laid.prepare(QTransform(), shownIn);
    return *m_texts.insert(key, laid);
}

const QPixmap& MonthDayDelegate::wash(const QSize& size, const QColor& color,
                                      qreal pixelRatio) const {
    WashKey key{size, color.rgba(), pixelRatio};
    const auto kept = m_washes.constFind(key);
    if (kept != m_washes.cend()) {
        return *kept;
    }
    if (m_washes.size() >= kMaxWashes) {
        m_washes.clear();
    }
    QPixmap drawn(size * pixelRatio);
    drawn.setDevicePixelRatio(pixelRatio);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    painter.setRenderHint(QPainter::Antialiasing);
    RowPainter::fillRounded(&painter, QRectF(QPointF(0, 0), QSizeF(size)), 3, color);
    painter.end();
    return *m_washes.insert(key, drawn);
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
    const Face face = today ? Face::Today : Face::Number;
    painter->setFont(font(face));
    painter->setPen(ink);
    const QStaticText& number = laidOut(index.data(Qt::DisplayRole).toString(), face, disc.width());
    const int left = disc.left() + int(disc.width() - number.size().width()) / 2;
    painter->drawStaticText(vCentred(disc, left, number), number);
}

void MonthDayDelegate::paintTitles(QPainter* painter, const QRect& cell, const QModelIndex& index,
                                   const QPalette& palette) const {
    const QStringList titles = index.data(MonthGridModel::TitlesRole).toStringList();
    const QStringList colors = index.data(MonthGridModel::ColorsRole).toStringList();
    painter->setFont(font(Face::Title));
    const qreal pixelRatio = painter->device()->devicePixelRatioF();
    int top = cell.top() + kPadding + kNumberSize + 2;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QRect line(cell.left() + kPadding, top, cell.width() - 2 * kPadding, kTitleHeight);
        if (line.bottom() > cell.bottom()) {
            return;
        }
        const QColor color = Palette::color(Palette::categoryColor(colors.value(i)), palette);
        painter->drawPixmap(line.topLeft(),
                            wash(line.size(), Palette::withOpacity(color, 0.18), pixelRatio));
        painter->setPen(color);
        const QStaticText& title = laidOut(titles[i], Face::Title, line.width() - 6);
        painter->drawStaticText(vCentred(line, line.left() + 4, title), title);
        top += kTitleHeight + 2;
    }
    const int more = index.data(MonthGridModel::MoreRole).toInt();
    if (more > 0) {
        painter->setPen(Palette::color(ColorName::Secondary, palette));
        const QRect line(cell.left() + kPadding, top, cell.width() - 2 * kPadding, kTitleHeight);
        const QStaticText& rest =
            laidOut(QStringLiteral("+%1").arg(more), Face::Title, line.width());
        painter->drawStaticText(vCentred(line, line.left(), rest), rest);
    }
}

void MonthDayDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect cell = option.rect;
    const QPalette& palette = option.palette;
    // The washes over the cell worked out as one opaque colour: a translucent fill as tall as a
    // cell costs several times an opaque one.
    QColor background = Palette::color(ColorName::TextBackground, palette);
    if (!index.data(MonthGridModel::InMonthRole).toBool()) {
        background = Palette::over(Palette::gray(0.05, palette), background);
    }
    const bool selected = option.state & QStyle::State_Selected;
    const QColor accent = Palette::color(ColorName::Accent, palette);
    if (selected) {
        background = Palette::over(Palette::withOpacity(accent, 0.08), background);
    }
    painter->fillRect(cell, background);
    // The grid's lines as one-pixel fills: an antialiased line costs far more to draw.
    const QColor rule = Palette::over(Palette::gray(0.2, palette), background);
    painter->fillRect(QRect(cell.right(), cell.top(), 1, cell.height()), rule);
    painter->fillRect(QRect(cell.left(), cell.bottom(), cell.width(), 1), rule);
    if (selected) {
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
