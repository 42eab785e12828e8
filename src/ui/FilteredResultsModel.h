#pragma once

#include "store/LiveFetchResults.h"
#include "ui/ItemDataRole.h"
#include "ui/LiveResultsModel.h"

#include <algorithm>
#include <iterator>
#include <vector>

// A list model over live fetch results that an entity's list narrows with a filter or a
// search. It keeps one Row per fetched object, in the fetch's order; a Row holds at least
// `ManagedObject* object` and whatever the rule and the entity's data read. While the rule
// admits every row it forwards the live fetch's changes one to one; otherwise it keeps its own
// vector of the visible rows and translates each insert, remove, move and change into it.
template <typename Row> class FilteredResultsModel : public LiveResultsModel {
public:
    using LiveResultsModel::LiveResultsModel;

    // Every fetched object, whatever the rule.
    int totalCount() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    ManagedObject* objectAt(int row) const override;
    int rowOf(const ManagedObject* object) const override;

protected:
    // The row of an object as it is now.
    virtual Row makeRow(ManagedObject* object) = 0;
    // The row of a freshly fetched object, which may leave for later what only a rule needs.
    virtual Row makeFetchedRow(ManagedObject* object) { return makeRow(object); }
    virtual bool admitsAll() const = 0;
    virtual bool admits(const Row& row) const = 0;
    // The value of one of ItemDataRole's roles (TitleRole for Qt::DisplayRole) for a row.
    virtual QVariant rowData(const Row& row, int role) const = 0;
    // A row joins (+1) or leaves (-1) the kept rows; nothing by default.
    virtual void counted(const Row&, int) {}
    // After a row was inserted or removed; nothing by default.
    virtual void totalChanged() {}

    bool filtering() const { return !admitsAll(); }
    std::vector<Row>& rows() { return m_rows; }
    // Fetches the results and makes their rows, inside the caller's reset.
    void fetchRows();
    // Works out the visible rows for a new rule, inside the caller's reset. A rule that narrows
    // the one before looks only at the rows already visible.
    void refilter(bool narrowing);
    // Works out the visible rows again after the rows changed in place, showing and hiding
    // one row at a time.
    void showAdmitted();

    void willInsertRow(int row) override;
    void didInsertRow(int row) override;
    void willRemoveRow(int row) override;
    void didRemoveRow(int row) override;
    void willMoveRow(int from, int to) override;
    void didMoveRow(int from, int to) override;
    void didChangeRow(int row) override;
    void willResetRows() override;
    void didResetRows() override;
    // After every row was made anew (the store was opened again), before the rule picks the
    // visible ones; nothing by default.
    virtual void rowsRemade() {}

private:
    // The rows of the results as they are now.
    void makeRows();
    // Beyond this many rows shown or hidden at once, a reset costs a view less than one signal
    // per row.
    static constexpr size_t kMostSingleRowChanges = 1000;

    // The row of m_rows that shown row `row` stands for.
    int sourceRow(int row) const { return filtering() ? m_visible[size_t(row)] : row; }
    std::vector<int> admittedRows() const;
    void showVisible(const std::vector<int>& visible);
    // The position in m_visible of source row `row`, or where it would go.
    size_t visiblePosition(int row) const;
    bool isShown(int row, size_t position) const;
    void shiftVisible(size_t from, int delta);
    void dropRow(int row);
    void placeRow(int from, int to, Row fresh);
    void insertShown(int row, bool shown);
    void moveShownRow(int from, int to, Row fresh);
    void changeShownRow(int row, Row fresh);

    std::vector<Row> m_rows;    // one per fetched object, in the fetch's order
    std::vector<int> m_visible; // while filtering: the rows of m_rows shown, ascending
};

template <typename Row> int FilteredResultsModel<Row>::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return int(filtering() ? m_visible.size() : m_rows.size());
}

template <typename Row>
QVariant FilteredResultsModel<Row>::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Row& row = m_rows[size_t(sourceRow(index.row()))];
    if (role == ObjectRole) {
        return QVariant::fromValue(row.object);
    }
    return rowData(row, role == Qt::DisplayRole ? int(TitleRole) : role);
}

template <typename Row> ManagedObject* FilteredResultsModel<Row>::objectAt(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[size_t(sourceRow(row))].object : nullptr;
}

