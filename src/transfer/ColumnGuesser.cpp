#include "transfer/ColumnGuesser.h"

#include "transfer/TextKey.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace ColumnGuesser {
namespace {

using F = ImportField;

// Headers as written by people and programs, in their loose form.
const QHash<QString, ImportField>& knownHeaders() {
    static const QHash<QString, ImportField> headers = [] {
        const struct {
            F field;
            std::initializer_list<const char*> names;
        } table[] = {
            {F::PolicyName,
             {"nome polizza", "polizza nome", "descrizione polizza", "descrizione", "tipo polizza",
              "prodotto", "ramo", "garanzia", "oggetto", "titolo", "policy name",
              "policy description", "description", "product", "policy type", "title"}},
            {F::PolicyNumber,
             {"polizza", "numero polizza", "n polizza", "nr polizza", "num polizza", "n ro polizza",
              "numero", "policy", "policy number", "policy no", "policy n", "policy nr",
              "policy num", "number"}},
            {F::Provider,
             {"compagnia", "fornitore", "fornitore compagnia", "provider", "assicurazione",
              "compagnia assicurativa", "impresa", "insurer", "insurance", "insurance company",
              "carrier"}},
            {F::ExpirationDate,
             {"scadenza", "data scadenza", "data di scadenza", "scadenza polizza", "scade il",
              "valida fino al", "expiry", "expiry date", "expiration", "expiration date", "expires",
              "expire date", "due date", "end date"}},
            {F::RenewalType,
             {"rinnovo", "ciclo", "ciclo di rinnovo", "ciclo rinnovo", "tipo rinnovo",
              "frazionamento", "periodicita", "renewal", "renewal type", "renewal cycle", "cycle",
              "frequency"}},
            {F::ReminderDays,
             {"promemoria", "giorni promemoria", "giorni di promemoria", "giorni preavviso",
              "preavviso", "reminder", "reminders", "reminder days"}},
            {F::PolicyNotes,
             {"note", "note polizza", "notes", "policy notes", "annotazioni", "osservazioni"}},
            {F::ClientPhoneNumber,
             {"telefono cliente", "cellulare cliente", "client phone", "customer phone",
              "client phone number"}},
            {F::NotifiedAt,
             {"avvisato il", "avvisato", "cliente avvisato", "data avviso", "ultimo avviso",
              "data ultimo avviso", "notified", "notified on", "last notified", "client notified"}},
            {F::Category, {"categoria", "categoria polizza", "category", "policy category"}},
            {F::FirstName, {"nome", "first name", "firstname", "given name"}},
            {F::LastName, {"cognome", "last name", "lastname", "surname", "family name"}},
            {F::FullName,
             {"nome e cognome", "nome cognome", "nominativo", "cliente", "contraente", "assicurato",
              "intestatario", "full name", "fullname", "client", "customer", "client name",
              "customer name", "name"}},
            {F::FullNameLastFirst, {"cognome e nome", "cognome nome"}},
            {F::Company,
             {"ragione sociale", "azienda", "company", "societa", "ditta", "company name",
              "organizzazione", "organization"}},
            {F::Phone,
             {"telefono", "cellulare", "phone", "tel", "cell", "mobile", "telephone",
              "phone number", "numero di telefono", "numero telefono", "recapito",
              "recapito telefonico", "cell phone"}},
            {F::Email,
             {"email", "e mail", "mail", "posta elettronica", "indirizzo email", "indirizzo e mail",
              "email address", "e mail address"}},
            {F::ContactNotes,
             {"note contatto", "note cliente", "contact notes", "client notes", "customer notes"}},
        };
        QHash<QString, ImportField> map;
        for (const auto& entry : table) {
            for (const char* name : entry.names) {
                map.insert(QString::fromLatin1(name), entry.field);
            }
        }
        // The program's own export headers read back as what they were written from.
        for (const ImportField field : ImportFields::all()) {
            if (field != F::Ignore) {
                map.insert(TextKey::loose(ImportFields::label(field)), field);
            }
        }
        return map;
    }();
    return headers;
}

// Words inside a longer header, tried in this order: the first rule all of whose words (any
// one of each group) appear decides.
ImportField byWords(const QStringList& words) {
    const QSet<QString> present(words.begin(), words.end());
    const auto has = [&](std::initializer_list<const char*> any) {
        for (const char* word : any) {
            if (present.contains(QString::fromLatin1(word))) {
                return true;
            }
        }
        return false;
    };
    const qsizetype first = words.indexOf(QStringLiteral("nome"));
    const qsizetype last = words.indexOf(QStringLiteral("cognome"));
    if (has({"email", "mail"})) {
        return F::Email;
    }
    if (first >= 0 && last >= 0) {
        return last < first ? F::FullNameLastFirst : F::FullName;
    }
    if (has({"scadenza", "expiry", "expiration", "scade"})) {
        return F::ExpirationDate;
    }
    if (has({"rinnovo", "renewal", "frazionamento"})) {
        return F::RenewalType;
    }
    if (has({"promemoria", "reminder", "preavviso"})) {
        return F::ReminderDays;
    }
    if (has({"telefono", "cellulare", "phone", "mobile", "tel", "cell"})) {
        return F::Phone;
    }
    if (has({"polizza", "policy"})) {
        return has({"numero", "n", "nr", "num", "number", "no"})             ? F::PolicyNumber
               : has({"nome", "descrizione", "name", "tipo", "description"}) ? F::PolicyName
                                                                             : F::Ignore;
    }
    if (has({"compagnia", "insurer", "fornitore"})) {
        return F::Provider;
    }
    if (has({"azienda", "company", "ragione", "societa", "ditta"})) {
        return F::Company;
    }
    if (has({"note", "notes"})) {
        return has({"cliente", "contatto", "client", "contact", "customer"}) ? F::ContactNotes
                                                                             : F::PolicyNotes;
    }
    if (has({"cognome", "surname"})) {
        return F::LastName;
    }
    if (has({"nome"})) {
        return F::FirstName;
    }
    return F::Ignore;
}

// Numbers and dates, the usual content of the rows under a header.
bool looksLikeValue(QStringView cell) {
    static const QRegularExpression value(
        QStringLiteral("^[+-]?[\\d.,/: -]*\\d[\\d.,/: -]*$|^\\d{4}-\\d{2}-\\d{2}"));
    return value.match(cell.trimmed()).hasMatch();
}

} // namespace

