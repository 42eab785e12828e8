#include "contacts/ContactDraft.h"

#include "model/Contact.h"
#include "model/DraftSave.h"

namespace {

std::optional<QString> presentUnlessEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

ContactDraft ContactDraft::of(const Contact& contact) {
    return {contact.firstName(),
            contact.lastName(),
            contact.email().value_or(QString()),
            contact.phoneNumber().value_or(QString()),
            contact.company().value_or(QString()),
            contact.notes().value_or(QString())};
}

void ContactDraft::writeInto(Contact& contact) const {
    contact.setFirstName(firstName);
    contact.setLastName(lastName);
    contact.setEmail(presentUnlessEmpty(email));
    contact.setPhoneNumber(presentUnlessEmpty(phoneNumber));
    contact.setCompany(presentUnlessEmpty(company));
    contact.setNotes(presentUnlessEmpty(notes));
}

std::shared_ptr<Contact> ContactDraft::save(ManagedObjectContext& context,
                                            std::shared_ptr<Contact> contact,
                                            QString* error) const {
    return saveDraft(*this, context, std::move(contact), error);
}
