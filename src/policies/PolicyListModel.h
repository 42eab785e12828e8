#pragma once

#include "model/PolicyStatus.h"
#include "model/StatusClassifier.h"
#include "policies/PolicyListFilter.h"
#include "ui/LiveResultsModel.h"

#include <array>
#include <optional>
#include <vector>

class Clock;
class ManagedObjectContext;

// Every stored policy by expiry, as the policy list shows them, with its status filter and
// search. With neither on it forwards the live fetch's changes one to one; with either on it
// keeps its own vector of the visible rows and translates each insert, remove, move and
// change into them. A search text that extends the previous one narrows only the rows
// already visible.
//
// Each row's status is kept beside it, worked out for one "now" shared by every row; it is
// worked out again when the clock moves (a minute, a day, the zone, a jump), and so are the
// footer's counters, which count every policy whatever the filter and search.
class PolicyListModel final : public LiveResultsModel {
    Q_OBJECT
public:
    PolicyListModel(ManagedObjectContext& context, const Clock& clock, QObject* parent = nullptr);

    PolicyFilter filter() const { return m_rule.filter(); }
    void setFilter(PolicyFilter filter);
    const QString& searchText() const { return m_rule.searchText(); }
    void setSearchText(const QString& text);

    int expiringCount() const { return m_counts[int(PolicyStatus::ExpiringSoon)]; }
    int expiredCount() const { return m_counts[int(PolicyStatus::Expired)]; }
    int totalCount() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    ManagedObject* objectAt(int row) const override;
    int rowOf(const ManagedObject* object) const override;

Q_SIGNALS:
    void countersChanged();

private:
    struct Row {
        ManagedObject* object;
        qint64 horizon;
        PolicyStatus status;
        PolicyListFilter::SearchKeys keys;
        bool keyed;
    };

    void willInsertRow(int row) override;
    void didInsertRow(int row) override;
    void willRemoveRow(int row) override;
    void didRemoveRow(int row) override;
    void willMoveRow(int from, int to) override;
    void didMoveRow(int from, int to) override;
    void didChangeRow(int row) override;

    bool filtering() const { return !m_rule.admitsAll(); }
    // The row of m_rows that shown row `row` stands for.
    int sourceRow(int row) const { return filtering() ? m_visible[size_t(row)] : row; }
    Row makeRow(ManagedObject* object, bool withKeys = true);
    void giveKeys(Row& row) const;
    // Gives keys to the next rows that have none, and comes back for more on the next turn.
    void fillSomeKeys();
    void ensureKeys();
    void count(const Row& row, int delta);
    void fetchAll();
    void applyRule(const PolicyListFilter& rule);
    std::vector<int> admittedRows() const;
    void followClock();
    void showVisible(const std::vector<int>& visible);
    void moveShownRow(int from, int to, Row fresh);
    // The position in m_visible of source row `row`, or where it would go.
    size_t visiblePosition(int row) const;
    void shiftVisible(size_t from, int delta);
    QString dateText(const Row& row) const;
    QString accessibleText(const Row& row) const;
    void emitCounters(const std::array<int, 3>& before);

    const Clock& m_clock;
    const QLocale m_searchLocale;
    std::optional<StatusClassifier> m_classifier;
    QTimeZone m_zone;
    QLocale m_locale;
    QString m_dateFormat;
    PolicyListFilter m_rule;
    std::vector<Row> m_rows;       // one per fetched policy, in the fetch's order
    std::vector<int> m_visible;    // while filtering: the rows of m_rows shown, ascending
    std::array<int, 3> m_counts{}; // policies per status
    size_t m_keyCursor = 0;
};
