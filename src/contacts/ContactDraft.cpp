#include "contacts/ContactDraft.h"

#include "model/Contact.h"
#include "store/ManagedObjectContext.h"

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
    if (!contact) {
        contact = context.insert<Contact>();
        if (!contact) {
            if (error) {
                *error = QStringLiteral("The store has no Contact entity");
            }
            return nullptr;
        }
    }
    writeInto(*contact);
    if (!context.save(error)) {
        // Nothing half-saved stays behind: a new contact goes, a changed one takes its saved
        // values again, so a second press never inserts a second contact.
        context.rollback();
        return nullptr;
    }
    return contact;
}
