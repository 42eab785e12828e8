#pragma once

#include "ui/RowPainter.h"

#include <QStyledItemDelegate>

// The day list's rows, drawn from AgendaDayModel's roles: a group's heading (in the expired
// colour over overdue tasks), an event with its category's dot, title over place and its time
// range on the right, and a task with its tick, title and due time. No widget per row.
class AgendaDayRow final : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kItemHeight = 50;
    static constexpr int kHeadingHeight = 28;
    static constexpr int kLeadWidth = 26;

    explicit AgendaDayRow(QObject* parent = nullptr);

    // Where a task row's tick is, for a row drawn in `row`.
    static QRect tickRect(const QRect& row);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

Q_SIGNALS:
    // A click on a task's tick.
    void taskTicked(const QModelIndex& index);

private:
    void paintHeading(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const;
    void paintTick(QPainter* painter, const QRect& row, const QPalette& palette, bool done,
                   bool selected) const;

    RowPainter m_events;
    RowPainter m_tasks;
    RowPainter m_overdueTasks;
    RowPainter m_doneTasks;
};
