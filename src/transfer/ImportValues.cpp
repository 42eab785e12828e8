#include "transfer/ImportValues.h"

namespace {
void take(QString& mine, const QString& theirs) {
    if (mine.isEmpty()) {
        mine = theirs;
    }
}
void replace(QString& mine, const QString& theirs) {
    if (!theirs.isEmpty()) {
        mine = theirs;
    }
}
} // namespace

void ContactValues::fillFrom(const ContactValues& other) {
    take(firstName, other.firstName);
    take(lastName, other.lastName);
    take(company, other.company);
    take(phone, other.phone);
    take(email, other.email);
    take(notes, other.notes);
}

void PolicyValues::overwriteWith(const PolicyValues& newer) {
    replace(name, newer.name);
    replace(policyNumber, newer.policyNumber);
    replace(provider, newer.provider);
    if (newer.expirationDate) {
        expirationDate = newer.expirationDate;
        expirationDay = newer.expirationDay;
        expirationHasTime = newer.expirationHasTime;
    }
    replace(renewalType, newer.renewalType);
    replace(customReminderDays, newer.customReminderDays);
    replace(notes, newer.notes);
    replace(clientPhoneNumber, newer.clientPhoneNumber);
    replace(category, newer.category);
    if (newer.lastNotified) {
        lastNotified = newer.lastNotified;
    }
}
