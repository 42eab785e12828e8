#pragma once

#include <QtGlobal>

// How much of a file the readers take before they refuse it, so that no file, however made,
// can exhaust memory: a spreadsheet program's own bounds, and a file size far beyond any
// agency's book.
struct ReadLimits {
    // Refused before a byte is read (decimal megabytes, as the file manager shows sizes).
    qint64 maxFileBytes = 200'000'000;
    // The bytes a zipped spreadsheet may inflate to, all its parts together: a small file
    // that claims gigabytes (a zip bomb) stops here.
    qint64 maxInflatedBytes = qint64(256) << 20;
    // A wider row is refused on its own, with its text kept for the result.
    qsizetype maxColumns = 16'384;
    // Rows and cells of the whole table; a sheet whose repeated cells would go beyond them is
    // refused.
    qint64 maxRows = 1'048'576;
    qint64 maxCells = 20'000'000;
    // Characters of all cells together (twice as many bytes in memory): any text file under
    // the size bound fits; a spreadsheet whose repeats would make more is refused.
    qint64 maxTextChars = 200'000'000;
};
