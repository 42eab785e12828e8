#include "report/RenewalRange.h"

#include "model/CalendarMath.h"

#include <QLocale>

RenewalRange::RenewalRange(QDate first, QDate last)
    : m_first(first)
    , m_last(last) {}

RenewalRange RenewalRange::nextDays(QDate today, int days) {
    return {today, today.addDays(days - 1)};
}

RenewalRange RenewalRange::thisMonth(QDate today) {
    const QDate first(today.year(), today.month(), 1);
    return {first, first.addMonths(1).addDays(-1)};
}

RenewalRange RenewalRange::nextMonth(QDate today) {
    const QDate first = QDate(today.year(), today.month(), 1).addMonths(1);
    return {first, first.addMonths(1).addDays(-1)};
}

RenewalRange RenewalRange::of(Preset preset, QDate today) {
    switch (preset) {
    case Preset::Next30Days:
        return nextDays(today, 30);
    case Preset::Next60Days:
        return nextDays(today, 60);
    case Preset::Next90Days:
        return nextDays(today, 90);
    case Preset::ThisMonth:
        return thisMonth(today);
    case Preset::NextMonth:
        return nextMonth(today);
    }
    return {};
}

std::optional<RenewalRange::Span> RenewalRange::span(const QTimeZone& zone) const {
    if (!isValid()) {
        return std::nullopt;
    }
    // A midnight the zone skips starts the day at the first instant after the gap.
    const std::optional<Instant> from =
        CalendarMath::fromLocal(m_first, 0, zone, CalendarMath::Gap::FirstInstantAfter);
    const std::optional<Instant> until =
        CalendarMath::fromLocal(m_last.addDays(1), 0, zone, CalendarMath::Gap::FirstInstantAfter);
    if (!from || !until) {
        return std::nullopt;
    }
    return Span{*from, *until};
}

QString RenewalRange::text() const {
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    const QString format = QStringLiteral("d MMM yyyy");
    return QStringLiteral("dal %1 al %2")
        .arg(italian.toString(m_first, format), italian.toString(m_last, format));
}
