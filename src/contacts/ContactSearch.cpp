#include "contacts/ContactSearch.h"

#include "model/Contact.h"

ContactSearch::Keys ContactSearch::keys(const Contact& contact, const QLocale& locale) {
    return FieldSearch::keys(contact.firstName(), contact.lastName(),
                             contact.company().value_or(QString()), locale);
}
