#include "policies/PolicyListRow.h"

#include "ui/ItemDataRole.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kInsetX = 8;
constexpr int kInsetY = 4;
constexpr int kPadding = 10;
constexpr int kSpacing = 12;
constexpr int kStripeWidth = 4;
constexpr int kStripeHeight = 32;
constexpr int kLineSpacing = 2;
constexpr int kRowWidth = 320;

void fillRounded(QPainter* painter, const QRectF& rect, qreal radius, const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter->fillPath(path, color);
}

// Two lines, `top` over `bottom`, centred on `middle` and aligned by `alignment`.
void paintLines(QPainter* painter, int left, int width, int middle, Qt::Alignment alignment,
                const std::array<std::pair<QFont, QColor>, 2>& looks,
                const std::array<QString, 2>& texts) {
    const int topHeight = QFontMetrics(looks[0].first).height();
    const int bottomHeight = texts[1].isEmpty() ? 0 : QFontMetrics(looks[1].first).height();
    int y = middle - (topHeight + (bottomHeight ? kLineSpacing + bottomHeight : 0)) / 2;
    for (size_t line = 0; line < 2; ++line) {
        if (texts[line].isEmpty()) {
            continue;
        }
        const QFontMetrics metrics(looks[line].first);
        painter->setFont(looks[line].first);
        painter->setPen(looks[line].second);
        const QString shown = metrics.elidedText(texts[line], Qt::ElideRight, width);
        painter->drawText(QRect(left, y, width, metrics.height()), alignment | Qt::AlignVCenter,
                          shown);
        y += metrics.height() + kLineSpacing;
    }
}

// Wide enough for the text whole: elidedText() measures with fractional advances, which can
// exceed the rounded integer advance.
int fullWidth(const QFont& font, const QString& text) {
    return int(std::ceil(QFontMetricsF(font).horizontalAdvance(text))) + 1;
}

} // namespace

PolicyListRow::PolicyListRow(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_nameFont(Typography::system(13, QFont::DemiBold))
    , m_providerFont(Typography::system(11))
    , m_dateFont(Typography::system(11, QFont::Medium))
    , m_noteFont(Typography::system(9)) {}

const PolicyListRow::Colors& PolicyListRow::colorsFor(const QPalette& given) const {
    if (m_paletteKey != given.cacheKey()) {
        // One look whether or not the window has the focus, as the rest of the screen has.
        QPalette palette = given;
        palette.setCurrentColorGroup(QPalette::Active);
        const QColor orange = Palette::color(ColorName::Orange, palette);
        m_colors = {Palette::color(ColorName::Accent, palette),
                    Palette::color(ColorName::Primary, palette),
                    Palette::color(ColorName::Secondary, palette),
                    orange,
                    {Palette::color(ColorName::Red, palette), orange,
                     Palette::color(ColorName::Green, palette)}};
        m_paletteKey = given.cacheKey();
    }
    return m_colors;
}

QSize PolicyListRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {kRowWidth, kRowHeight};
}

PolicyListRow::Texts PolicyListRow::textsOf(const QModelIndex& index, const Colors& colors) const {
    const QString colorName = index.data(ColorNameRole).toString();
    const std::optional<ColorName> named = Palette::byName(colorName);
    QColor status = colors.secondary;
    if (named == ColorName::Red || named == ColorName::Orange || named == ColorName::Green) {
        status = colors.status[named == ColorName::Red ? 0 : named == ColorName::Orange ? 1 : 2];
    }
    return {index.data(TitleRole).toString(), index.data(SubtitleRole).toString(),
            index.data(DetailRole).toString(), index.data(NoteRole).toString(), status};
}

void PolicyListRow::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    const Colors& colors = colorsFor(option.palette);
    const Texts texts = textsOf(index, colors);
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect.adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    if (selected) {
        fillRounded(painter, row, 6, colors.accent);
    }
    const QRect content = row.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const int middle = content.center().y() + 1;
    fillRounded(painter,
                QRectF(content.left(), middle - kStripeHeight / 2, kStripeWidth, kStripeHeight), 2,
                texts.status);
    paintRight(painter, content, texts, colors, selected);
    const int right = rightWidth(texts);
    const int left = content.left() + kStripeWidth + kSpacing;
    const QColor white(Qt::white);
    paintLines(painter, left, std::max(0, content.right() - right - kSpacing - left), middle,
               Qt::AlignLeft,
               {{{m_nameFont, selected ? white : colors.primary},
                 {m_providerFont, selected ? Palette::withOpacity(white, 0.8) : colors.secondary}}},
               {texts.name, texts.provider});
    painter->restore();
}

void PolicyListRow::paintRight(QPainter* painter, const QRect& content, const Texts& texts,
                               const Colors& colors, bool selected) const {
    const QColor white(Qt::white);
    const int width = rightWidth(texts);
    paintLines(painter, content.right() + 1 - width, width, content.center().y() + 1,
               Qt::AlignRight,
               {{{m_dateFont, selected ? white : texts.status},
                 {m_noteFont, selected ? Palette::withOpacity(white, 0.9) : colors.orange}}},
               {texts.date, texts.note});
}

int PolicyListRow::rightWidth(const Texts& texts) const {
    return std::max(fullWidth(m_dateFont, texts.date), fullWidth(m_noteFont, texts.note));
}
