#include "contacts/ContactSearch.h"

#include "model/Contact.h"

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

ContactSearch::ContactSearch(QLocale locale)
    : m_locale(std::move(locale)) {}

QString ContactSearch::folded(const QString& text, const QLocale& locale) {
    return hasOwnCaseRules(locale) ? locale.toLower(text) : text.toCaseFolded();
}

ContactSearch::Keys ContactSearch::keys(const QString& firstName, const QString& lastName,
                                        const QString& company, const QLocale& locale) {
    Keys keys;
    keys.text = folded(firstName, locale);
    keys.firstNameEnd = int(keys.text.size());
    keys.text += folded(lastName, locale);
    keys.lastNameEnd = int(keys.text.size());
    keys.text += folded(company, locale);
    keys.text.squeeze();
    return keys;
}

ContactSearch::Keys ContactSearch::keys(const Contact& contact, const QLocale& locale) {
    return keys(contact.firstName(), contact.lastName(), contact.company().value_or(QString()),
                locale);
}

void ContactSearch::setText(const QString& text) {
    m_text = text;
    m_folded = folded(text, m_locale);
}

bool ContactSearch::admits(const Keys& keys) const {
    if (m_text.isEmpty()) {
        return true;
    }
    // One pass over the three fields together, a match taken only when it lies inside one of
    // them: a text never matches across the end of one field and the start of the next.
    const QStringView text(keys.text);
    const qsizetype length = m_folded.size();
    for (qsizetype at = text.indexOf(m_folded); at >= 0; at = text.indexOf(m_folded, at + 1)) {
        const qsizetype end = at + length;
        if (end <= keys.firstNameEnd || (at >= keys.firstNameEnd && end <= keys.lastNameEnd) ||
            at >= keys.lastNameEnd) {
            return true;
        }
    }
    return false;
}

bool ContactSearch::narrows(const ContactSearch& earlier) const {
    return m_folded.contains(earlier.m_folded) && m_locale == earlier.m_locale;
}
