#include "backup/BackupRetention.h"

#include "backup/BackupFileName.h"
#include "model/CalendarMath.h"

#include <QSet>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace {

QDate mondayOf(QDate date) {
    return date.addDays(1 - date.dayOfWeek());
}

int monthNumber(QDate date) {
    return date.year() * 12 + date.month() - 1;
}

} // namespace

namespace BackupRetention {

QStringList beyondRetention(const QStringList& names, Instant now, const QTimeZone& zone) {
    const CalendarMath::LocalDateTime local = CalendarMath::toLocal(now, zone);
    const QDateTime localNow(local.date, QTime::fromMSecsSinceStartOfDay(int(local.msOfDay)),
                             Qt::UTC);
    const QDate today = local.date;

    std::vector<std::pair<QDateTime, QString>> backups;
    for (const QString& name : names) {
        if (const std::optional<QDateTime> when = BackupFileName::localTimeOf(name)) {
            backups.emplace_back(*when, name);
        }
    }
    // Newest first: the first seen of each day, week and month is the one kept.
    std::sort(backups.begin(), backups.end(), std::greater<>());

    QSet<qint64> days;
    QSet<qint64> weeks;
    QSet<int> months;
    QStringList removed;
    for (const auto& [when, name] : backups) {
        // Kept, and taking no day, week or month from the backups written since.
        if (when > localNow) {
            continue;
        }
        const QDate date = when.date();
        bool keep = false;
        if (date > today.addDays(-kDays) && date <= today) {
            keep = !days.contains(date.toJulianDay()) || keep;
            days.insert(date.toJulianDay());
        }
        const QDate monday = mondayOf(date);
        if (monday > mondayOf(today).addDays(-7 * qint64(kWeeks)) && monday <= today) {
            keep = !weeks.contains(monday.toJulianDay()) || keep;
            weeks.insert(monday.toJulianDay());
        }
        const int month = monthNumber(date);
        if (month > monthNumber(today) - kMonths && month <= monthNumber(today)) {
            keep = !months.contains(month) || keep;
            months.insert(month);
        }
        if (!keep) {
            removed.append(name);
        }
    }
    return removed;
}

} // namespace BackupRetention
