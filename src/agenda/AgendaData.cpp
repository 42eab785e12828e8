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

#include <QHash>
#include <QTimer>

#include <algorithm>
#include <tuple>

namespace {

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
    QUuid id;
    std::optional<QString> rule;
    Instant start;
    Instant end;
    bool allDay = false;

    bool operator==(const RepeatSource&) const = default;
    static RepeatSource of(const Event& event) {
        return {event.id(), event.recurrenceRule(), event.startDate(), event.endDate(),
                event.isAllDay()};
    }
};

// Repeating events worked out on the screens' thread at once when a change leaves a month's
// repeats stale: an edit or two, not an import.
constexpr size_t kWorkedOutAtOnce = 16;

// The source's index, the occurrence's start and end.
using FoundOccurrence = std::tuple<size_t, Instant, Instant>;

// The occurrences of every source that touch [from, to), on any thread.
std::vector<FoundOccurrence> expandAll(const std::vector<RepeatSource>& sources,
                                       const QTimeZone& zone, Instant from, Instant to,
                                       RepeatRuleLog& ruleLog) {
    std::vector<FoundOccurrence> found;
    for (size_t i = 0; i < sources.size(); ++i) {
        const RepeatSource& source = sources[i];
        if (source.start >= to) {
            continue;
        }
        const qint64 length =
            std::max<qint64>(0, source.end.msSinceEpoch() - source.start.msSinceEpoch());
        // An occurrence that began before the range may still run into it.
        const auto occurrences = RecurrenceExpansion::occurrences(
            source.rule, source.start, source.allDay, zone, Instant(from.msSinceEpoch() - length),
            to, source.id, ruleLog);
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
    // What each event was when handed over, to tell the ones changed since.
    std::vector<RepeatSource> sources;
    std::vector<FoundOccurrence> found;
};

AgendaData::AgendaData(ManagedObjectContext& context, const Clock& clock,
                       std::shared_ptr<RepeatRuleLog> ruleLog, QObject* parent)
    : QObject(parent)
    , m_context(context)
    , m_clock(clock)
    , m_ruleLog(std::move(ruleLog))
    , m_zone(clock.timeZone()) {
    makeTaskFetch();
    makeSingleFetch();
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
    m_singleEvents->removeListener(m_singleListener.get());
    m_repeatingEvents->removeListener(m_repeatingListener.get());
    m_tasks->removeListener(m_taskListener.get());
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
        midnights.push_back(EventRules::localMidnight(start.addDays(day), m_zone));
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

void AgendaData::makeSingleFetch() {
    m_singleEvents = eventFetch(m_context, QStringLiteral("recurrenceRule == nil"), {});
    m_singleListener = std::make_unique<AnyChangeListener>([this] {
        m_singlesStale = true;
        scheduleRebuild();
    });
    m_singleEvents->addListener(m_singleListener.get());
}

void AgendaData::makeRepeatingFetch() {
    m_repeatingEvents = eventFetch(m_context, QStringLiteral("recurrenceRule != nil"), {});
    m_repeatingListener = std::make_unique<AnyChangeListener>([this] {
        ++m_generation;
        scheduleRebuild();
    });
    m_repeatingEvents->addListener(m_repeatingListener.get());
}

void AgendaData::makeTaskFetch() {
    if (m_tasks) {
        m_tasks->removeListener(m_taskListener.get());
    }
    FetchRequest<Task> request = Task::fetchRequest();
    if (!m_showCompleted) {
        const Instant today = EventRules::localMidnight(dayOf(m_clock.now()), m_zone);
        request.setPredicate(Predicate::format(
            QStringLiteral("isCompleted == NO OR completedAt >= %@"), {Value(today)}));
    }
    request.setSortDescriptors({SortDescriptor{QStringLiteral("dueDate"), true}});
    m_tasks = std::make_unique<LiveFetchResults>(m_context, request);
    m_tasks->performFetch();
    m_tasksStale = true;
    if (!m_taskListener) {
        m_taskListener = std::make_unique<AnyChangeListener>([this] {
            m_tasksStale = true;
            scheduleRebuild();
        });
    }
    m_tasks->addListener(m_taskListener.get());
}

void AgendaData::readSingles() {
    if (!m_singlesStale) {
        return;
    }
    m_singlesStale = false;
    m_singles.clear();
    m_singles.reserve(size_t(m_singleEvents->count()));
    for (int row = 0; row < m_singleEvents->count(); ++row) {
        auto event = m_singleEvents->at<Event>(row);
        m_singles.push_back({event->startDate(), event->endDate(), std::move(event)});
    }
    // The fetch keeps its rows by start; a change waiting to be heard may not have moved one yet.
    std::stable_sort(m_singles.begin(), m_singles.end(),
                     [](const Single& a, const Single& b) { return a.start < b.start; });
}

void AgendaData::readTasks() const {
    if (!m_tasksStale) {
        return;
    }
    m_tasksStale = false;
    m_dated.clear();
    m_undated.clear();
    for (int row = 0; row < m_tasks->count(); ++row) {
        auto task = m_tasks->at<Task>(row);
        if (const std::optional<Instant> due = task->dueDate()) {
            m_dated.push_back({*due, task->isCompleted(), std::move(task)});
        } else {
            m_undated.push_back(std::move(task));
        }
    }
    std::stable_sort(m_dated.begin(), m_dated.end(),
                     [](const Listed& a, const Listed& b) { return a.due < b.due; });
}

void AgendaData::setShowCompleted(bool show) {
    if (show == m_showCompleted) {
        return;
    }
    m_showCompleted = show;
    makeTaskFetch();
    Q_EMIT changed();
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
    readSingles();
    // An event touches the grid when it starts before its end and ends after its start; one
    // without length counts when it starts inside.
    const auto pastGrid =
        std::lower_bound(m_singles.begin(), m_singles.end(), m_rangeEnd,
                         [](const Single& single, Instant at) { return single.start < at; });
    for (auto single = m_singles.begin(); single != pastGrid; ++single) {
        if (single->end > m_rangeStart || single->start >= m_rangeStart) {
            addOccurrence(single->event, single->start, single->end);
        }
    }
    addRepeats();
    for (auto& day : m_days) {
        std::stable_sort(day.begin(), day.end(), comesFirst);
    }
    Q_EMIT changed();
    expandNext();
}

// The shown month's repeats as last worked out, until fresher ones come; while they are stale,
// only those of the events unchanged since.
void AgendaData::addRepeats() {
    const auto shown = m_repeats.find(m_month);
    if (shown == m_repeats.end()) {
        return;
    }
    const Repeats& repeats = *shown->second;
    std::vector<bool> kept(repeats.events.size(), true);
    if (repeats.generation != m_generation) {
        kept = addChangedRepeats(repeats);
    }
    for (const auto& [source, start, end] : repeats.found) {
        const std::shared_ptr<Event>& event = repeats.events[source];
        if (kept[source] && !event->isDeleted()) {
            addOccurrence(event, start, end);
        }
    }
}

// Works out at once the occurrences of the (first few) repeating events added or changed since
// `repeats`, so that an edited event moves without waiting for the worker; says which of the
// events in `repeats` are unchanged.
std::vector<bool> AgendaData::addChangedRepeats(const Repeats& repeats) {
    QHash<const Event*, size_t> before;
    before.reserve(qsizetype(repeats.events.size()));
    for (size_t i = 0; i < repeats.events.size(); ++i) {
        before.insert(repeats.events[i].get(), i);
    }
    std::vector<bool> kept(repeats.events.size(), false);
    std::vector<RepeatSource> changed;
    std::vector<std::shared_ptr<Event>> changedEvents;
    for (int row = 0; row < m_repeatingEvents->count(); ++row) {
        auto event = m_repeatingEvents->at<Event>(row);
        RepeatSource now = RepeatSource::of(*event);
        const auto known = before.constFind(event.get());
        if (known != before.cend() && repeats.sources[*known] == now) {
            kept[*known] = true;
        } else if (changed.size() < kWorkedOutAtOnce) {
            changed.push_back(std::move(now));
            changedEvents.push_back(std::move(event));
        }
    }
    for (const auto& [source, start, end] :
         expandAll(changed, m_zone, m_rangeStart, m_rangeEnd, *m_ruleLog)) {
        addOccurrence(changedEvents[source], start, end);
    }
    return kept;
}

bool AgendaData::isCurrent(QDate month) const {
    const auto kept = m_repeats.find(month);
    return kept != m_repeats.end() && kept->second->generation == m_generation;
}

// The shown month first, then the ones after and before it.
void AgendaData::expandNext() {
    if (m_expanding) {
        return;
    }
    for (const QDate month : {m_month, m_month.addMonths(1), m_month.addMonths(-1)}) {
        if (!isCurrent(month)) {
            expandRepeats(month);
            return;
        }
    }
}

void AgendaData::expandRepeats(QDate month) {
    m_expanding = month;
    auto repeats = std::make_shared<Repeats>();
    repeats->generation = m_generation;
    std::vector<RepeatSource> sources;
    for (int row = 0; row < m_repeatingEvents->count(); ++row) {
        auto event = m_repeatingEvents->at<Event>(row);
        sources.push_back(RepeatSource::of(*event));
        repeats->events.push_back(std::move(event));
    }
    repeats->sources = sources;
    const int back = (month.dayOfWeek() - int(m_clock.locale().firstDayOfWeek()) + 7) % 7;
    const QDate gridStart = month.addDays(-back);
    const Instant from = EventRules::localMidnight(gridStart, m_zone);
    const Instant to = EventRules::localMidnight(gridStart.addDays(kGridDays), m_zone);
    runInBackground<std::vector<FoundOccurrence>>(
        this,
        [sources = std::move(sources), zone = m_zone, from, to, ruleLog = m_ruleLog] {
            return expandAll(sources, zone, from, to, *ruleLog);
        },
        [this, month, repeats](std::vector<FoundOccurrence> found) {
            m_expanding.reset();
            repeats->found = std::move(found);
            std::shared_ptr<const Repeats>& slot = m_repeats[month];
            if (!slot || slot->generation <= repeats->generation) {
                slot = repeats;
            }
            if (month == m_month) {
                scheduleRebuild();
            } else {
                expandNext();
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
    readTasks();
    const Instant from = EventRules::localMidnight(day, m_zone);
    const Instant to = EventRules::localMidnight(day.addDays(1), m_zone);
    std::vector<std::shared_ptr<Task>> due;
    for (auto listed =
             std::lower_bound(m_dated.begin(), m_dated.end(), from,
                              [](const Listed&task, Instant at) { return task.due < at; });
         listed != m_dated.end() && listed->due < to; ++listed) {
        due.push_back(listed->task);
    }
    return due;
}

std::vector<std::shared_ptr<Task>> AgendaData::undatedTasks() const {
    readTasks();
    return m_undated;
}

std::vector<std::shared_ptr<Task>> AgendaData::overdueTasks(Instant now, QDate except) const {
    readTasks();
    // The excepted day's bounds, once, rather than each task's day.
    const Instant exceptFrom = EventRules::localMidnight(except, m_zone);
    const Instant exceptTo = EventRules::localMidnight(except.addDays(1), m_zone);
    std::vector<std::shared_ptr<Task>> overdue;
    for (auto listed = m_dated.begin(); listed != m_dated.end() && listed->due < now; ++listed) {
        if (!listed->completed && !(listed->due >= exceptFrom && listed->due < exceptTo)) {
            overdue.push_back(listed->task);
        }
    }
    return overdue;
}
