#pragma once

#include "platform/Instant.h"

#include <QDate>
#include <QString>

#include <optional>

// A client's values as one row of a file gives them, blanks trimmed; empty means the file has
// nothing for it.
struct ContactValues {
    QString firstName;
    QString lastName;
    QString company;
    QString phone;
    QString email;
    QString notes;

    bool isEmpty() const {
        return firstName.isEmpty() && lastName.isEmpty() && company.isEmpty() && phone.isEmpty() &&
               email.isEmpty() && notes.isEmpty();
    }
    bool hasName() const { return !firstName.isEmpty() || !lastName.isEmpty(); }
    // Takes every value this one lacks from `other`.
    void fillFrom(const ContactValues& other);
    bool operator==(const ContactValues&) const = default;
};

// A policy's values as one row of a file gives them; empty texts and a missing expiry mean
// the file has nothing for them.
struct PolicyValues {
    QString name;
    QString policyNumber;
    QString provider;
    std::optional<Instant> expirationDate;
    // The expiry's day, and whether the file gave its time of day too (otherwise 09:00).
    QDate expirationDay;
    bool expirationHasTime = false;
    QString renewalType;
    QString customReminderDays;
    QString notes;
    QString clientPhoneNumber;
    // When the client was told, to the millisecond, which carries how (see ClientNotice).
    std::optional<Instant> lastNotified;
    // The name of its category, found among the stored ones or made.
    QString category;

    // Every non-empty value of `newer` replaces this one's.
    void overwriteWith(const PolicyValues& newer);
};
