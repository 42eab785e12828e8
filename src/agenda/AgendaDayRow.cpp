#include "agenda/AgendaDayRow.h"

#include "agenda/AgendaDayModel.h"
#include "ui/ItemDataRole.h"
#include "ui/Palette.h"
#include "ui/RowDelegate.h"
#include "ui/Typography.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

using Kind = AgendaDayEntry::Kind;

RowPainter::Look look(std::optional<ColorName> titleColor) {
    return {.left = {{{TitleRole, Typography::system(13, QFont::Medium), titleColor, 1},
                      {SubtitleRole, Typography::system(11), ColorName::Secondary, 0.8}}},
            .right = {{{DetailRole, Typography::system(11), ColorName::Secondary, 0.9}, {}}}};
}

Kind kindOf(const QModelIndex& index) {
    return Kind(index.data(AgendaDayModel::KindRole).toInt());
}

} // namespace

AgendaDayRow::AgendaDayRow(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_events(look(ColorName::Primary))
    , m_tasks(look(ColorName::Primary))
    , m_overdueTasks(look(std::nullopt))
    , m_doneTasks(look(ColorName::Secondary)) {}

QRect AgendaDayRow::tickRect(const QRect& row) {
    const int size = 16;
    return {row.left() + RowDelegate::kInsetX + 6, row.center().y() - size / 2 + 1, size, size};
}

QSize AgendaDayRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const Kind kind = kindOf(index);
    return {RowDelegate::kRowWidth,
            kind == Kind::Heading || kind == Kind::Free ? kHeadingHeight : kItemHeight};
}

void AgendaDayRow::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const Kind kind = kindOf(index);
    if (kind == Kind::Heading || kind == Kind::Free) {
        paintHeading(painter, option, index);
        return;
    }
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QRect row = option.rect.adjusted(RowDelegate::kInsetX, RowDelegate::kInsetY,
                                           -RowDelegate::kInsetX, -RowDelegate::kInsetY);
    const auto data = [&index](int role) { return index.data(role); };
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected) {
        RowPainter::fillRounded(painter, row, 6, Palette::color(ColorName::Accent, option.palette));
    }
    const QRect texts = row.adjusted(kLeadWidth, 0, 0, 0);
    if (kind == Kind::Event) {
        const QColor color = Palette::color(
            Palette::categoryColor(index.data(ColorNameRole).toString()), option.palette);
        painter->setPen(selected ? QPen(Qt::white) : Qt::NoPen);
        painter->setBrush(color);
        painter->drawEllipse(QRectF(row.left() + 10, row.center().y() - 4 + 1, 9, 9));
        m_events.paint(painter, texts, option.palette, selected, data);
    } else {
        const bool done = index.data(AgendaDayModel::DoneRole).toBool();
        paintTick(painter, option.rect, option.palette, done, selected);
        const RowPainter& rows = done                                               ? m_doneTasks
                                 : index.data(AgendaDayModel::OverdueRole).toBool() ? m_overdueTasks
                                                                                    : m_tasks;
        rows.paint(painter, texts, option.palette, selected, data);
    }
    painter->restore();
}

bool AgendaDayRow::editorEvent(QEvent* event, QAbstractItemModel* model,
                               const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::MouseButtonRelease && kindOf(index) == Kind::Task) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            tickRect(option.rect).adjusted(-4, -4, 4, 4).contains(mouse->position().toPoint())) {
            Q_EMIT taskTicked(index);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

void AgendaDayRow::paintHeading(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    painter->save();
    const bool overdue = index.data(AgendaDayModel::OverdueRole).toBool();
    const bool free = kindOf(index) == Kind::Free;
    painter->setFont(free ? Typography::font(TextStyle::Body)
                          : Typography::system(11, QFont::DemiBold));
    painter->setPen(
        Palette::color(overdue ? ColorName::Red : ColorName::Secondary, option.palette));
    painter->drawText(option.rect.adjusted(RowDelegate::kInsetX + 8, 0, -RowDelegate::kInsetX, 0),
                      Qt::AlignLeft | Qt::AlignBottom, index.data(TitleRole).toString());
    painter->restore();
}

void AgendaDayRow::paintTick(QPainter* painter, const QRect& row, const QPalette& palette,
                             bool done, bool selected) const {
    const QRectF tick = QRectF(tickRect(row)).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor accent = selected ? QColor(Qt::white) : Palette::color(ColorName::Accent, palette);
    painter->setPen(QPen(done ? accent : Palette::color(ColorName::Secondary, palette), 1.5));
    painter->setBrush(done ? accent : QColor(Qt::transparent));
    painter->drawEllipse(tick);
    if (done) {
        painter->setPen(
            QPen(selected ? Palette::color(ColorName::Accent, palette) : QColor(Qt::white), 2,
                 Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF c = tick.center();
        painter->drawPolyline(
            QPolygonF{c + QPointF(-4, 0), c + QPointF(-1, 3), c + QPointF(4, -3)});
    }
}
