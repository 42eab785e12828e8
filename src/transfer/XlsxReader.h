#pragma once

#include "transfer/ReadLimits.h"
#include "transfer/Table.h"

#include <optional>

class ZipArchive;

// Reads an Excel workbook (Office Open XML, .xlsx): the names of its worksheets, its date
// system, and one worksheet as rows. Shared and inline strings, rich text, numbers, booleans,
// error values and dates stored as serial numbers (read through the cell's number format);
// a formula cell gives the value Excel stored with it. Rows carry the sheet's row numbers.
namespace XlsxReader {

// `sheet` counts worksheets from 0. Nothing, or why the workbook cannot be read.
std::optional<QString> read(ZipArchive& zip, int sheet, const ReadLimits& limits, Table& table);

// Whether a number format shows a date, a time of day, or both ("dd/mm/yyyy", "h:mm").
struct NumberFormat {
    bool date = false;
    bool time = false;
};
NumberFormat classify(int builtInId, const QString& formatCode);

} // namespace XlsxReader
