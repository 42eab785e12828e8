#pragma once

#include "transfer/ReadLimits.h"
#include "transfer/TableRow.h"

#include <QString>

#include <optional>
#include <vector>

// Where the spreadsheet readers put their rows: blank rows left out, empty cells at a row's
// end dropped, and the table's bounds kept.
class RowSink final {
public:
    RowSink(const ReadLimits& limits, std::vector<TableRow>& rows)
        : m_limits(limits)
        , m_rows(rows) {}

    // Why the table cannot take the row, or nothing when it took it.
    std::optional<QString> add(TableRow row);
    // Whether `count` more cells of `chars` characters in all would still fit.
    std::optional<QString> wouldFit(qint64 cells, qint64 chars) const;

private:
    const ReadLimits& m_limits;
    std::vector<TableRow>& m_rows;
    qint64 m_cells = 0;
    qint64 m_chars = 0;
};
