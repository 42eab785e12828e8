#pragma once

#include "model/PolicyStatus.h"
#include "model/StatusClassifier.h"
#include "policies/PolicyListFilter.h"
#include "ui/FilteredResultsModel.h"

#include <array>
#include <optional>

class Clock;
class ManagedObjectContext;

// One policy as the policy list keeps it: the object, its status for the list's "now" with the
// reminder horizon that status was worked out with, whether an expiring policy's client was
// told, its search keys once made, and its category for the filter.
struct PolicyListEntry {
    ManagedObject* object;
    qint64 horizon;
    PolicyStatus status;
    bool notified; // only ever true while expiring soon
    PolicyListFilter::SearchKeys keys;
    bool keyed;
    // Filing a policy elsewhere, or deleting its category (which clears the link), changes its
    // row, which is made again; so a check reads the row alone, not the policy.
    const ManagedObject* category;
};

// Every stored policy by expiry, as the policy list shows them, with its status filter and
// search. A search text that extends the previous one narrows only the rows already visible.
//
// Each row's status is kept beside it, worked out for one "now" shared by every row; it is
// worked out again when the clock moves (a minute, a day, the zone, a jump), and so are the
// footer's counters, which count every policy whatever the filter and search.
class PolicyListModel final : public FilteredResultsModel<PolicyListEntry> {
    Q_OBJECT
public:
    PolicyListModel(ManagedObjectContext& context, const Clock& clock, QObject* parent = nullptr);

    PolicyFilter filter() const { return m_rule.filter(); }
    void setFilter(PolicyFilter filter);
    const QString& searchText() const { return m_rule.searchText(); }
    void setSearchText(const QString& text);
    // Only the policies filed under `category` (a Category); null for every policy.
    const ManagedObject* category() const { return m_rule.category(); }
    void setCategory(const ManagedObject* category);

    int expiringCount() const { return m_counts[int(PolicyStatus::ExpiringSoon)]; }
    int expiredCount() const { return m_counts[int(PolicyStatus::Expired)]; }
    // Expiring soon with the client not yet told.
    int toNotifyCount() const { return m_counts[kToNotify]; }

Q_SIGNALS:
    void countersChanged();

private:
    using Row = PolicyListEntry;
    // m_counts: one counter per status, then this one.
    static constexpr size_t kToNotify = 3;
    using Counts = std::array<int, 4>;

    Row makeRow(ManagedObject* object) override { return newRow(object, true); }
    // The search keys are made a few thousand rows at a time once the list is shown, rather
    // than before its first paint; a search that comes first makes the rest at once.
    Row makeFetchedRow(ManagedObject* object) override { return newRow(object, false); }
    Row newRow(ManagedObject* object, bool withKeys);
    bool admitsAll() const override { return m_rule.admitsAll(); }
    bool admits(const Row& row) const override;
    QVariant rowData(const Row& row, int role) const override;
    void counted(const Row& row, int delta) override;
    void totalChanged() override;
    void didMoveRow(int from, int to) override;
    void didChangeRow(int row) override;
    void rowsRemade() override;

    void giveKeys(Row& row) const;
    // Gives keys to the next rows that have none, and comes back for more on the next turn.
    void fillSomeKeys();
    void ensureKeys();
    void takeClock();
    void applyRule(const PolicyListFilter& rule);
    void followClock();
    QString dateText(const Row& row) const;
    QString accessibleText(const Row& row) const;
    bool notifiedOf(const Row& row) const;
    void emitCounters(const Counts& before);

    const Clock& m_clock;
    const QLocale m_searchLocale;
    std::optional<StatusClassifier> m_classifier;
    QTimeZone m_zone;
    QLocale m_locale;
    QString m_dateFormat;
    PolicyListFilter m_rule;
    Counts m_counts{}; // policies per status, and to notify
    size_t m_keyCursor = 0;
    bool m_filling = false; // a fillSomeKeys() is due
};
