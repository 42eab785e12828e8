#pragma once

#include "transfer/DateReading.h"
#include "transfer/ImportField.h"

#include <QString>
#include <QTimeZone>

// Everything the user decides in the import sheet besides the file's reading.
struct ImportSettings {
    enum class Duplicates {
        // A policy number already stored, or met earlier in the file, refuses the row.
        Skip,
        // The row's non-empty values replace the stored (or earlier) ones; the document, the
        // reminder days and the client stay unless the row has them.
        Update,
    };

    bool hasHeader = true;
    ColumnMap columns;
    DateReading::Order dateOrder = DateReading::Order::DayFirst;
    // The cycle taken for a word the program has no cycle for ("semestrale").
    QString unknownCycle = QStringLiteral("yearly");
    Duplicates duplicates = Duplicates::Skip;
    // Where an expiry without a time of day is 09:00, and the year two-digit years are near.
    QTimeZone zone = QTimeZone::systemTimeZone();
    int currentYear = 2026;

    bool operator==(const ImportSettings&) const = default;
};
