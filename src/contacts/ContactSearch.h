#pragma once

#include "ui/FieldSearch.h"

class Contact;

// The contact list's search: it keeps a contact whose first name, last name or company
// contains the text, as FieldSearch compares. E-mail, phone number and notes are not searched.
class ContactSearch final {
public:
    using Keys = FieldSearch::Keys;

    explicit ContactSearch(const QLocale& locale = QLocale())
        : m_search(locale) {}

    static Keys keys(const Contact& contact, const QLocale& locale);

    const QString& text() const { return m_search.text(); }
    void setText(const QString& text) { m_search.setText(text); }

    bool admitsAll() const { return m_search.admitsAll(); }
    bool admits(const Keys& keys) const { return m_search.admits(keys); }
    // Whether everything this search keeps, `earlier` kept too.
    bool narrows(const ContactSearch& earlier) const { return m_search.narrows(earlier.m_search); }

private:
    FieldSearch m_search;
};
