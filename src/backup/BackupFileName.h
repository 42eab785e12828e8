#pragma once

#include "platform/Instant.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <optional>

// The names of backups: "QuintaverModel-2026-03-10-103000.sqlite", the local date and time at
// which each was written, so that the names sort by age and read as the user's own clock.
namespace BackupFileName {

inline constexpr const char* kSuffix = ".sqlite";

// The name of a backup written at the instant, read in the zone.
QString at(Instant instant, const QTimeZone& zone);
// The name a damaged store is moved aside to: "QuintaverModel-damaged-2026-03-10-103000.sqlite".
QString damagedAt(Instant instant, const QTimeZone& zone);
// The local date and time a backup's name holds (as a reading in UTC, apart from any
// zone); nothing for any other name.
std::optional<QDateTime> localTimeOf(const QString& name);
// The instant a backup's name holds, read in the zone (the first of an hour the autumn change
// repeats); nothing for any other name.
std::optional<Instant> instantOf(const QString& name, const QTimeZone& zone);
// The name under which a backup is written before it is checked: hidden, and never a backup's.
QString partial(const QString& name);
bool isPartial(const QString& name);

} // namespace BackupFileName
