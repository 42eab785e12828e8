#include "agenda/EventDraft.h"

#include "model/CalendarMath.h"
#include "model/DraftSave.h"
#include "model/Event.h"

#include <algorithm>

namespace {

constexpr qint64 kMsPerHour = 3'600'000;
constexpr qint64 kMorningMs = 9 * kMsPerHour;

std::optional<QString> presentUnlessEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

EventDraft EventDraft::fresh(Instant now, const QTimeZone& zone, int defaultReminderMinutes,
                             std::optional<QDate> day) {
    const EventRules::NewEvent made = EventRules::newEvent(now, zone, defaultReminderMinutes);
    EventDraft draft;
    draft.zone = zone;
    draft.times = made.times;
    draft.reminderMinutes = made.reminderMinutes;
    const QDate today = CalendarMath::toLocal(now, zone).date;
    if (day && day->isValid() && *day != today) {
        const std::optional<Instant> start =
            CalendarMath::fromLocal(*day, kMorningMs, zone, CalendarMath::Gap::FirstInstantAfter);
        if (start) {
            draft.times = {*start, Instant(start->msSinceEpoch() + kMsPerHour)};
        }
    }
    draft.m_timedMsOfDay = CalendarMath::toLocal(draft.times.start, zone).msOfDay;
    return draft;
}

EventDraft EventDraft::of(const Event& event, const QTimeZone& zone) {
    EventDraft draft;
    draft.zone = zone;
    draft.title = event.title();
    draft.times = {event.startDate(), event.endDate()};
    draft.allDay = event.isAllDay();
    draft.location = event.location().value_or(QString());
    draft.notes = event.notes().value_or(QString());
    draft.category = event.category();
    draft.reminderMinutes = event.reminderMinutes();
    draft.storedRule = event.recurrenceRule();
    draft.repeat = RecurrenceRule::read(draft.storedRule, zone);
    if (!draft.allDay) {
        draft.m_timedMsOfDay = CalendarMath::toLocal(draft.times.start, zone).msOfDay;
        draft.m_timedLength =
            std::max<qint64>(0, draft.times.end.msSinceEpoch() - draft.times.start.msSinceEpoch());
    }
    return draft;
}

QString EventDraft::whyNotSavable() const {
    if (title.isEmpty()) {
        return QStringLiteral("Inserisci un titolo per l'evento");
    }
    if (!EventRules::endIsNotBeforeStart(times)) {
        return QStringLiteral("La fine è prima dell'inizio");
    }
    return QString();
}

void EventDraft::moveStart(Instant start) {
    times = {start, EventRules::endFollowingStart(times, start, allDay, zone)};
}

void EventDraft::setEnd(Instant end) {
    times.end = end;
}

void EventDraft::setLastDay(QDate last) {
    // Before the first day the end is before the start, which the save refuses and says so.
    const QDate first = days().first;
    if (last < first) {
        const std::optional<Instant> midnight =
            CalendarMath::fromLocal(last, 0, zone, CalendarMath::Gap::FirstInstantAfter);
        times.end = midnight.value_or(times.end);
        return;
    }
    times = EventRules::allDayBounds({first, last}, zone);
}

void EventDraft::setAllDay(bool on) {
    if (on == allDay) {
        return;
    }
    if (on) {
        m_timedMsOfDay = CalendarMath::toLocal(times.start, zone).msOfDay;
        m_timedLength = std::max<qint64>(0, times.end.msSinceEpoch() - times.start.msSinceEpoch());
        times = EventRules::allDayBounds(days(), zone);
    } else {
        const QDate first = days().first;
        const std::optional<Instant> start = CalendarMath::fromLocal(
            first, m_timedMsOfDay, zone, CalendarMath::Gap::FirstInstantAfter);
        if (start) {
            times = {*start, Instant(start->msSinceEpoch() + m_timedLength)};
        }
    }
    allDay = on;
}

void EventDraft::writeInto(Event& event) const {
    event.setTitle(title);
    event.setStartDate(times.start);
    event.setEndDate(times.end);
    event.setIsAllDay(allDay);
    event.setLocation(presentUnlessEmpty(location));
    event.setNotes(presentUnlessEmpty(notes));
    event.setCategory(category);
    event.setReminderMinutes(reminderMinutes);
    event.setRecurrenceRule(RecurrenceRule::textToStore(repeat, storedRule, allDay, zone));
}

std::shared_ptr<Event> EventDraft::save(ManagedObjectContext& context, std::shared_ptr<Event> event,
                                        QString* error) const {
    return saveDraft(*this, context, std::move(event), error);
}