template <typename Row> int FilteredResultsModel<Row>::rowOf(const ManagedObject* object) const {
    const int row = results().indexOf(object);
    if (row < 0 || !filtering()) {
        return row;
    }
    const size_t position = visiblePosition(row);
    return isShown(row, position) ? int(position) : -1;
}

template <typename Row> void FilteredResultsModel<Row>::fetchRows() {
    results().performFetch();
    makeRows();
}

template <typename Row> void FilteredResultsModel<Row>::makeRows() {
    m_rows.clear();
    m_rows.reserve(size_t(results().count()));
    for (int row = 0; row < results().count(); ++row) {
        m_rows.push_back(makeFetchedRow(results().objectAt(row)));
        counted(m_rows.back(), 1);
    }
}

template <typename Row> void FilteredResultsModel<Row>::refilter(bool narrowing) {
    if (!filtering()) {
        m_visible.clear();
    } else if (narrowing) {
        std::erase_if(m_visible, [this](int row) { return !admits(m_rows[size_t(row)]); });
    } else {
        m_visible = admittedRows();
    }
}

template <typename Row> void FilteredResultsModel<Row>::showAdmitted() {
    if (filtering()) {
        showVisible(admittedRows());
    }
}

template <typename Row> std::vector<int> FilteredResultsModel<Row>::admittedRows() const {
    std::vector<int> rows;
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (admits(m_rows[row])) {
            rows.push_back(int(row));
        }
    }
    return rows;
}

template <typename Row>
void FilteredResultsModel<Row>::showVisible(const std::vector<int>& visible) {
    std::vector<int> differ;
    std::set_symmetric_difference(m_visible.begin(), m_visible.end(), visible.begin(),
                                  visible.end(), std::back_inserter(differ));
    if (differ.size() > kMostSingleRowChanges) {
        beginResetModel();
        m_visible = visible;
        endResetModel();
        return;
    }
    for (const int row : differ) {
        const size_t position = visiblePosition(row);
        const int p = int(position);
        if (isShown(row, position)) {
            beginRemoveRows({}, p, p);
            m_visible.erase(m_visible.begin() + p);
            endRemoveRows();
        } else {
            beginInsertRows({}, p, p);
            m_visible.insert(m_visible.begin() + p, row);
            endInsertRows();
        }
    }
}

template <typename Row> size_t FilteredResultsModel<Row>::visiblePosition(int row) const {
    return size_t(std::lower_bound(m_visible.begin(), m_visible.end(), row) - m_visible.begin());
}

template <typename Row> bool FilteredResultsModel<Row>::isShown(int row, size_t position) const {
    return position < m_visible.size() && m_visible[position] == row;
}

template <typename Row> void FilteredResultsModel<Row>::shiftVisible(size_t from, int delta) {
    for (size_t i = from; i < m_visible.size(); ++i) {
        m_visible[i] += delta;
    }
}

template <typename Row> void FilteredResultsModel<Row>::dropRow(int row) {
    counted(m_rows[size_t(row)], -1);
    m_rows.erase(m_rows.begin() + row);
}

template <typename Row> void FilteredResultsModel<Row>::placeRow(int from, int to, Row fresh) {
    m_rows.erase(m_rows.begin() + from);
    m_rows.insert(m_rows.begin() + to, std::move(fresh));
}

// The results' changes. The rows kept here change only once the results have: the object of
// an inserted, moved or changed row is read in did..., a removed row is dropped in will...,
// before anything reads the results again.

template <typename Row> void FilteredResultsModel<Row>::willInsertRow(int row) {
    if (!filtering()) {
        LiveResultsModel::willInsertRow(row);
    }
}

template <typename Row> void FilteredResultsModel<Row>::didInsertRow(int row) {
    Row fresh = makeRow(results().objectAt(row));
    counted(fresh, 1);
    const bool shown = admits(fresh);
    m_rows.insert(m_rows.begin() + row, std::move(fresh));
    if (!filtering()) {
        LiveResultsModel::didInsertRow(row);
    } else {
        insertShown(row, shown);
    }
    totalChanged();
}

template <typename Row> void FilteredResultsModel<Row>::insertShown(int row, bool shown) {
    const size_t position = visiblePosition(row);
    shiftVisible(position, 1);
    if (shown) {
        beginInsertRows({}, int(position), int(position));
        m_visible.insert(m_visible.begin() + std::ptrdiff_t(position), row);
        endInsertRows();
    }
}

