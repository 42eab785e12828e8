#pragma once

#include "model/PolicyStatus.h"
#include "policies/PolicyFilter.h"
#include "ui/FieldSearch.h"

class Policy;

// The policy list's rule: the status filter AND the search, which keeps a policy whose name,
// number or provider contains the text, as FieldSearch compares.
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

    // Whether the rule lists every policy.
    bool admitsAll() const { return m_filter == PolicyFilter::All && m_search.admitsAll(); }
    bool admits(PolicyStatus status, const SearchKeys& keys) const {
        return PolicyFilters::admits(m_filter, status) && m_search.admits(keys);
    }
    // Whether everything this rule admits, `earlier` admitted too: then applying this rule
    // to the rows `earlier` listed gives the same rows as applying it to every policy.
    bool narrows(const PolicyListFilter& earlier) const;

private:
    PolicyFilter m_filter = PolicyFilter::All;
    FieldSearch m_search;
};
