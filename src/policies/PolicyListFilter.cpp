#include "policies/PolicyListFilter.h"

#include "model/Policy.h"

namespace {

// The languages whose letter case differs from the default (the dotted and dotless i of
// Turkish and Azerbaijani, Lithuanian's dot above); every other locale folds as Unicode does,
// which is much cheaper than asking the locale.
bool hasOwnCaseRules(const QLocale& locale) {
    const QLocale::Language language = locale.language();
    return language == QLocale::Turkish || language == QLocale::Azerbaijani ||
           language == QLocale::Lithuanian;
}

} // namespace

PolicyListFilter::PolicyListFilter(QLocale locale)
    : m_locale(std::move(locale)) {}

QString PolicyListFilter::folded(const QString& text, const QLocale& locale) {
    QString result;
    appendFolded(result, text, locale);
    return result;
}

void PolicyListFilter::appendFolded(QString& to, const QString& text, const QLocale& locale) {
    if (hasOwnCaseRules(locale)) {
        to += locale.toLower(text);
        return;
    }
    // Most names are plain ASCII, whose folding is its lower case: written in place, without
    // a string of its own per field.
    const qsizetype start = to.size();
    to.resize(start + text.size());
    QChar* out = to.data() + start;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            to.resize(start);
            to += text.toCaseFolded();
            return;
        }
        *out++ = (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + (u'a' - u'A')) : c;
    }
}

PolicyListFilter::SearchKeys PolicyListFilter::searchKeys(const QString& name,
                                                          const QString& policyNumber,
                                                          const QString& provider,
                                                          const QLocale& locale) {
    SearchKeys keys;
    keys.text.reserve(name.size() + policyNumber.size() + provider.size());
    appendFolded(keys.text, name, locale);
    keys.nameEnd = int(keys.text.size());
    appendFolded(keys.text, policyNumber, locale);
    keys.numberEnd = int(keys.text.size());
    appendFolded(keys.text, provider, locale);
    keys.text.squeeze();
    return keys;
}

PolicyListFilter::SearchKeys PolicyListFilter::searchKeys(const Policy& policy,
                                                          const QLocale& locale) {
    return searchKeys(policy.name(), policy.policyNumber(), policy.provider(), locale);
}

void PolicyListFilter::setSearchText(const QString& text) {
    m_searchText = text;
    m_foldedSearch = folded(text, m_locale);
}

bool PolicyListFilter::admits(PolicyStatus status, const SearchKeys& keys) const {
    if (!PolicyFilters::admits(m_filter, status)) {
        return false;
    }
    if (m_searchText.isEmpty()) {
        return true;
    }
    // One pass over the three fields together, a match taken only when it lies inside one of
    // them: a text never matches across the end of one field and the start of the next.
    const QStringView text(keys.text);
    const qsizetype length = m_foldedSearch.size();
    for (qsizetype at = text.indexOf(m_foldedSearch); at >= 0;
         at = text.indexOf(m_foldedSearch, at + 1)) {
        const qsizetype end = at + length;
        if (end <= keys.nameEnd || (at >= keys.nameEnd && end <= keys.numberEnd) ||
            at >= keys.numberEnd) {
            return true;
        }
    }
    return false;
}

bool PolicyListFilter::narrows(const PolicyListFilter& earlier) const {
    const bool filterNarrows =
        earlier.m_filter == m_filter || earlier.m_filter == PolicyFilter::All;
    return filterNarrows && m_foldedSearch.contains(earlier.m_foldedSearch) &&
           m_locale == earlier.m_locale;
}
