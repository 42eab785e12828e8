#pragma once

#include "transfer/TableRow.h"
#include "transfer/TextEncoding.h"

#include <QStringList>

#include <vector>

enum class SourceFormat { Csv, Xlsx, Ods };

// How a spreadsheet counts its serial dates: from 1900 (Excel's default, with its
// 29 February 1900 that never was) or from 1904 (old Mac workbooks).
enum class DateSystem { Since1900, Since1904 };

// What a file was read as: detected, or as the user chose.
struct SourceDescription {
    SourceFormat format = SourceFormat::Csv;
    // Text tables only.
    TextEncoding encoding = TextEncoding::Utf8;
    QChar delimiter = u',';
    // Spreadsheets only: the worksheets in the workbook's order, and the one read.
    QStringList sheets;
    int sheet = 0;
    DateSystem dateSystem = DateSystem::Since1900;
    // Bytes that did not read in the encoding, each shown as U+FFFD.
    qint64 replacedCharacters = 0;
};

// A file read as rows of cells, blank rows left out; a spreadsheet's dates come as ISO text
// ("2027-03-03", "2027-03-03T10:30:00"), its numbers as plain decimal text.
struct Table {
    SourceDescription source;
    std::vector<TableRow> rows;

    qsizetype columnCount() const {
        qsizetype columns = 0;
        for (const TableRow& row : rows) {
            columns = std::max(columns, row.size());
        }
        return columns;
    }
};
