#pragma once

#include "store/LiveFetchResultsListener.h"
#include "store/ManagedObject.h"

#include <QAbstractListModel>

#include <memory>

class LiveFetchResults;

Q_DECLARE_METATYPE(ManagedObject*)

// A list model over live fetch results, shared by every list and picker: it forwards each
// insert, remove, move and change of the results to its views one to one, so a change to one
// object costs one row, never a reset. Entity models answer the roles of ItemDataRole.h in
// dataFor().
class LiveResultsModel : public QAbstractListModel, private LiveFetchResultsListener {
    Q_OBJECT
public:
    // Takes the results before their fetch: performFetch() here fetches them and tells the
    // views, which the results' own first fetch does not.
    // `leadingRows` rows come before the results and stand for no object (a picker's "none");
    // dataFor() is not asked for them.
    explicit LiveResultsModel(std::unique_ptr<LiveFetchResults> results, QObject* parent = nullptr,
                              int leadingRows = 0);
    ~LiveResultsModel() override;

    // False, with `error` set and no rows, for a request the context cannot run.
    bool performFetch(QString* error = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The object a row stands for; null for a leading row.
    virtual ManagedObject* objectAt(int row) const;
    // The row of the object, or -1.
    virtual int rowOf(const ManagedObject* object) const;
    LiveFetchResults& results() const { return *m_results; }

protected:
    // The value of one of ItemDataRole's roles (or another Qt role) for an object; none by
    // default.
    virtual QVariant dataFor(const ManagedObject& object, int role) const;
    // The value of a role for one of the leading rows; none by default.
    virtual QVariant leadingData(int row, int role) const;

    // The results' changes, forwarded one to one; a model that shows fewer rows than its
    // results overrides them to translate, and calls these while it shows every row.
    void willInsertRow(int row) override;
    void didInsertRow(int row) override;
    void willRemoveRow(int row) override;
    void didRemoveRow(int row) override;
    void willMoveRow(int from, int to) override;
    void didMoveRow(int from, int to) override;
    void didChangeRow(int row) override;
    void willResetRows() override { beginResetModel(); }
    void didResetRows() override { endResetModel(); }

private:
    std::unique_ptr<LiveFetchResults> m_results;
    int m_leading;
    bool m_moving = false;
};
