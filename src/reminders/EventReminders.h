#pragma once

#include "platform/Instant.h"
#include "reminders/Reminder.h"

#include <QLocale>
#include <QString>
#include <QTimeZone>
#include <QUuid>

#include <optional>
#include <vector>

class Event;
class RepeatRuleLog;

// What an event's reminders are made from, read on the program's thread as stored, so that
// they can be worked out on any thread.
struct EventReminderSource {
    QUuid id;
    QString title;
    Instant start;
    Instant end;
    bool allDay = false;
    std::optional<QString> location;
    std::optional<QString> rule;
    qint32 minutes = 0;

    static EventReminderSource of(const Event& event);
    QString idText() const;
};

// An event's reminders: one per occurrence, "event-<id>-<the occurrence's start in UTC,
// yyyyMMddTHHmm>", its minutes before that start, titled with the event's title and telling
// its time range and place. A repeating event has those of the occurrences starting within
// the next RecurrenceExpansion::kWindowDays days; a single one its own, whenever it is.
namespace EventReminders {

inline constexpr QLatin1StringView kPrefix("event-");
inline constexpr qsizetype kIdTextLength = 36;
// "yyyyMMddTHHmm"
inline constexpr qsizetype kStartTextLength = 13;

// The event's id in a request identifier of this kind; empty for any other identifier.
QString eventIdOf(const QString& identifier);
QString identifier(const QString& idText, Instant occurrenceStart);
// The occurrence's start in an identifier of this kind; nothing for any other identifier.
std::optional<Instant> occurrenceStartOf(const QString& identifier);
// "08/12/26, 09:00 – 10:00 · Via Roma 1": the occurrence's date and times in the locale's short
// forms (an all-day one its dates), then its place if it has one.
QString body(const EventReminderSource& event, Instant occurrenceStart, const QTimeZone& zone,
             const QLocale& locale);

// Every reminder of the occurrences from `now` on, begun or not; a rule that cannot be read is
// said on `log` and the event reminds once.
std::vector<Reminder> all(const EventReminderSource& event, const QTimeZone& zone,
                          const QLocale& locale, Instant now, RepeatRuleLog& log);
// Those whose minute has not begun: what saving the event schedules.
std::vector<Reminder> toCome(const EventReminderSource& event, const QTimeZone& zone,
                             const QLocale& locale, Instant now, RepeatRuleLog& log);

} // namespace EventReminders