template <typename Row> void FilteredResultsModel<Row>::willRemoveRow(int row) {
    if (!filtering()) {
        LiveResultsModel::willRemoveRow(row);
        return;
    }
    const size_t position = visiblePosition(row);
    const bool shown = isShown(row, position);
    if (shown) {
        beginRemoveRows({}, int(position), int(position));
        m_visible.erase(m_visible.begin() + std::ptrdiff_t(position));
    }
    shiftVisible(position, -1);
    dropRow(row);
    if (shown) {
        endRemoveRows();
    }
}

template <typename Row> void FilteredResultsModel<Row>::didRemoveRow(int row) {
    if (!filtering()) {
        dropRow(row);
        LiveResultsModel::didRemoveRow(row);
    }
    totalChanged();
}

template <typename Row> void FilteredResultsModel<Row>::willMoveRow(int from, int to) {
    if (!filtering()) {
        LiveResultsModel::willMoveRow(from, to);
    }
}

template <typename Row> void FilteredResultsModel<Row>::didMoveRow(int from, int to) {
    Row fresh = makeRow(results().objectAt(to));
    counted(m_rows[size_t(from)], -1);
    counted(fresh, 1);
    if (!filtering()) {
        placeRow(from, to, std::move(fresh));
        LiveResultsModel::didMoveRow(from, to);
    } else {
        moveShownRow(from, to, std::move(fresh));
    }
}

template <typename Row> void FilteredResultsModel<Row>::moveShownRow(int from, int to, Row fresh) {
    const size_t oldPosition = visiblePosition(from);
    const bool wasShown = isShown(from, oldPosition);
    const bool shown = admits(fresh);
    // The visible rows without the moving one, renumbered as they will be after the move.
    std::vector<int> next;
    next.reserve(m_visible.size() + 1);
    for (const int row : m_visible) {
        if (row != from) {
            const bool downward = from < to && row > from && row <= to;
            const bool upward = to < from && row >= to && row < from;
            next.push_back(row - int(downward) + int(upward));
        }
    }
    const int p = int(oldPosition);
    const int q = int(std::lower_bound(next.begin(), next.end(), to) - next.begin());
    const bool moving = wasShown && shown && beginMoveRows({}, p, p, {}, q > p ? q + 1 : q);
    if (wasShown && !shown) {
        beginRemoveRows({}, p, p);
    }
    placeRow(from, to, std::move(fresh));
    if (shown && !wasShown) {
        m_visible = std::move(next);
        beginInsertRows({}, q, q);
        m_visible.insert(m_visible.begin() + q, to);
        endInsertRows();
        return;
    }
    if (shown) {
        next.insert(next.begin() + q, to);
    }
    m_visible = std::move(next);
    if (moving) {
        endMoveRows();
    } else if (wasShown && !shown) {
        endRemoveRows();
    }
    if (shown) {
        Q_EMIT dataChanged(index(q), index(q));
    }
}

template <typename Row> void FilteredResultsModel<Row>::didChangeRow(int row) {
    Row& kept = m_rows[size_t(row)];
    Row fresh = makeRow(kept.object);
    counted(kept, -1);
    counted(fresh, 1);
    if (!filtering()) {
        kept = std::move(fresh);
        LiveResultsModel::didChangeRow(row);
    } else {
        changeShownRow(row, std::move(fresh));
    }
}

template <typename Row> void FilteredResultsModel<Row>::changeShownRow(int row, Row fresh) {
    const size_t position = visiblePosition(row);
    const bool wasShown = isShown(row, position);
    const bool shown = admits(fresh);
    const int p = int(position);
    if (wasShown && !shown) {
        beginRemoveRows({}, p, p);
        m_visible.erase(m_visible.begin() + p);
    } else if (shown && !wasShown) {
        beginInsertRows({}, p, p);
        m_visible.insert(m_visible.begin() + p, row);
    }
    m_rows[size_t(row)] = std::move(fresh);
    if (wasShown && !shown) {
        endRemoveRows();
    } else if (shown && !wasShown) {
        endInsertRows();
    } else if (shown) {
        Q_EMIT dataChanged(index(p), index(p));
    }
}

template <typename Row> void FilteredResultsModel<Row>::willResetRows() {
    beginResetModel();
    for (const Row& row : m_rows) {
        counted(row, -1);
    }
    m_rows.clear();
    m_visible.clear();
}

template <typename Row> void FilteredResultsModel<Row>::didResetRows() {
    makeRows();
    rowsRemade();
    refilter(false);
    endResetModel();
    totalChanged();
}
