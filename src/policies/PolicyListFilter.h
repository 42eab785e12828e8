#pragma once

#include "model/PolicyStatus.h"
#include "policies/PolicyFilter.h"

#include <QLocale>
#include <QString>

class Policy;

// The policy list's rule: the status filter AND the search. The search keeps a policy whose
// name, number or provider contains the text, ignoring letter case as the user's locale does
// (a Turkish dotless i is not an i) but not accents; the text is used exactly as typed, so a
// blank is a search like any other and only the empty text searches nothing.
//
// Texts are compared in a folded form: each policy's is made once (searchKeys) and kept by
// the caller, so a keystroke costs one containment test per field.
class PolicyListFilter final {
public:
    // A policy's three searched texts, folded, one after the other.
    struct SearchKeys {
        QString text;
        int nameEnd = 0;
        int numberEnd = 0;
    };

    explicit PolicyListFilter(QLocale locale = QLocale());

    static SearchKeys searchKeys(const QString& name, const QString& policyNumber,
                                 const QString& provider, const QLocale& locale);
    static SearchKeys searchKeys(const Policy& policy, const QLocale& locale);

    PolicyFilter filter() const { return m_filter; }
    void setFilter(PolicyFilter filter) { m_filter = filter; }
    const QString& searchText() const { return m_searchText; }
    void setSearchText(const QString& text);

    // Whether the rule lists every policy.
    bool admitsAll() const { return m_filter == PolicyFilter::All && m_searchText.isEmpty(); }
    bool admits(PolicyStatus status, const SearchKeys& keys) const;
    // Whether everything this rule admits, `earlier` admitted too: then applying this rule
    // to the rows `earlier` listed gives the same rows as applying it to every policy.
    bool narrows(const PolicyListFilter& earlier) const;

private:
    static QString folded(const QString& text, const QLocale& locale);
    static void appendFolded(QString& to, const QString& text, const QLocale& locale);

    QLocale m_locale;
    PolicyFilter m_filter = PolicyFilter::All;
    QString m_searchText;
    QString m_foldedSearch;
};
