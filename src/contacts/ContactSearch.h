#pragma once

#include <QLocale>
#include <QString>

class Contact;

// The contact list's search: it keeps a contact whose first name, last name or company
// contains the text, ignoring letter case as the user's locale does (a Turkish dotless i is
// not an i) but not accents. The text is used exactly as typed, so a blank is a search like
// any other and only the empty text searches nothing. E-mail, phone number and notes are not
// searched.
//
// Texts are compared in a folded form: each contact's is made once (keys) and kept by the
// caller, so a keystroke costs one containment test per contact.
class ContactSearch final {
public:
    // A contact's three searched texts, folded, one after the other.
    struct Keys {
        QString text;
        int firstNameEnd = 0;
        int lastNameEnd = 0;
    };

    explicit ContactSearch(QLocale locale = QLocale());

    static Keys keys(const QString& firstName, const QString& lastName, const QString& company,
                     const QLocale& locale);
    static Keys keys(const Contact& contact, const QLocale& locale);

    const QString& text() const { return m_text; }
    void setText(const QString& text);

    bool admitsAll() const { return m_text.isEmpty(); }
    bool admits(const Keys& keys) const;
    // Whether everything this search keeps, `earlier` kept too: then searching the contacts
    // `earlier` kept gives the same contacts as searching them all.
    bool narrows(const ContactSearch& earlier) const;

private:
    static QString folded(const QString& text, const QLocale& locale);

    QLocale m_locale;
    QString m_text;
    QString m_folded;
};
