#pragma once

#include "transfer/ImportValues.h"

#include <QHash>
#include <QList>

#include <vector>

// Tells whether a row's client is one already known (in the store, or made by an earlier row
// of the same file), so that a client is never made twice:
//   - with a first or last name: the same names (case and blanks aside) and, when the row has
//     a phone or an e-mail, the same phone (digits, country prefix aside) or the same e-mail;
//     a known client with neither is matched by the names alone, not made again;
//   - without a name: the same company;
//   - with neither: the same phone or e-mail.
// The earliest known client that fits is the one.
class ContactMatcher final {
public:
    // Candidates are numbered from 0 in the order they are added.
    int add(const ContactValues& values);
    // The candidate took values it lacked (a later row gave its e-mail): found by them too.
    void update(int candidate, const ContactValues& values);
    // The first candidate the row's client is, or -1.
    int find(const ContactValues& row) const;

private:
    struct Candidate {
        QString phone;
        QString email;
        QString company;
    };

    void index(int candidate, const ContactValues& values);

    std::vector<Candidate> m_candidates;
    QHash<QString, QList<int>> m_byName;
    QHash<QString, QList<int>> m_byCompany;
    QHash<QString, QList<int>> m_byPhone;
    QHash<QString, QList<int>> m_byEmail;
};
