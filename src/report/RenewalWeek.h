#pragma once

#include "report/RenewalRow.h"

#include <QDate>
#include <QString>
#include <QTimeZone>

#include <vector>

// One ISO week of a renewal report (Monday to Sunday) and the policies expiring in it.
struct RenewalWeek {
    QDate monday;
    std::vector<RenewalRow> rows;

    QDate sunday() const { return monday.addDays(6); }
    // "Settimana dal 7 dic al 13 dic 2026"; the first day's year too when the week spans two.
    QString heading() const;

    // The rows, already by expiry, cut into the weeks of `zone` in which they expire; a week
    // without policies has no entry.
    static std::vector<RenewalWeek> group(const std::vector<RenewalRow>& rows,
                                          const QTimeZone& zone);
};
