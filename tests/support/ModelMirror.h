#pragma once

#include "ui/ItemDataRole.h"
#include "ui/LiveResultsModel.h"

#include <QStringList>

#include <vector>

// The titles of the rows a list model shows now, in order.
inline QStringList shownTitles(const QAbstractItemModel& model) {
    QStringList titles;
    for (int row = 0; row < model.rowCount(); ++row) {
        titles << model.index(row, 0).data(TitleRole).toString();
    }
    return titles;
}

// The rows a view would hold if it rebuilt them from nothing but a list model's signals
// (reset, insert, remove, move), so a test can compare them with a fresh fetch: a row the
// model translates wrongly shows up as a difference.
class ModelMirror final {
public:
    explicit ModelMirror(LiveResultsModel& model)
        : m_model(model) {
        QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { reread(); });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int) {
                             m_rows.insert(m_rows.begin() + first, m_model.objectAt(first));
                         });
        QObject::connect(
            &model, &QAbstractItemModel::rowsRemoved,
            [this](const QModelIndex&, int first, int) { m_rows.erase(m_rows.begin() + first); });
        QObject::connect(&model, &QAbstractItemModel::rowsMoved,
                         [this](const QModelIndex&, int from, int, const QModelIndex&, int before) {
                             ManagedObject* moved = m_rows[size_t(from)];
                             m_rows.erase(m_rows.begin() + from);
                             m_rows.insert(m_rows.begin() + (before > from ? before - 1 : before),
                                           moved);
                         });
        reread();
    }

    const std::vector<ManagedObject*>& rows() const { return m_rows; }

private:
    void reread() {
        m_rows.clear();
        for (int row = 0; row < m_model.rowCount(); ++row) {
            m_rows.push_back(m_model.objectAt(row));
        }
    }

    LiveResultsModel& m_model;
    std::vector<ManagedObject*> m_rows;
};
