#include "agenda/AgendaData.h"

#include "model/CalendarMath.h"
#include "model/Event.h"
#include "model/EventRules.h"
#include "model/RecurrenceExpansion.h"
#include "model/Task.h"
#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "store/AnyChangeListener.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"

#include <QTimer>

#include <algorithm>
#include <tuple>

namespace {

Instant midnightOf(QDate day, const QTimeZone& zone) {
    return CalendarMath::fromLocal(day, 0, zone, CalendarMath::Gap::FirstInstantAfter)
        .value_or(Instant());
}

std::unique_ptr<LiveFetchResults> eventFetch(ManagedObjectContext& context, const QString& format,
                                             const std::vector<Value>& arguments) {
    FetchRequest<Event> request = Event::fetchRequest();
    request.setPredicate(Predicate::format(format, arguments));
    request.setSortDescriptors({SortDescriptor{QStringLiteral("startDate"), true}});
    auto results = std::make_unique<LiveFetchResults>(context, request);
    results->performFetch();
    return results;
}

bool comesFirst(const AgendaOccurrence& a, const AgendaOccurrence& b) {
    if (a.event->isAllDay() != b.event->isAllDay()) {
        return a.event->isAllDay();
    }
    return a.start < b.start;
}

// A repeating event as the worker reads it: plain values only.
struct RepeatSource {
    std::optional<QString> rule;
    Instant start;
    Instant end;
    bool allDay = false;
};

// The source's index, the occurrence's start and end.
using FoundOccurrence = std::tuple<size_t, Instant, Instant>;

// The occurrences of every source that touch [from, to), on any thread.
std::vector<FoundOccurrence> expandAll(const std::vector<RepeatSource>& sources,
                                       const QTimeZone& zone, Instant from, Instant to) {
    std::vector<FoundOccurrence> found;
    for (size_t i = 0; i < sources.size(); ++i) {
        const RepeatSource& source = sources[i];
        if (source.start >= to) {
            continue;
        }
        const qint64 length =
            std::max<qint64>(0, source.end.msSinceEpoch() - source.start.msSinceEpoch());
        // An occurrence that began before the range may still run into it.
        const auto occurrences =
            RecurrenceExpansion::occurrences(source.rule, source.start, source.allDay, zone,
                                             Instant(from.msSinceEpoch() - length), to);
        const EventRules::Days days = EventRules::days({source.start, source.end}, zone);
        for (const Instant start : occurrences.starts) {
            Instant end(start.msSinceEpoch() + length);
            if (source.allDay) {
                // Whole days on the wall clock, whatever a daylight-saving change does.
                const QDate first = CalendarMath::toLocal(start, zone).date;
                end = EventRules::allDayBounds({first, first.addDays(days.first.daysTo(days.last))},
                                               zone)
                          .end;
            }
            found.emplace_back(i, start, end);
        }
    }
    return found;
}

} // namespace

// One month's repeats, with the events they belong to as they were handed to the worker.
struct AgendaData::Repeats {
    quint64 generation = 0;
    std::vector<std::shared_ptr<Event>> events;
    std::vector<FoundOccurrence> found;
};

