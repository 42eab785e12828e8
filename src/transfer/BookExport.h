#pragma once

#include "platform/Instant.h"
#include "transfer/ImportField.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <memory>
#include <optional>
#include <vector>

class ManagedObjectContext;
class Policy;
class TaskControl;

// Writes policies and their clients to a file that LibreOffice Calc and Excel open: one row
// per policy with its client's columns, then one row for each client without policies. The
// headers are the import's own, so a file written here imports back into an empty store with
// every policy and client as it was, documents aside (backups keep those).
namespace BookExport {

// The rows are gathered on the store's thread; the writers take them as plain values and may
// run on a worker thread, with `control` following their progress.

// One row: the texts of ImportFields::exported() in order, the cells of the expiry and of the
// client told left empty and given as instants instead.
struct Row {
    QStringList cells;
    std::optional<Instant> expiry;
    std::optional<Instant> notified;
};

// Every policy by expiry, then the clients without policies by last and first name.
std::vector<Row> rowsOfBook(const ManagedObjectContext& context);
// These policies in this order (the list as the user filtered it), without other clients.
std::vector<Row> rowsOf(const std::vector<std::shared_ptr<Policy>>& policies);

// The column of a field in a row.
qsizetype columnOf(ImportField field);

// UTF-8 with a byte-order mark, the locale's delimiter, CRLF; instants as local
// "yyyy-MM-dd HH:mm:ss" in `zone` (with ".zzz" when they have milliseconds); cells that a
// spreadsheet would take for formulas guarded. Nothing, or why the file could not be written (then
// no file is left behind).
std::optional<QString> writeCsv(const QString& path, const std::vector<Row>& rows,
                                const QLocale& locale, const QTimeZone& zone,
                                TaskControl* control = nullptr);
// An Excel workbook with one sheet; instants are date cells shown as "dd/mm/yyyy hh:mm",
// every text a text cell, which no spreadsheet evaluates.
std::optional<QString> writeXlsx(const QString& path, const std::vector<Row>& rows,
                                 const QTimeZone& zone, TaskControl* control = nullptr);

} // namespace BookExport