std::optional<ImportField> fieldFor(QStringView header) {
    const QString loose = TextKey::loose(header);
    if (loose.isEmpty()) {
        return std::nullopt;
    }
    if (const auto it = knownHeaders().constFind(loose); it != knownHeaders().cend()) {
        return *it;
    }
    const ImportField field = byWords(loose.split(u' '));
    return field == F::Ignore ? std::nullopt : std::optional(field);
}

ColumnMap guess(const TableRow& headers) {
    ColumnMap map(size_t(headers.size()), F::Ignore);
    QSet<int> taken;
    for (qsizetype i = 0; i < headers.size(); ++i) {
        const std::optional<ImportField> field = fieldFor(headers.cell(i));
        if (field && !taken.contains(int(*field))) {
            taken.insert(int(*field));
            map[size_t(i)] = *field;
        }
    }
    return map;
}

bool firstRowIsHeader(const Table& table) {
    if (table.rows.empty() || !table.rows.front().problem().isEmpty()) {
        return false;
    }
    const TableRow& first = table.rows.front();
    int known = 0;
    int filled = 0;
    for (qsizetype i = 0; i < first.size(); ++i) {
        if (first.cell(i).trimmed().isEmpty()) {
            continue;
        }
        ++filled;
        known += fieldFor(first.cell(i)) ? 1 : 0;
    }
    if (known >= 2 || (known == 1 && filled <= 2)) {
        return true;
    }
    if (table.rows.size() < 2 || filled == 0) {
        return false;
    }
    const TableRow& second = table.rows[1];
    bool valuesBelow = false;
    for (qsizetype i = 0; i < first.size(); ++i) {
        if (looksLikeValue(first.cell(i))) {
            return false;
        }
        valuesBelow = valuesBelow || looksLikeValue(second.cell(i));
    }
    return valuesBelow;
}

} // namespace ColumnGuesser
