#pragma once

#include "model/EventRules.h"
#include "model/RecurrenceRule.h"

#include <QDate>
#include <QString>
#include <QTimeZone>

#include <memory>
#include <optional>

class Category;
class Event;
class ManagedObjectContext;

// An event's values as its editor holds them while the user types: plain values, so that
// cancelling leaves the store untouched. An all-day draft holds the local midnights bounding
// its days, as the event stores them; the zone is the user's when the editor opened.
struct EventDraft {
    QString title;
    EventRules::Times times;
    bool allDay = false;
    QString location;
    QString notes;
    std::shared_ptr<Category> category;
    qint32 reminderMinutes = EventRules::kNoReminder;
    RecurrenceRule repeat;
    // The rule the event had: kept byte for byte while `repeat` is what it reads as.
    std::optional<QString> storedRule;
    QTimeZone zone;

    // A new event from the next whole hour, one hour long, with the "Default Reminder"
    // preference. Opened on a day other than today (a past one too) it starts at 09:00 that
    // day.
    static EventDraft fresh(Instant now, const QTimeZone& zone, int defaultReminderMinutes,
                            std::optional<QDate> day = std::nullopt);
    // The event's values, read once.
    static EventDraft of(const Event& event, const QTimeZone& zone);

    bool operator==(const EventDraft&) const = default;

    // Why "Salva Evento" is off: a title is needed (blanks count, nothing is trimmed) and the
    // end may not come before the start. Empty when the draft may be saved.
    QString whyNotSavable() const;
    bool canSave() const { return whyNotSavable().isEmpty(); }

    // The local dates the event covers, first to last.
    EventRules::Days days() const { return EventRules::days(times, zone); }
    // A new start; the end follows it, keeping the length (an all-day event its days).
    void moveStart(Instant start);
    // A new end; an all-day event's last day.
    void setEnd(Instant end);
    void setLastDay(QDate last);
    // Ticked, the event covers its days from midnight to midnight; unticked, it starts on its
    // first day at the time it had before it was ticked (09:00 when it was opened all-day)
    // and lasts as long as it did then (an hour).
    void setAllDay(bool on);

    // Writes every value into the event.
    void writeInto(Event& event) const;
    // Writes into `event`, or into a new event when it is null, and saves the context. The
    // saved event, or null with `error` set (the context rolled back to its last save).
    std::shared_ptr<Event> save(ManagedObjectContext& context, std::shared_ptr<Event> event,
                                QString* error) const;

private:
    // The timed event's time of day and length, for when all-day is unticked.
    qint64 m_timedMsOfDay = 9 * qint64(3'600'000);
    qint64 m_timedLength = 3'600'000;
};
