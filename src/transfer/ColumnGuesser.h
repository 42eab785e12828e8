#pragma once

#include "transfer/ImportField.h"
#include "transfer/Table.h"

#include <optional>

// Guesses what each column of a file holds from its header, in Italian or English, whatever
// the case, accents and punctuation: "N. Polizza", "numero polizza" and "Policy Number" all
// fill the policy number. Known names are looked up first; then words inside a longer header
// ("Data di scadenza della polizza") decide.
namespace ColumnGuesser {

std::optional<ImportField> fieldFor(QStringView header);

// One field per header; a field already taken by an earlier column is not given twice.
ColumnMap guess(const TableRow& headers);

// Whether the first row names the columns: several of its cells are known headers, or it is
// all words above rows that hold numbers or dates.
bool firstRowIsHeader(const Table& table);

} // namespace ColumnGuesser
