#include "model/ZoneOffsetTable.h"

#include "model/CalendarMath.h"

#include <algorithm>
#include <memory>

namespace {

using CalendarMath::kMsPerDay;
constexpr qint64 kSpanMs = 365 * kMsPerDay;
// 1900-01-01T00:00Z, and 300 spans after it (to 2199).
constexpr qint64 kFromMs = -2'208'988'800'000;
constexpr size_t kSpans = 300;
// Zones kept per thread: the user's, and a test's or a change's few others.
constexpr size_t kKeptZones = 4;

} // namespace

ZoneOffsetTable::ZoneOffsetTable(const QTimeZone& zone)
    : m_zone(zone)
    , m_spans(kSpans) {}

qint64 ZoneOffsetTable::askZone(qint64 utcMs) const {
    return qint64(m_zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC))) * 1000;
}

const ZoneOffsetTable::Span& ZoneOffsetTable::span(size_t index) const {
    std::optional<Span>& kept = m_spans[index];
    if (kept) {
        return *kept;
    }
    Span found;
    const qint64 start = kFromMs + qint64(index) * kSpanMs;
    qint64 before = askZone(start);
    found.emplace_back(start, before);
    for (qint64 day = start + kMsPerDay; day <= start + kSpanMs; day += kMsPerDay) {
        const qint64 now = askZone(day);
        if (now == before) {
            continue;
        }
        // The first millisecond with the new offset.
        qint64 low = day - kMsPerDay;
        qint64 high = day;
        while (high - low > 1) {
            const qint64 middle = low + (high - low) / 2;
            (askZone(middle) == before ? low : high) = middle;
        }
        if (high < start + kSpanMs) {
            found.emplace_back(high, now);
        }
        before = now;
    }
    kept = std::move(found);
    return *kept;
}

qint64 ZoneOffsetTable::offsetMsAt(qint64 utcMs) const {
    if (utcMs < kFromMs || utcMs >= kFromMs + qint64(kSpans) * kSpanMs) {
        return askZone(utcMs);
    }
    const Span& offsets = span(size_t((utcMs - kFromMs) / kSpanMs));
    const auto after = std::upper_bound(
        offsets.begin(), offsets.end(), utcMs,
        [](qint64 at, const std::pair<qint64, qint64>& change) { return at < change.first; });
    return std::prev(after)->second;
}

const ZoneOffsetTable& ZoneOffsetTable::of(const QTimeZone& zone) {
    thread_local std::vector<std::unique_ptr<ZoneOffsetTable>> kept;
    const auto found = std::find_if(kept.begin(), kept.end(),
                                    [&zone](const auto& table) { return table->zone() == zone; });
    if (found != kept.end()) {
        return **found;
    }
    if (kept.size() == kKeptZones) {
        kept.erase(kept.begin());
    }
    kept.push_back(std::make_unique<ZoneOffsetTable>(zone));
    return *kept.back();
}
