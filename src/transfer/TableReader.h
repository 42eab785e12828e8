#pragma once

#include "transfer/ReadLimits.h"
#include "transfer/Table.h"

#include <QString>

#include <optional>

class TaskControl;

// Reads a file the user picked as a table, whatever it is: CSV or other delimited text in any
// of the usual encodings, an Excel workbook (.xlsx) or a LibreOffice spreadsheet (.ods). The
// format is told by the file's content, not its name, so a workbook renamed .csv still reads
// and an image renamed .csv is refused as one.
//
// Every refusal is a reason in Italian that the import sheet shows as it is; the file itself is
// only ever read.
namespace TableReader {

struct Options {
    // Text files: detected when not given.
    std::optional<TextEncoding> encoding;
    std::optional<QChar> delimiter;
    // Spreadsheets: the sheet to read, from 0.
    int sheet = 0;
    ReadLimits limits;
};

struct Result {
    // Why nothing could be read; the table is then empty.
    std::optional<QString> error;
    Table table;
};

// Runs on any thread; `control`, when given, follows the reading and can cancel it.
Result read(const QString& path, const Options& options, TaskControl* control = nullptr);

} // namespace TableReader
