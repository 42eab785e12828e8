#pragma once

#include <QDateTime>
#include <QtGlobal>

#include <compare>

// A point in time, independent of any time zone: milliseconds since 1970-01-01T00:00:00Z.
// The store keeps instants in exactly this form, so no conversion happens between the two.
class Instant final {
public:
    constexpr Instant() = default;
    constexpr explicit Instant(qint64 msSinceEpoch)
        : m_ms(msSinceEpoch) {}

    constexpr qint64 msSinceEpoch() const { return m_ms; }

    static Instant fromDateTime(const QDateTime& dateTime) {
        return Instant(dateTime.toMSecsSinceEpoch());
    }
    QDateTime toUtcDateTime() const { return QDateTime::fromMSecsSinceEpoch(m_ms, Qt::UTC); }

    // The span the program's calendar works in: years 1 to 9999 in UTC. A computation whose
    // result falls outside it has no date, and callers take their documented fallback.
    static constexpr qint64 kMinMs = -62135596800000; // 0001-01-01T00:00:00.000Z
    static constexpr qint64 kMaxMs = 253402300799999; // 9999-12-31T23:59:59.999Z
    constexpr bool isInCalendarRange() const { return m_ms >= kMinMs && m_ms <= kMaxMs; }

    // NOLINTNEXTLINE(modernize-use-nullptr): the defaulted comparison's own literal 0.
    constexpr auto operator<=>(const Instant&) const = default;

private:
    qint64 m_ms = 0;
};
