#pragma once

#include "platform/Instant.h"

#include <QDate>
#include <QTimeZone>

#include <optional>

// When the program backs up by itself: at start-up when the newest backup is 24 hours old or
// more (or there is none, or it is dated after now, the clock having been set back), and after
// the first save of each new local day.
namespace BackupSchedule {

inline constexpr qint64 kStartUpAgeMs = 24 * 3'600'000LL;

bool dueAtStartUp(std::optional<Instant> newestBackup, Instant now);

// After a save: due when no backup is dated today and none was tried today, so that a backup
// that fails is tried again the next day (or by hand), not at every save.
bool dueAfterSave(std::optional<QDate> newestBackupDay, std::optional<QDate> lastTriedDay,
                  Instant now, const QTimeZone& zone);

} // namespace BackupSchedule
