#include "model/Policy.h"

#include "model/Category.h"
#include "model/ClientNotice.h"
#include "model/Contact.h"
#include "model/PolicyRules.h"
#include "model/PolicyStatus.h"
#include "platform/Clock.h"
#include "store/ManagedObjectContext.h"

#include <QDateTime>

namespace {

struct Moment {
    Instant now;
    QTimeZone zone;
};

// The context's clock; a handle to a deleted object, whose context is gone, reads the
// machine's.
Moment momentFor(const ManagedObject& object) {
    if (const ManagedObjectContext* context = object.managedObjectContext()) {
        return {context->clock().now(), context->clock().timeZone()};
    }
    return {Instant(QDateTime::currentMSecsSinceEpoch()), QTimeZone::systemTimeZone()};
}

} // namespace

std::shared_ptr<Category> Policy::category() const {
    return destinationAs<Category>(kCategory);
}

void Policy::setCategory(const std::shared_ptr<Category>& category) {
    setDestinationAt(kCategory, category.get());
}

std::shared_ptr<Contact> Policy::contact() const {
    return destinationAs<Contact>(kContact);
}

void Policy::setContact(const std::shared_ptr<Contact>& contact) {
    setDestinationAt(kContact, contact.get());
}

std::vector<qint64> Policy::reminderDaysArray() const {
    return PolicyRules::reminderDaysArray(customReminderDays(), reminderDays());
}

qint64 Policy::daysUntilExpiration() const {
    const Moment moment = momentFor(*this);
    return PolicyRules::daysUntilExpiration(moment.now, expirationDate(), moment.zone);
}

Instant Policy::calculateNextRenewalDate() const {
    return PolicyRules::calculateNextRenewalDate(expirationDate(), renewalType(),
                                                 momentFor(*this).zone);
}

bool Policy::isExpired() const {
    return status() == PolicyStatus::Expired;
}

bool Policy::isExpiringSoon() const {
    return status() == PolicyStatus::ExpiringSoon;
}

qint64 Policy::reminderHorizon() const {
    return PolicyRules::reminderHorizonOf(customReminderDays(), reminderDays());
}

PolicyStatus Policy::status() const {
    return PolicyStatusRules::status(daysUntilExpiration(), reminderHorizon());
}

bool Policy::isClientNotified() const {
    return ClientNotice::toldInWindow(lastNotified(), expirationDate(), reminderHorizon(),
                                      momentFor(*this).zone);
}

bool Policy::needsClientNotice() const {
    return isExpiringSoon() && !isClientNotified();
}

void Policy::awakeFromInsert() {
    setId(QUuid::createUuid());
    setCreatedAt(managedObjectContext()->clock().now());
    setRenewalType(defaultRenewalType());
    setReminderDays(kDefaultReminderDays);
    setCustomReminderDays(defaultCustomReminderDays());
}
