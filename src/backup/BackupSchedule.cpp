#include "backup/BackupSchedule.h"

#include "model/CalendarMath.h"

namespace BackupSchedule {

bool dueAtStartUp(std::optional<Instant> newestBackup, Instant now) {
    return !newestBackup || *newestBackup > now ||
           now.msSinceEpoch() - newestBackup->msSinceEpoch() >= kStartUpAgeMs;
}

bool dueAfterSave(std::optional<QDate> newestBackupDay, std::optional<QDate> lastTriedDay,
                  Instant now, const QTimeZone& zone) {
    const QDate today = CalendarMath::toLocal(now, zone).date;
    return newestBackupDay != today && lastTriedDay != today;
}

} // namespace BackupSchedule
