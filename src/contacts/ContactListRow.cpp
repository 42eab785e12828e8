#include "contacts/ContactListRow.h"

#include "ui/ItemDataRole.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kInsetX = 8;
constexpr int kInsetY = 4;
constexpr int kPadding = 10;
constexpr int kSpacing = 12;
constexpr int kAvatar = 36;
constexpr int kLineSpacing = 2;
constexpr int kRowWidth = 320;

const QColor kWhite(Qt::white);

} // namespace

ContactListRow::ContactListRow(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_initialsFont(Typography::system(14, QFont::Bold))
    , m_nameFont(Typography::system(14, QFont::DemiBold))
    , m_companyFont(Typography::system(11))
    , m_countFont(Typography::system(10, QFont::Medium))
    , m_accent(Palette::color(ColorName::Accent))
    , m_primary(Palette::color(ColorName::Primary))
    , m_secondary(Palette::color(ColorName::Secondary)) {}

QSize ContactListRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {kRowWidth, kRowHeight};
}

void ContactListRow::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect.adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    if (selected) {
        QPainterPath path;
        path.addRoundedRect(QRectF(row), 6, 6);
        painter->fillPath(path, m_accent);
    }
    const QRect content = row.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const QRect avatar(content.left(), content.center().y() - kAvatar / 2 + 1, kAvatar, kAvatar);
    paintAvatar(painter, avatar, index.data(InitialsRole).toString(), selected);
    const int countWidth =
        paintCount(painter, content, index.data(DetailRole).toString(), selected);
    const int left = avatar.right() + 1 + kSpacing;
    const int right = content.right() - (countWidth > 0 ? countWidth + kSpacing : 0);
    paintNames(painter, QRect(left, content.top(), std::max(0, right - left), content.height()),
               index.data(TitleRole).toString(), index.data(SubtitleRole).toString(), selected);
    painter->restore();
}

void ContactListRow::paintAvatar(QPainter* painter, const QRect& circle, const QString& initials,
                                 bool selected) const {
    painter->setPen(Qt::NoPen);
    painter->setBrush(selected ? Palette::withOpacity(kWhite, 0.3)
                               : Palette::withOpacity(m_accent, 0.2));
    painter->drawEllipse(circle);
    painter->setFont(m_initialsFont);
    painter->setPen(selected ? kWhite : m_accent);
    painter->drawText(circle, Qt::AlignCenter, initials);
}

int ContactListRow::paintCount(QPainter* painter, const QRect& content, const QString& count,
                               bool selected) const {
    if (count.isEmpty()) {
        return 0;
    }
    const int width = QFontMetrics(m_countFont).horizontalAdvance(count);
    painter->setFont(m_countFont);
    painter->setPen(selected ? Palette::withOpacity(kWhite, 0.9) : m_secondary);
    painter->drawText(QRect(content.right() + 1 - width, content.top(), width, content.height()),
                      Qt::AlignRight | Qt::AlignVCenter, count);
    return width;
}

void ContactListRow::paintNames(QPainter* painter, const QRect& area, const QString& name,
                                const QString& company, bool selected) const {
    const QFontMetrics nameMetrics(m_nameFont);
    const QFontMetrics companyMetrics(m_companyFont);
    const int height =
        nameMetrics.height() + (company.isEmpty() ? 0 : kLineSpacing + companyMetrics.height());
    int y = area.center().y() + 1 - height / 2;
    painter->setFont(m_nameFont);
    painter->setPen(selected ? kWhite : m_primary);
    painter->drawText(QRect(area.left(), y, area.width(), nameMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      nameMetrics.elidedText(name, Qt::ElideRight, area.width()));
    if (company.isEmpty()) {
        return;
    }
    y += nameMetrics.height() + kLineSpacing;
    painter->setFont(m_companyFont);
    painter->setPen(selected ? Palette::withOpacity(kWhite, 0.8) : m_secondary);
    painter->drawText(QRect(area.left(), y, area.width(), companyMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      companyMetrics.elidedText(company, Qt::ElideRight, area.width()));
}
