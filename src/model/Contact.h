#pragma once

#include "store/FetchRequest.h"
#include "store/ManagedObject.h"

#include <QString>
#include <QUuid>

class Policy;

// A client, who may hold any number of policies.
class Contact final : public ManagedObject {
public:
    enum Attribute : int {
        kId,
        kFirstName,
        kLastName,
        kEmail,
        kPhoneNumber,
        kCompany,
        kNotes,
        kCreatedAt,
    };
    enum Relationship : int { kPolicies };

    using ManagedObject::ManagedObject;

    static QString entityName() { return QStringLiteral("Contact"); }
    static FetchRequest<Contact> fetchRequest() { return {}; }

    QUuid id() const { return requiredAt<QUuid>(kId); }
    QString firstName() const { return requiredAt<QString>(kFirstName); }
    void setFirstName(const QString& name) { setValueAt(kFirstName, name); }
    QString lastName() const { return requiredAt<QString>(kLastName); }
    void setLastName(const QString& name) { setValueAt(kLastName, name); }
    std::optional<QString> email() const { return optionalAt<QString>(kEmail); }
    void setEmail(const std::optional<QString>& text) { setOptionalAt(kEmail, text); }
    std::optional<QString> phoneNumber() const { return optionalAt<QString>(kPhoneNumber); }
    void setPhoneNumber(const std::optional<QString>& text) { setOptionalAt(kPhoneNumber, text); }
    std::optional<QString> company() const { return optionalAt<QString>(kCompany); }
    void setCompany(const std::optional<QString>& text) { setOptionalAt(kCompany, text); }
    std::optional<QString> notes() const { return optionalAt<QString>(kNotes); }
    void setNotes(const std::optional<QString>& text) { setOptionalAt(kNotes, text); }
    Instant createdAt() const { return requiredAt<Instant>(kCreatedAt); }
    void setCreatedAt(Instant instant) { setValueAt(kCreatedAt, instant); }

    // The policies whose contact is this one, in the order they were first stored.
    std::vector<std::shared_ptr<Policy>> policies() const;
    // How many there are, without listing them.
    size_t policyCount() const { return memberCountAt(kPolicies); }

    // First and last name joined by one space, trimmed of horizontal white space.
    QString fullName() const;
    // The policies by ascending expiry; equal expiries keep the order of policies().
    std::vector<std::shared_ptr<Policy>> policiesArray() const;

protected:
    void awakeFromInsert() override;

private:
    // Set once, on insertion; the context refuses any later change.
    void setId(const QUuid& id) { setValueAt(kId, id); }
};
