#pragma once

#include "model/PolicyStatus.h"
#include "policies/PolicyFilter.h"
#include "ui/FieldSearch.h"

class ManagedObject;
class Policy;

// The policy list's rule: the status filter AND the category AND the search, which keeps a
// policy whose name, number or provider contains the text, as FieldSearch compares.
class PolicyListFilter final {
public:
    using SearchKeys = FieldSearch::Keys;

    explicit PolicyListFilter(const QLocale& locale = QLocale())
        : m_search(locale) {}

    static SearchKeys searchKeys(const QString& name, const QString& policyNumber,
                                 const QString& provider, const QLocale& locale) {
        return FieldSearch::keys(name, policyNumber, provider, locale);
    }
    static SearchKeys searchKeys(const Policy& policy, const QLocale& locale);

    PolicyFilter filter() const { return m_filter; }
    void setFilter(PolicyFilter filter) { m_filter = filter; }
    const QString& searchText() const { return m_search.text(); }
    void setSearchText(const QString& text) { m_search.setText(text); }

    // The category a policy must have; null for any (or none).
    const ManagedObject* category() const { return m_category; }
    void setCategory(const ManagedObject* category) { m_category = category; }

    // Whether the rule lists every policy.
    bool admitsAll() const {
        return m_filter == PolicyFilter::All && !m_category && m_search.admitsAll();
    }
    // A policy filed under no category.
    bool admits(PolicyStatus status, bool notified, const SearchKeys& keys) const {
        return admits(status, notified, keys, [] { return nullptr; });
    }
    // `categoryOf` gives the policy's category; it is asked only while the rule names one.
    template <typename CategoryOf>
    bool admits(PolicyStatus status, bool notified, const SearchKeys& keys,
                const CategoryOf& categoryOf) const {
        return PolicyFilters::admits(m_filter, status, notified) &&
               (!m_category || categoryOf() == m_category) && m_search.admits(keys);
    }
    // Whether everything this rule admits, `earlier` admitted too: then applying this rule
    // to the rows `earlier` listed gives the same rows as applying it to every policy.
    bool narrows(const PolicyListFilter& earlier) const;

private:
    PolicyFilter m_filter = PolicyFilter::All;
    const ManagedObject* m_category = nullptr;
    FieldSearch m_search;
};
