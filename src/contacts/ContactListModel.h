#pragma once

#include "contacts/ContactSearch.h"
#include "ui/LiveResultsModel.h"

#include <vector>

class ManagedObjectContext;

// Every stored contact by last name and then first name, as the contact list shows them, with
// its search. With no search it forwards the live fetch's changes one to one; while searching
// it keeps its own vector of the visible rows and translates each insert, remove, move and
// change into them. A search text that extends the previous one narrows only the rows already
// visible.
class ContactListModel final : public LiveResultsModel {
    Q_OBJECT
public:
    ContactListModel(ManagedObjectContext& context, const QLocale& locale,
                     QObject* parent = nullptr);

    const QString& searchText() const { return m_search.text(); }
    void setSearchText(const QString& text);
    // Every contact, whatever the search.
    int totalCount() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    ManagedObject* objectAt(int row) const override;
    int rowOf(const ManagedObject* object) const override;

Q_SIGNALS:
    void totalCountChanged(int total);

private:
    struct Row {
        ManagedObject* object;
        ContactSearch::Keys keys;
    };

    void willInsertRow(int row) override;
    void didInsertRow(int row) override;
    void willRemoveRow(int row) override;
    void didRemoveRow(int row) override;
    void willMoveRow(int from, int to) override;
    void didMoveRow(int from, int to) override;
    void didChangeRow(int row) override;

    bool searching() const { return !m_search.admitsAll(); }
    // The row of m_rows that shown row `row` stands for.
    int sourceRow(int row) const { return searching() ? m_visible[size_t(row)] : row; }
    Row makeRow(ManagedObject* object) const;
    void fetchAll();
    std::vector<int> admittedRows() const;
    // The position in m_visible of source row `row`, or where it would go.
    size_t visiblePosition(int row) const;
    bool isShown(int row, size_t position) const;
    void shiftVisible(size_t from, int delta);
    void moveShownRow(int from, int to, Row fresh);

    const QLocale m_locale;
    ContactSearch m_search;
    std::vector<Row> m_rows;    // one per fetched contact, in the fetch's order
    std::vector<int> m_visible; // while searching: the rows of m_rows shown, ascending
};
