#include "model/Contact.h"

#include "model/Policy.h"
#include "model/PolicyRules.h"
#include "platform/Clock.h"
#include "store/ManagedObjectContext.h"

std::vector<std::shared_ptr<Policy>> Contact::policies() const {
    return membersAs<Policy>(kPolicies);
}

QString Contact::fullName() const {
    return PolicyRules::fullName(firstName(), lastName());
}

std::vector<std::shared_ptr<Policy>> Contact::policiesArray() const {
    std::vector<std::shared_ptr<Policy>> policies = this->policies();
    PolicyRules::sortByExpiration(
        policies, [](const std::shared_ptr<Policy>& policy) { return policy->expirationDate(); });
    return policies;
}

void Contact::awakeFromInsert() {
    setId(QUuid::createUuid());
    setCreatedAt(managedObjectContext()->clock().now());
    setFirstName(QString());
    setLastName(QString());
}
