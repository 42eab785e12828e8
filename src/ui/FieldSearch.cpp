#include "ui/FieldSearch.h"

#include <QHash>

#include <bitset>

namespace {

// The languages whose letter case differs from the default (the dotted and dotless i of
// Turkish and Azerbaijani, Lithuanian's dot above); every other locale folds as Unicode does,
// which is much cheaper than asking the locale.
bool hasOwnCaseRules(const QLocale& locale) {
    const QLocale::Language language = locale.language();
    return language == QLocale::Turkish || language == QLocale::Azerbaijani ||
           language == QLocale::Lithuanian;
}

// Unicode's full case folding where it gives more than one character ("ß" is "ss", "ﬁ" is
// "fi", Greek letters with iota subscript). Qt folds one character to one, so these few are
// kept here. Each is the lower case of its upper case, which Qt writes in full; "İ" is its own
// upper case, and its lower case is already its folding. The capital "ẞ" folds to "ß" first.
class MultiCharacterFoldings final {
public:
    static const MultiCharacterFoldings& instance() {
        static const MultiCharacterFoldings foldings;
        return foldings;
    }

    bool has(char16_t c) const {
        if (c < kLow) {
            return m_low.test(c);
        }
        return c >= kLigatures && c <= kLigaturesEnd && m_ligatures.test(c - kLigatures);
    }
    const QString& of(char16_t c) const { return *m_foldings.constFind(c); }

private:
    // Every such character lies in these ranges: Latin, Greek and Armenian letters up to the
    // Greek extended block, and the Latin and Armenian ligatures.
    static constexpr char16_t kLow = 0x2000;
    static constexpr char16_t kLigatures = 0xFB00;
    static constexpr char16_t kLigaturesEnd = 0xFB17;

    MultiCharacterFoldings() {
        const auto consider = [this](char16_t c) {
            const QChar character(c);
            const QString upper = QString(&character, 1).toUpper();
            if (upper.size() > 1) {
                add(c, upper.toLower());
            }
        };
        // Only the letters from "ß" on can have an upper case longer than themselves.
        for (char16_t c = 0xDF; c < kLow; ++c) {
            consider(c);
        }
        for (char16_t c = kLigatures; c <= kLigaturesEnd; ++c) {
            consider(c);
        }
        const QChar dottedCapitalI(0x130);
        add(0x130, QString(&dottedCapitalI, 1).toLower());
    }
    void add(char16_t c, const QString& folding) {
        if (c < kLow) {
            m_low.set(c);
        } else {
            m_ligatures.set(c - kLigatures);
        }
        m_foldings.insert(c, folding);
    }

    std::bitset<kLow> m_low;
    std::bitset<kLigaturesEnd - kLigatures + 1> m_ligatures;
    QHash<char16_t, QString> m_foldings;
};

constexpr char16_t kYpogegrammeni = 0x345;

// Unicode's caseless match of canonically equivalent texts: full case folding, in composed
// form, so "e" + combining grave meets "è" and "ß" meets "SS", while "e" never meets "è".
QString fullyFolded(QString text) {
    // The one combining mark whose folding is a letter: it must take its place among the
    // other marks first, or "ᾳ" with an acute would fold apart from itself.
    if (text.contains(QChar(kYpogegrammeni))) {
        text = text.normalized(QString::NormalizationForm_D);
    }
    QString folded = text.toCaseFolded();
    const MultiCharacterFoldings& many = MultiCharacterFoldings::instance();
    qsizetype at = 0;
    while (at < folded.size() && !many.has(folded.at(at).unicode())) {
        ++at;
    }
    if (at < folded.size()) {
        QString expanded = folded.left(at);
        for (; at < folded.size(); ++at) {
            const char16_t c = folded.at(at).unicode();
            if (many.has(c)) {
                expanded += many.of(c);
            } else {
                expanded += QChar(c);
            }
        }
        folded = std::move(expanded);
    }
    return folded.normalized(QString::NormalizationForm_C);
}

// Whether the character at `at` is a combining mark, which belongs to the letter before it.
bool isMarkAt(QStringView text, qsizetype at) {
    const QChar c = text.at(at);
    // No combining mark comes before U+0300: most texts are answered without a lookup.
    if (c.unicode() < 0x300) {
        return false;
    }
    if (c.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
        return QChar::isMark(QChar::surrogateToUcs4(c, text.at(at + 1)));
    }
    return c.isMark();
}

} // namespace

FieldSearch::FieldSearch(const QLocale& locale)
    : m_locale(locale) {}

void FieldSearch::appendFolded(QString& to, const QString& text, const QLocale& locale) {
    if (hasOwnCaseRules(locale)) {
        to += fullyFolded(locale.toLower(text));
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
            to += fullyFolded(text);
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
    // them (a text never matches across the end of one field and the start of the next) and
    // does not stop before a combining mark: "ọ" is not "ọ̀", which has no composed form.
    const QStringView text(keys.text);
    const qsizetype length = m_folded.size();
    for (qsizetype at = text.indexOf(m_folded); at >= 0; at = text.indexOf(m_folded, at + 1)) {
        const qsizetype end = at + length;
        qsizetype fieldEnd = -1;
        if (end <= keys.firstEnd) {
            fieldEnd = keys.firstEnd;
        } else if (at >= keys.firstEnd && end <= keys.secondEnd) {
            fieldEnd = keys.secondEnd;
        } else if (at >= keys.secondEnd) {
            fieldEnd = text.size();
        }
        if (fieldEnd >= 0 && (end == fieldEnd || !isMarkAt(text, end))) {
            return true;
        }
    }
    return false;
}

bool FieldSearch::narrows(const FieldSearch& earlier) const {
    if (m_locale != earlier.m_locale) {
        return false;
    }
    // Each match of this text holds the earlier one, which therefore matched there too, unless
    // this text goes on with a combining mark right after it.
    const QStringView text(m_folded);
    const qsizetype length = earlier.m_folded.size();
    for (qsizetype at = text.indexOf(earlier.m_folded); at >= 0;
         at = text.indexOf(earlier.m_folded, at + 1)) {
        if (at + length == text.size() || !isMarkAt(text, at + length)) {
            return true;
        }
    }
    return false;
}
