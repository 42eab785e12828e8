#pragma once

#include "transfer/ReadLimits.h"
#include "transfer/Table.h"

#include <optional>

class ZipArchive;

// Reads an OpenDocument spreadsheet (LibreOffice Calc, .ods): the names of its tables and one
// table as rows. Values come from the cell's typed value (numbers, dates, times, booleans) or
// its paragraphs of text; a formula cell gives the value stored with it. Cells and rows
// repeated by number-columns-repeated and number-rows-repeated are expanded only when
// something with a value follows them, so the thousands of empty cells a sheet claims to its
// edge cost nothing. A file encrypted with a password is refused.
namespace OdsReader {

// `sheet` counts tables from 0. Nothing, or why the spreadsheet cannot be read.
std::optional<QString> read(ZipArchive& zip, int sheet, const ReadLimits& limits, Table& table);

} // namespace OdsReader
