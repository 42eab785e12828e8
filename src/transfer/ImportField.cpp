#include "transfer/ImportField.h"

namespace ImportFields {
namespace {

struct Entry {
    ImportField field;
    const char* key;
};

// The picker's order: policy fields, then the client's.
const Entry kEntries[] = {
    {ImportField::Ignore, "ignore"},
    {ImportField::PolicyName, "policyName"},
    {ImportField::PolicyNumber, "policyNumber"},
    {ImportField::Provider, "provider"},
    {ImportField::ExpirationDate, "expirationDate"},
    {ImportField::RenewalType, "renewalType"},
    {ImportField::ReminderDays, "reminderDays"},
    {ImportField::PolicyNotes, "policyNotes"},
    {ImportField::ClientPhoneNumber, "clientPhoneNumber"},
    {ImportField::NotifiedAt, "notifiedAt"},
    {ImportField::Category, "category"},
    {ImportField::FirstName, "firstName"},
    {ImportField::LastName, "lastName"},
    {ImportField::FullName, "fullName"},
    {ImportField::FullNameLastFirst, "fullNameLastFirst"},
    {ImportField::Company, "company"},
    {ImportField::Phone, "phone"},
    {ImportField::Email, "email"},
    {ImportField::ContactNotes, "contactNotes"},
};

const Entry& entryOf(ImportField field) {
    for (const Entry& entry : kEntries) {
        if (entry.field == field) {
            return entry;
        }
    }
    return kEntries[0];
}

} // namespace

const std::vector<ImportField>& all() {
    static const std::vector<ImportField> fields = [] {
        std::vector<ImportField> list;
        for (const Entry& entry : kEntries) {
            list.push_back(entry.field);
        }
        return list;
    }();
    return fields;
}

const std::vector<ImportField>& exported() {
    static const std::vector<ImportField> fields = {
        ImportField::PolicyName,  ImportField::PolicyNumber,
        ImportField::Provider,    ImportField::ExpirationDate,
        ImportField::RenewalType, ImportField::ReminderDays,
        ImportField::PolicyNotes, ImportField::ClientPhoneNumber,
        ImportField::NotifiedAt,  ImportField::Category,
        ImportField::FirstName,   ImportField::LastName,
        ImportField::Company,     ImportField::Phone,
        ImportField::Email,       ImportField::ContactNotes,
    };
    return fields;
}

QString label(ImportField field) {
    switch (field) {
    case ImportField::Ignore:
        return QStringLiteral("Ignora");
    case ImportField::PolicyName:
        return QStringLiteral("Nome Polizza");
    case ImportField::PolicyNumber:
        return QStringLiteral("Numero Polizza");
    case ImportField::Provider:
        return QStringLiteral("Compagnia");
    case ImportField::ExpirationDate:
        return QStringLiteral("Scadenza");
    case ImportField::RenewalType:
        return QStringLiteral("Rinnovo");
    case ImportField::ReminderDays:
        return QStringLiteral("Giorni Promemoria");
    case ImportField::PolicyNotes:
        return QStringLiteral("Note Polizza");
    case ImportField::ClientPhoneNumber:
        return QStringLiteral("Telefono Cliente");
    case ImportField::NotifiedAt:
        return QStringLiteral("Cliente Avvisato il");
    case ImportField::Category:
        return QStringLiteral("Categoria");
    case ImportField::FirstName:
        return QStringLiteral("Nome");
    case ImportField::LastName:
        return QStringLiteral("Cognome");
    case ImportField::FullName:
        return QStringLiteral("Nome e Cognome");
    case ImportField::FullNameLastFirst:
        return QStringLiteral("Cognome e Nome");
    case ImportField::Company:
        return QStringLiteral("Azienda");
    case ImportField::Phone:
        return QStringLiteral("Telefono");
    case ImportField::Email:
        return QStringLiteral("Email");
    case ImportField::ContactNotes:
        return QStringLiteral("Note Contatto");
    }
    return QString();
}

QString key(ImportField field) {
    return QString::fromLatin1(entryOf(field).key);
}

std::optional<ImportField> fromKey(const QString& key) {
    for (const Entry& entry : kEntries) {
        if (key == QLatin1String(entry.key)) {
            return entry.field;
        }
    }
    return std::nullopt;
}

bool isPolicyField(ImportField field) {
    return field >= ImportField::PolicyName && field <= ImportField::Category;
}

bool isContactField(ImportField field) {
    return field >= ImportField::FirstName && field <= ImportField::ContactNotes;
}

} // namespace ImportFields
