#include "transfer/BookIndex.h"

#include "model/Contact.h"
#include "model/Policy.h"
#include "store/ManagedObjectContext.h"

BookIndex BookIndex::of(const ManagedObjectContext& context) {
    BookIndex index;
    // Fetched in store order: the first policy with a number is the one kept.
    for (const std::shared_ptr<Policy>& policy : context.fetch(Policy::fetchRequest())) {
        const QString number = policy->policyNumber().trimmed();
        if (!index.policyNumbers.contains(number)) {
            index.policyNumbers.insert(number, policy->id());
        }
    }
    for (const std::shared_ptr<Contact>& contact : context.fetch(Contact::fetchRequest())) {
        index.contacts.push_back({contact->id(),
                                  {contact->firstName().trimmed(), contact->lastName().trimmed(),
                                   contact->company().value_or(QString()).trimmed(),
                                   contact->phoneNumber().value_or(QString()).trimmed(),
                                   contact->email().value_or(QString()).trimmed(),
                                   contact->notes().value_or(QString())}});
    }
    return index;
}
