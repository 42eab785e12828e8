#include "policies/PolicyListFilter.h"

#include "model/Policy.h"

PolicyListFilter::SearchKeys PolicyListFilter::searchKeys(const Policy& policy,
                                                          const QLocale& locale) {
    return searchKeys(policy.name(), policy.policyNumber(), policy.provider(), locale);
}

bool PolicyListFilter::narrows(const PolicyListFilter& earlier) const {
    const bool filterNarrows =
        earlier.m_filter == m_filter || earlier.m_filter == PolicyFilter::All ||
        (earlier.m_filter == PolicyFilter::ExpiringSoon && m_filter == PolicyFilter::ToNotify);
    const bool categoryNarrows = !earlier.m_category || earlier.m_category == m_category;
    return filterNarrows && categoryNarrows && m_search.narrows(earlier.m_search);
}
