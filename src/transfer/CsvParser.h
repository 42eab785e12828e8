#pragma once

#include "transfer/ReadLimits.h"
#include "transfer/Table.h"

#include <QStringView>

#include <optional>

class TaskControl;

// Reads delimited text as RFC 4180 describes it, with libcsv: fields in double quotes may hold
// the delimiter, line breaks and doubled quotes. Line ends may be CRLF, LF or CR, mixed. Lenient
// where spreadsheets are: a quote inside an unquoted field is kept as a character, and text
// after a closing quote on the same line is kept too.
//
// A record whose quote is never closed, or closed on a later line and followed by more text,
// cannot be told apart from the records after it by any rule; it is refused alone, with the
// line where it began, and reading goes on from the next line, so one stray quote costs one
// row and not the rest of the file.
namespace CsvParser {

// Appends every non-blank record of `text` to `rows`. Nothing but cancellation (through
// `control`), the table's bounds or a delimiter that cannot split (not ASCII, a quote, a line
// break) stops it; the reason is returned then.
std::optional<QString> parse(QStringView text, QChar delimiter, const ReadLimits& limits,
                             std::vector<TableRow>& rows, TaskControl* control = nullptr);

// The delimiter among `,` `;` tab and `|` that splits the first records of `text` into the
// same number of fields most often; `,` when none splits them.
QChar detectDelimiter(QStringView text);

} // namespace CsvParser
