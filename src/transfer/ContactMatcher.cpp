#include "transfer/ContactMatcher.h"

#include "transfer/TextKey.h"

namespace {

QString nameKey(const ContactValues& values) {
    return TextKey::name(values.firstName) + QChar(0x1F) + TextKey::name(values.lastName);
}

QString emailKey(const QString& email) {
    return email.trimmed().toCaseFolded();
}

void addOnce(QHash<QString, QList<int>>& index, const QString& key, int candidate) {
    if (key.isEmpty()) {
        return;
    }
    QList<int>& list = index[key];
    if (!list.contains(candidate)) {
        list.append(candidate);
    }
}

} // namespace

int ContactMatcher::add(const ContactValues& values) {
    const int candidate = int(m_candidates.size());
    m_candidates.push_back({});
    if (values.hasName()) {
        m_byName[nameKey(values)].append(candidate);
    }
    index(candidate, values);
    return candidate;
}

void ContactMatcher::update(int candidate, const ContactValues& values) {
    index(candidate, values);
}

void ContactMatcher::index(int candidate, const ContactValues& values) {
    Candidate& known = m_candidates[size_t(candidate)];
    const auto keep = [&](QString& mine, const QString& key, QHash<QString, QList<int>>& index) {
        if (mine.isEmpty() && !key.isEmpty()) {
            mine = key;
            addOnce(index, key, candidate);
        }
    };
    keep(known.phone, TextKey::phone(values.phone), m_byPhone);
    keep(known.email, emailKey(values.email), m_byEmail);
    keep(known.company, TextKey::name(values.company), m_byCompany);
}

int ContactMatcher::find(const ContactValues& row) const {
    const QString phone = TextKey::phone(row.phone);
    const QString email = emailKey(row.email);
    if (row.hasName()) {
        for (const int candidate : m_byName.value(nameKey(row))) {
            const Candidate& known = m_candidates[size_t(candidate)];
            // Names alone decide when either side has nothing else to compare.
            const bool namesAlone = (phone.isEmpty() && email.isEmpty()) ||
                                    (known.phone.isEmpty() && known.email.isEmpty());
            if (namesAlone || (!phone.isEmpty() && known.phone == phone) ||
                (!email.isEmpty() && known.email == email)) {
                return candidate;
            }
        }
        return -1;
    }
    const QString company = TextKey::name(row.company);
    if (!company.isEmpty()) {
        return m_byCompany.value(company).value(0, -1);
    }
    const int byPhone = phone.isEmpty() ? -1 : m_byPhone.value(phone).value(0, -1);
    const int byEmail = email.isEmpty() ? -1 : m_byEmail.value(email).value(0, -1);
    if (byPhone < 0 || byEmail < 0) {
        return std::max(byPhone, byEmail);
    }
    return std::min(byPhone, byEmail);
}
