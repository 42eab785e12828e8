#pragma once

// Hears exactly how a live fetch's rows change, one row at a time, in the shape of a Qt item
// model: each will... comes before the rows change (beginInsertRows, beginRemoveRows,
// beginMoveRows) and each did... after (endInsertRows, ...). Rows are numbered from 0.
class LiveFetchResultsListener {
public:
    virtual ~LiveFetchResultsListener() = default;

    // A row will be inserted, becoming row `row`.
    virtual void willInsertRow(int row) = 0;
    virtual void didInsertRow(int row) = 0;
    virtual void willRemoveRow(int row) = 0;
    virtual void didRemoveRow(int row) = 0;
    // Row `from` moves so that it becomes row `to` (counted after the move). A Qt model's
    // destination row is `to + 1` when moving down, `to` when moving up.
    virtual void willMoveRow(int from, int to) = 0;
    virtual void didMoveRow(int from, int to) = 0;
    // The object shown in `row` changed and keeps its place (dataChanged).
    virtual void didChangeRow(int row) = 0;
    // Every row will be replaced: the store was opened again (beginResetModel). Between the
    // two the results hold no rows.
    virtual void willResetRows() = 0;
    virtual void didResetRows() = 0;

protected:
    LiveFetchResultsListener() = default;
    LiveFetchResultsListener(const LiveFetchResultsListener&) = default;
    LiveFetchResultsListener& operator=(const LiveFetchResultsListener&) = default;
};
