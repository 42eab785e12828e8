#include "backup/BackupFileName.h"

#include "model/CalendarMath.h"
#include "model/PersistenceController.h"

#include <QRegularExpression>

namespace {

// A partial copy is hidden: ".<name>.partial".
constexpr char16_t kPartialPrefix = u'.';
constexpr QLatin1StringView kPartialSuffix(".partial");

QString base() {
    return QString::fromLatin1(PersistenceController::kContainerName);
}

QString stamp(Instant instant, const QTimeZone& zone) {
    const CalendarMath::LocalDateTime local = CalendarMath::toLocal(instant, zone);
    return QDateTime(local.date, QTime::fromMSecsSinceStartOfDay(int(local.msOfDay)), Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
}

} // namespace

namespace BackupFileName {

QString at(Instant instant, const QTimeZone& zone) {
    return base() + u'-' + stamp(instant, zone) + QLatin1StringView(kSuffix);
}

QString damagedAt(Instant instant, const QTimeZone& zone) {
    return base() + QStringLiteral("-damaged-") + stamp(instant, zone) + QLatin1StringView(kSuffix);
}

std::optional<QDateTime> localTimeOf(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("^%1-([0-9]{4}-[0-9]{2}-[0-9]{2})-([0-9]{6})\\.sqlite$").arg(base()));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    // Read apart from any zone: a wall time the machine's own zone skips is still a name.
    const QDate date = QDate::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(match.captured(2), QStringLiteral("HHmmss"));
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, Qt::UTC);
}

std::optional<Instant> instantOf(const QString& name, const QTimeZone& zone) {
    const std::optional<QDateTime> local = localTimeOf(name);
    if (!local) {
        return std::nullopt;
    }
    return CalendarMath::fromLocal(local->date(), local->time().msecsSinceStartOfDay(), zone,
                                   CalendarMath::Gap::FirstInstantAfter);
}

QString partial(const QString& name) {
    return kPartialPrefix + name + kPartialSuffix;
}

bool isPartial(const QString& name) {
    return name.startsWith(kPartialPrefix + base()) && name.endsWith(kPartialSuffix);
}

} // namespace BackupFileName
