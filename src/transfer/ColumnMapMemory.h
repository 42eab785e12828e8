#pragma once

#include "transfer/ImportField.h"

#include <QStringList>

#include <optional>

class QSettings;

// The column maps the user confirmed, by the headers of the file they were made for, so that
// the next export of the same agency program is mapped as the user left it. Kept in a settings
// store the caller owns (the user's preferences file in the program).
class ColumnMapMemory final {
public:
    explicit ColumnMapMemory(QSettings& store);

    // The map last remembered for exactly these headers (in their loose form, so case and
    // accents aside); nothing when none was, or it no longer fits them.
    std::optional<ColumnMap> recall(const QStringList& headers) const;
    void remember(const QStringList& headers, const ColumnMap& map);

private:
    static QString keyFor(const QStringList& headers);

    QSettings& m_store;
};
