#pragma once

#include <QDate>
#include <QString>
#include <QTimeZone>

#include <optional>

// How an event repeats, as the editor offers it, and the RFC 5545 RRULE text an event stores
// for it. A stored text this program did not write reads as Custom and is kept as it stands;
// its occurrences are worked out by RecurrenceExpansion all the same.
struct RecurrenceRule {
    enum class Repeat { Never, Daily, Weekly, EveryTwoWeeks, Monthly, Yearly, Custom };
    enum class End { Never, OnDate, AfterCount };

    Repeat repeat = Repeat::Never;
    End end = End::Never;
    // The last local date that may hold an occurrence (End::OnDate).
    QDate until;
    // How many occurrences in all, the event's own first one included (End::AfterCount).
    int count = 0;

    bool operator==(const RecurrenceRule&) const = default;

    static RecurrenceRule every(Repeat repeat) {
        RecurrenceRule rule;
        rule.repeat = repeat;
        return rule;
    }
    RecurrenceRule endingOn(QDate date) const {
        RecurrenceRule rule = *this;
        rule.end = End::OnDate;
        rule.until = date;
        return rule;
    }
    RecurrenceRule endingAfter(int times) const {
        RecurrenceRule rule = *this;
        rule.end = End::AfterCount;
        rule.count = times;
        return rule;
    }

    // The text to store: nothing for Never. An all-day event's "until" is a DATE; a timed
    // event's is the UTC instant at which the date ends in `zone`, as RFC 5545 asks of a rule
    // whose start has a time. Custom has no text of its own: see textToStore().
    std::optional<QString> text(bool allDay, const QTimeZone& zone) const;

    // The stored text read back: nothing or blank is Never; the texts text() writes are their
    // rule; anything else is Custom.
    static RecurrenceRule read(const std::optional<QString>& stored, const QTimeZone& zone);

    // What an event keeps after its editor chose `chosen`: the stored text itself while the
    // choice is what that text reads as (a foreign rule stays byte for byte), else the
    // choice's own text.
    static std::optional<QString> textToStore(const RecurrenceRule& chosen,
                                              const std::optional<QString>& stored, bool allDay,
                                              const QTimeZone& zone);
};
