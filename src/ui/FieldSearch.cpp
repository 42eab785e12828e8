#include "ui/FieldSearch.h"

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

FieldSearch::FieldSearch(QLocale locale)
    : m_locale(std::move(locale)) {}

void FieldSearch::appendFolded(QString& to, const QString& text, const QLocale& locale) {
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

FieldSearch::Keys FieldSearch::keys(const QString& first, const QString& second,
                                    const QString& third, const QLocale& locale) {
    Keys keys;
    keys.text.reserve(first.size() + second.size() + third.size());
    appendFolded(keys.text, first, locale);
    keys.firstEnd = int(keys.text.size());
    appendFolded(keys.text, second, locale);
    keys.secondEnd = int(keys.text.size());
    appendFolded(keys.text, third, locale);
    keys.text.squeeze();
    return keys;
}

void FieldSearch::setText(const QString& text) {
    m_text = text;
    m_folded.clear();
    appendFolded(m_folded, text, m_locale);
}

bool FieldSearch::admits(const Keys& keys) const {
    if (m_text.isEmpty()) {
        return true;
    }
    // One pass over the three fields together, a match taken only when it lies inside one of
    // them: a text never matches across the end of one field and the start of the next.
    const QStringView text(keys.text);
    const qsizetype length = m_folded.size();
    for (qsizetype at = text.indexOf(m_folded); at >= 0; at = text.indexOf(m_folded, at + 1)) {
        const qsizetype end = at + length;
        if (end <= keys.firstEnd || (at >= keys.firstEnd && end <= keys.secondEnd) ||
            at >= keys.secondEnd) {
            return true;
        }
    }
    return false;
}

bool FieldSearch::narrows(const FieldSearch& earlier) const {
    return m_folded.contains(earlier.m_folded) && m_locale == earlier.m_locale;
}
