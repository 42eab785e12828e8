#pragma once

#include <QString>

#include <optional>
#include <vector>

// What a column of an imported file fills: a value of the policy, a value of its client, or
// nothing. A column holding a whole name ("Mario Rossi", or "Rossi Mario") is split into the
// client's first and last name.
enum class ImportField {
    Ignore,
    PolicyName,
    PolicyNumber,
    Provider,
    ExpirationDate,
    RenewalType,
    ReminderDays,
    PolicyNotes,
    ClientPhoneNumber,
    NotifiedAt, // the policy's lastNotified: when its client was told
    Category,   // the policy's category, by name
    FirstName,
    LastName,
    FullName,
    FullNameLastFirst,
    Company,
    Phone,
    Email,
    ContactNotes,
};

// A file's columns in order, each with the field it fills.
using ColumnMap = std::vector<ImportField>;

namespace ImportFields {

// Every field in the order the column picker offers them, "Ignora" first.
const std::vector<ImportField>& all();
// The columns an export writes, in order; their labels are its headers.
const std::vector<ImportField>& exported();

// The field's name on screen and as an exported header ("Numero Polizza").
QString label(ImportField field);
// A name that stays the same across versions, for remembered column maps.
QString key(ImportField field);
std::optional<ImportField> fromKey(const QString& key);

bool isPolicyField(ImportField field);
bool isContactField(ImportField field);

} // namespace ImportFields
