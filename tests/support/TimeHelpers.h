#pragma once

#include "platform/Instant.h"

#include <QDateTime>
#include <QTimeZone>

// Instants written as people read them in tests.
namespace TimeHelpers {

// An ISO 8601 instant with its offset or "Z": "2026-03-29T01:30:00Z".
inline Instant utc(const char* iso) {
    const QDateTime dateTime = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs);
    Q_ASSERT(dateTime.isValid());
    return Instant::fromDateTime(dateTime);
}

// The offset in force in a zone at an instant, in minutes, to check a wall-clock reading.
inline int offsetMinutes(Instant instant, const QTimeZone& zone) {
    return zone.offsetFromUtc(instant.toUtcDateTime()) / 60;
}

// The wall-clock reading of an instant in a zone, as "2026-03-29 03:30".
inline QString wall(Instant instant, const QTimeZone& zone) {
    return instant.toUtcDateTime().toTimeZone(zone).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

inline constexpr qint64 kHourMs = 3'600'000;
inline constexpr qint64 kDayMs = 86'400'000;

} // namespace TimeHelpers
