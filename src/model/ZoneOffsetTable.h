#pragma once

#include <QTimeZone>

#include <optional>
#include <utility>
#include <vector>

// A time zone's offsets from UTC, kept once found: QTimeZone works each offset out afresh,
// which was the greater part of planning a hundred thousand reminders. From 1900 to 2200 the
// time is cut into spans of 365 days; the first lookup in a span reads the zone's offset at
// each of its days and finds the millisecond of each change, and later ones only search what
// was found. Outside those years the zone itself is asked. (The zone's own list of transitions
// is not used: Qt leaves out those of 2038.)
class ZoneOffsetTable final {
public:
    explicit ZoneOffsetTable(const QTimeZone& zone);

    const QTimeZone& zone() const { return m_zone; }
    // The offset in milliseconds in force at the instant, as the zone gives it; two changes
    // less than a day apart would be missed, and no zone has any.
    qint64 offsetMsAt(qint64 utcMs) const;

    // The table of `zone` on the calling thread, made on first use; the last few zones are kept.
    static const ZoneOffsetTable& of(const QTimeZone& zone);

private:
    // Where each offset starts within one span, ascending, the first at the span's start.
    using Span = std::vector<std::pair<qint64, qint64>>;
    const Span& span(size_t index) const;
    qint64 askZone(qint64 utcMs) const;

    QTimeZone m_zone;
    mutable std::vector<std::optional<Span>> m_spans;
};
