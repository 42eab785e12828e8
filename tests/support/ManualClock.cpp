#include "support/ManualClock.h"

namespace {
qint64 minuteOf(Instant instant) {
    const qint64 ms = instant.msSinceEpoch();
    return ms >= 0 ? ms / 60000 : (ms - 59999) / 60000;
}

QDate localDate(Instant instant, const QTimeZone& zone) {
    return instant.toUtcDateTime().toTimeZone(zone).date();
}
} // namespace

ManualClock::ManualClock(Instant now, QTimeZone zone, QLocale locale, QObject* parent)
    : Clock(parent)
    , m_now(now)
    , m_zone(std::move(zone))
    , m_locale(std::move(locale)) {}

void ManualClock::advanceTo(Instant later) {
    moveTo(later, false);
}

void ManualClock::jumpTo(Instant instant) {
    moveTo(instant, true);
}

void ManualClock::moveTo(Instant instant, bool jumped) {
    const Instant before = m_now;
    m_now = instant;
    if (jumped) {
        Q_EMIT wallClockJumped();
    }
    if (minuteOf(before) != minuteOf(instant)) {
        Q_EMIT minuteChanged();
    }
    if (localDate(before, m_zone) != localDate(instant, m_zone)) {
        Q_EMIT dayChanged();
    }
}

void ManualClock::setTimeZone(const QTimeZone& zone) {
    const QDate before = localDate(m_now, m_zone);
    m_zone = zone;
    Q_EMIT timeZoneChanged();
    if (localDate(m_now, m_zone) != before) {
        Q_EMIT dayChanged();
    }
}
