#pragma once

#include "platform/Instant.h"

#include <QDate>
#include <QTimeZone>

#include <optional>

// The days a renewal report covers, first and last included, as local dates of the user's
// zone. Every range the report offers is made here from today's date.
class RenewalRange final {
public:
    enum class Preset { Next30Days, Next60Days, Next90Days, ThisMonth, NextMonth };

    RenewalRange() = default;
    // From `first` to `last`; invalid (isValid() false) when either is not a date or `last`
    // comes before `first`.
    RenewalRange(QDate first, QDate last);

    // The next `days` days with today the first of them.
    static RenewalRange nextDays(QDate today, int days);
    // The calendar month of today, or the one after it.
    static RenewalRange thisMonth(QDate today);
    static RenewalRange nextMonth(QDate today);
    static RenewalRange of(Preset preset, QDate today);

    bool isValid() const { return m_first.isValid() && m_last.isValid() && m_first <= m_last; }
    QDate first() const { return m_first; }
    QDate last() const { return m_last; }

    // The instants it spans in `zone`: from the first day's midnight up to, not including,
    // the midnight after the last day. No value for an invalid range or one beyond the
    // calendar.
    struct Span {
        Instant from;
        Instant until;
    };
    std::optional<Span> span(const QTimeZone& zone) const;

    // "dal 7 dic 2026 al 13 gen 2027", in Italian.
    QString text() const;

private:
    QDate m_first;
    QDate m_last;
};