AgendaData::AgendaData(ManagedObjectContext& context, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_context(context)
    , m_clock(clock)
    , m_zone(clock.timeZone()) {
    makeTaskFetch();
    makeRepeatingFetch();
    setMonth(dayOf(clock.now()));
    // Done tasks leave at the end of their day.
    connect(&clock, &Clock::dayChanged, this, [this] {
        makeTaskFetch();
        scheduleRebuild();
    });
    // A new zone moves every day's bounds.
    connect(&clock, &Clock::timeZoneChanged, this, [this] {
        m_zone = m_clock.timeZone();
        ++m_generation;
        m_repeats.clear();
        const QDate shown = m_month;
        m_month = QDate();
        setMonth(shown);
        makeTaskFetch();
    });
}

AgendaData::~AgendaData() {
    for (auto* results : {m_singleEvents.get(), m_tasks.get()}) {
        if (results) {
            results->removeListener(this);
        }
    }
    m_repeatingEvents->removeListener(m_repeatingListener.get());
}

QDate AgendaData::dayOf(Instant instant) const {
    return CalendarMath::toLocal(instant, m_zone).date;
}

std::vector<Instant> AgendaData::midnightsOf(QDate month) const {
    const int back = (month.dayOfWeek() - int(m_clock.locale().firstDayOfWeek()) + 7) % 7;
    const QDate start = month.addDays(-back);
    std::vector<Instant> midnights;
    midnights.reserve(kGridDays + 1);
    for (int day = 0; day <= kGridDays; ++day) {
        midnights.push_back(midnightOf(start.addDays(day), m_zone));
    }
    return midnights;
}

void AgendaData::setMonth(QDate day) {
    const QDate first(day.year(), day.month(), 1);
    if (first == m_month) {
        return;
    }
    m_month = first;
    const int back = (first.dayOfWeek() - int(m_clock.locale().firstDayOfWeek()) + 7) % 7;
    m_gridStart = first.addDays(-back);
    m_midnights = midnightsOf(first);
    m_rangeStart = m_midnights.front();
    m_rangeEnd = m_midnights.back();
    // Only the months around the one shown are kept.
    std::erase_if(m_repeats,
                  [first](const auto& kept) { return std::abs(first.daysTo(kept.first)) > 62; });
    makeMonthFetches();
    rebuildDays();
}

bool AgendaData::isInGrid(QDate day) const {
    const qint64 offset = m_gridStart.daysTo(day);
    return offset >= 0 && offset < kGridDays;
}

const std::vector<AgendaOccurrence>& AgendaData::occurrencesOn(QDate day) const {
    static const std::vector<AgendaOccurrence> kNone;
    return isInGrid(day) ? m_days[size_t(m_gridStart.daysTo(day))] : kNone;
}

void AgendaData::makeMonthFetches() {
    if (m_singleEvents) {
        m_singleEvents->removeListener(this);
    }
    // An event touches the range when it starts before its end and ends after its start; one
    // without length counts when it starts inside.
    m_singleEvents = eventFetch(m_context,
                                QStringLiteral("recurrenceRule == nil AND startDate < %@ AND "
                                               "(endDate > %@ OR startDate >= %@)"),
                                {Value(m_rangeEnd), Value(m_rangeStart), Value(m_rangeStart)});
    m_singleEvents->addListener(this);
}

void AgendaData::makeRepeatingFetch() {
    m_repeatingEvents = eventFetch(m_context, QStringLiteral("recurrenceRule != nil"), {});
    m_repeatingListener = std::make_unique<AnyChangeListener>([this] {
        ++m_generation;
        changedRows();
    });
    m_repeatingEvents->addListener(m_repeatingListener.get());
}

void AgendaData::makeTaskFetch() {
    if (m_tasks) {
        m_tasks->removeListener(this);
    }
    FetchRequest<Task> request = Task::fetchRequest();
    if (!m_showCompleted) {
        const Instant today = midnightOf(dayOf(m_clock.now()), m_zone);
        request.setPredicate(Predicate::format(
            QStringLiteral("isCompleted == NO OR completedAt >= %@"), {Value(today)}));
    }
    request.setSortDescriptors({SortDescriptor{QStringLiteral("dueDate"), true}});
    m_tasks = std::make_unique<LiveFetchResults>(m_context, request);
    m_tasks->performFetch();
    m_tasks->addListener(this);
}

void AgendaData::setShowCompleted(bool show) {
    if (show == m_showCompleted) {
        return;
    }
    m_showCompleted = show;
    makeTaskFetch();
    Q_EMIT changed();
}

void AgendaData::changedRows() {
    scheduleRebuild();
}

void AgendaData::scheduleRebuild() {
    if (m_rebuildPending) {
        return;
    }
    m_rebuildPending = true;
    QTimer::singleShot(0, this, &AgendaData::flush);
}

void AgendaData::flush() {
    if (m_rebuildPending) {
        rebuildDays();
    }
}

bool AgendaData::isSettled() const {
    const auto shown = m_repeats.find(m_month);
    return !m_rebuildPending && shown != m_repeats.end() &&
           shown->second->generation == m_generation;
}

void AgendaData::rebuildDays() {
    m_rebuildPending = false;
    for (auto& day : m_days) {
        day.clear();
    }
    for (int row = 0; row < m_singleEvents->count(); ++row) {
        auto event = m_singleEvents->at<Event>(row);
        addOccurrence(event, event->startDate(), event->endDate());
    }
    addRepeats();
    for (auto& day : m_days) {
        std::stable_sort(day.begin(), day.end(), comesFirst);
    }
    Q_EMIT changed();
    expandRepeats(m_month);
    expandRepeats(m_month.addMonths(1));
    expandRepeats(m_month.addMonths(-1));
}

// The shown month's repeats as last worked out, until fresher ones come.
void AgendaData::addRepeats() {
    const auto shown = m_repeats.find(m_month);
    if (shown == m_repeats.end()) {
        return;
    }
    const Repeats& repeats = *shown->second;
    for (const auto& [source, start, end] : repeats.found) {
        const std::shared_ptr<Event>& event = repeats.events[source];
        if (!event->isDeleted()) {
            addOccurrence(event, start, end);
        }
    }
}

void AgendaData::expandRepeats(QDate month) {
    const auto kept = m_repeats.find(month);
    const auto running = m_expanding.find(month);
    if ((kept != m_repeats.end() && kept->second->generation == m_generation) ||
        (running != m_expanding.end() && running->second == m_generation)) {
        return;
    }
    m_expanding[month] = m_generation;
    auto repeats = std::make_shared<Repeats>();
    repeats->generation = m_generation;
    std::vector<RepeatSource> sources;
    for (int row = 0; row < m_repeatingEvents->count(); ++row) {
        auto event = m_repeatingEvents->at<Event>(row);
        sources.push_back(
            {event->recurrenceRule(), event->startDate(), event->endDate(), event->isAllDay()});
        repeats->events.push_back(std::move(event));
    }
    const int back = (month.dayOfWeek() - int(m_clock.locale().firstDayOfWeek()) + 7) % 7;
    const QDate gridStart = month.addDays(-back);
    const Instant from = midnightOf(gridStart, m_zone);
    const Instant to = midnightOf(gridStart.addDays(kGridDays), m_zone);
    runInBackground<std::vector<FoundOccurrence>>(
        this,
        [sources = std::move(sources), zone = m_zone, from, to] {
            return expandAll(sources, zone, from, to);
        },
        [this, month, repeats](std::vector<FoundOccurrence> found) {
            if (const auto ongoing = m_expanding.find(month);
                ongoing != m_expanding.end() && ongoing->second == repeats->generation) {
                m_expanding.erase(ongoing);
            }
            repeats->found = std::move(found);
            std::shared_ptr<const Repeats>& slot = m_repeats[month];
            if (!slot || slot->generation <= repeats->generation) {
                slot = repeats;
            }
            if (month == m_month) {
                scheduleRebuild();
            }
        });
}

void AgendaData::addOccurrence(const std::shared_ptr<Event>& event, Instant start, Instant end) {
    // Day i runs from midnight i to midnight i + 1; an end on a midnight closes the day before.
    const auto dayIndex = [this](Instant at) {
        return int(std::upper_bound(m_midnights.begin(), m_midnights.end(), at) -
                   m_midnights.begin()) -
               1;
    };
    const int first = std::max(0, dayIndex(start));
    const int last = std::min(kGridDays - 1, end > start ? dayIndex(Instant(end.msSinceEpoch() - 1))
                                                         : dayIndex(start));
    for (int day = first; day <= last; ++day) {
        m_days[size_t(day)].push_back({event, start, end});
    }
}

std::vector<std::shared_ptr<Task>> AgendaData::tasksDueOn(QDate day) const {
    std::vector<std::shared_ptr<Task>> due;
    const Instant from = midnightOf(day, m_zone);
    const Instant to = midnightOf(day.addDays(1), m_zone);
    for (int row = 0; row < m_tasks->count(); ++row) {
        const auto* task = static_cast<const Task*>(m_tasks->objectAt(row));
        const std::optional<Instant> dueDate = task->dueDate();
        if (dueDate && *dueDate >= from && *dueDate < to) {
            due.push_back(m_tasks->at<Task>(row));
        }
    }
    return due;
}

std::vector<std::shared_ptr<Task>> AgendaData::undatedTasks() const {
    std::vector<std::shared_ptr<Task>> undated;
    for (int row = 0; row < m_tasks->count(); ++row) {
        if (!static_cast<const Task*>(m_tasks->objectAt(row))->dueDate()) {
            undated.push_back(m_tasks->at<Task>(row));
        }
    }
    return undated;
}

std::vector<std::shared_ptr<Task>> AgendaData::overdueTasks(Instant now, QDate except) const {
    std::vector<std::shared_ptr<Task>> overdue;
    // The excepted day's bounds, once, rather than each task's day.
    const Instant exceptFrom = midnightOf(except, m_zone);
    const Instant exceptTo = midnightOf(except.addDays(1), m_zone);
    for (int row = 0; row < m_tasks->count(); ++row) {
        const auto* task = static_cast<const Task*>(m_tasks->objectAt(row));
        const std::optional<Instant> dueDate = task->dueDate();
        if (!task->isCompleted() && dueDate && *dueDate < now &&
            !(*dueDate >= exceptFrom && *dueDate < exceptTo)) {
            overdue.push_back(m_tasks->at<Task>(row));
        }
    }
    return overdue;
}
