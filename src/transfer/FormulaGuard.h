#pragma once

#include <QString>

// Keeps a text written to CSV from being taken for a formula by a spreadsheet that opens it (a
// stored name such as "=HYPERLINK(...)", "+39 333..." or "@SUM(...)"): such a text is written
// after an apostrophe, which spreadsheets read as "this cell is text". The import removes that
// one apostrophe again, so a text goes out and comes back as it was, including one that itself
// begins with apostrophes before such a character.
namespace FormulaGuard {

// Whether a spreadsheet could read the text as a formula: it begins with = + - @, a tab or
// a carriage return.
bool startsLikeFormula(const QString& text);

QString guarded(const QString& text);
QString unguarded(const QString& text);

} // namespace FormulaGuard
