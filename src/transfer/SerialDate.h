#pragma once

#include "transfer/Table.h"

#include <QDate>
#include <QString>

#include <optional>

// Spreadsheet serial dates: whole days since the system's start, the fraction being the time
// of day. In the 1900 system day 1 is 1 January 1900 and day 60 is 29 February 1900, a day
// that never was (kept by Excel from an old mistake), so every later serial is one more than
// the days since 31 December 1899; in the 1904 system day 0 is 1 January 1904.
namespace SerialDate {

struct LocalDateTime {
    QDate date;
    qint64 msOfDay = 0;
    // The serial had a time of day; a reader that knows the cell shows times sets it for
    // midnight too.
    bool hasTime = false;
};

// No value for serials that name no day: below the first, the phantom 29 February 1900, after
// 31 December 9999, or not a number.
std::optional<LocalDateTime> toLocal(double serial, DateSystem system);

// The serial of a day and time (for the phantom day's neighbours as Excel counts them).
double fromLocal(QDate date, qint64 msOfDay, DateSystem system);

// ISO text: "2027-03-03", or with the time "2027-03-03T10:30:00" (".250" when the
// milliseconds are not zero).
QString isoText(const LocalDateTime& value);

} // namespace SerialDate
