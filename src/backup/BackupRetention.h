#pragma once

#include "platform/Instant.h"

#include <QStringList>
#include <QTimeZone>

// Which backups to keep: the newest of each of the last 7 days (today and the six before), of
// each of the last 5 weeks (this week, from Monday, and the four before) and of each of the
// last 12 months (this month and the eleven before), days, weeks and months read on the local
// calendar. A backup dated after now (the clock was set back) is kept; a name that is not a
// backup's is never touched.
namespace BackupRetention {

inline constexpr int kDays = 7;
inline constexpr int kWeeks = 5;
inline constexpr int kMonths = 12;

// The names among `names` that the retention removes at `now`.
QStringList beyondRetention(const QStringList& names, Instant now, const QTimeZone& zone);

} // namespace BackupRetention
