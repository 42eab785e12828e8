#pragma once

#include <QLocale>
#include <QString>

// A search in three texts of each object at once: it keeps an object when one of the three
// contains the search text, ignoring letter case as the user's locale does (a Turkish dotless
// i is not an i; "ß" is "ss") but not accents, however the text was composed ("e" followed by
// a combining grave is "è", and neither is "e"). The text is used exactly as typed, so a blank
// is a search like any other and only the empty text searches nothing.
//
// Texts are compared in a folded form, fully case folded and composed: each object's is made
// once (keys) and kept by the caller, so a keystroke costs one containment test per object.
class FieldSearch final {
public:
    // An object's three searched texts, folded, one after the other.
    struct Keys {
        QString text;
        int firstEnd = 0;
        int secondEnd = 0;
    };

    explicit FieldSearch(const QLocale& locale = QLocale());

    static Keys keys(const QString& first, const QString& second, const QString& third,
                     const QLocale& locale);

    const QString& text() const { return m_text; }
    void setText(const QString& text);

    bool admitsAll() const { return m_text.isEmpty(); }
    bool admits(const Keys& keys) const;
    // Whether everything this search keeps, `earlier` kept too: then searching what `earlier`
    // kept gives the same objects as searching them all.
    bool narrows(const FieldSearch& earlier) const;

private:
    static void appendFolded(QString& to, const QString& text, const QLocale& locale);

    QLocale m_locale;
    QString m_text;
    QString m_folded;
};
