#pragma once

#include "platform/Instant.h"
#include "report/RenewalRange.h"
#include "report/RenewalRow.h"

#include <QString>
#include <QTimeZone>

#include <vector>

// Everything a renewal report shows, as plain values: it may be laid out on any thread.
struct RenewalReportContent {
    // The agency's line at the top ("Intestazione della stampa"); none when empty.
    QString heading;
    RenewalRange range;
    bool includesExpired = false;
    // When the report was asked for, shown under the range.
    Instant madeAt;
    // The zone every date is shown in, and whose weeks group the rows.
    QTimeZone zone;
    // By expiry, earliest first.
    std::vector<RenewalRow> rows;
};
