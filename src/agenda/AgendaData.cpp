#include "agenda/AgendaData.h"

#include "model/CalendarMath.h"
#include "model/Event.h"
#include "model/EventRules.h"
#include "model/RecurrenceExpansion.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"

#include <QTimer>

#include <algorithm>

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

} // namespace

AgendaData::AgendaData(ManagedObjectContext& context, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_context(context)
    , m_clock(clock)
    , m_zone(clock.timeZone()) {
    makeTaskFetch();
    setMonth(dayOf(clock.now()));
    // Done tasks leave at the end of their day; a new zone moves every day's bounds.
    connect(&clock, &Clock::dayChanged, this, [this] {
        makeTaskFetch();
        scheduleRebuild();
    });
    connect(&clock, &Clock::timeZoneChanged, this, [this] {
        m_zone = m_clock.timeZone();
        m_month = QDate();
        setMonth(m_gridStart.addDays(kGridDays / 2));
        makeTaskFetch();
    });
}

AgendaData::~AgendaData() {
    for (auto* results : {m_singleEvents.get(), m_repeatingEvents.get(), m_tasks.get()}) {
        if (results) {
            results->removeListener(this);
        }
    }
}

QDate AgendaData::dayOf(Instant instant) const {
    return CalendarMath::toLocal(instant, m_zone).date;
}

void AgendaData::setMonth(QDate day) {
    const QDate first(day.year(), day.month(), 1);
    if (first == m_month) {
        return;
    }
    m_month = first;
    const int back = (first.dayOfWeek() - int(m_clock.locale().firstDayOfWeek()) + 7) % 7;
    m_gridStart = first.addDays(-back);
    m_rangeStart = midnightOf(m_gridStart, m_zone);
    m_rangeEnd = midnightOf(m_gridStart.addDays(kGridDays), m_zone);
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
    for (auto* results : {m_singleEvents.get(), m_repeatingEvents.get()}) {
        if (results) {
            results->removeListener(this);
        }
    }
    // An event touches the range when it starts before its end and ends after its start; one
    // without length counts when it starts inside.
    m_singleEvents = eventFetch(m_context,
                                QStringLiteral("recurrenceRule == nil AND startDate < %@ AND "
                                               "(endDate > %@ OR startDate >= %@)"),
                                {Value(m_rangeEnd), Value(m_rangeStart), Value(m_rangeStart)});
    m_repeatingEvents = eventFetch(
        m_context, QStringLiteral("recurrenceRule != nil AND startDate < %@"), {Value(m_rangeEnd)});
    m_singleEvents->addListener(this);
    m_repeatingEvents->addListener(this);
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

void AgendaData::rebuildDays() {
    m_rebuildPending = false;
    for (auto& day : m_days) {
        day.clear();
    }
    for (int row = 0; row < m_singleEvents->count(); ++row) {
        auto event = m_singleEvents->at<Event>(row);
        addOccurrence(event, event->startDate(), event->endDate());
    }
    for (int row = 0; row < m_repeatingEvents->count(); ++row) {
        auto event = m_repeatingEvents->at<Event>(row);
        const qint64 length = std::max<qint64>(0, event->endDate().msSinceEpoch() -
                                                      event->startDate().msSinceEpoch());
        // An occurrence that began before the range may still run into it.
        const Instant from(m_rangeStart.msSinceEpoch() - length);
        const auto found =
            RecurrenceExpansion::occurrences(event->recurrenceRule(), event->startDate(),
                                             event->isAllDay(), m_zone, from, m_rangeEnd);
        for (const Instant start : found.starts) {
            Instant end(start.msSinceEpoch() + length);
            if (event->isAllDay()) {
                // Whole days on the wall clock, whatever a daylight-saving change does.
                const auto days = EventRules::days({event->startDate(), event->endDate()}, m_zone);
                const QDate first = dayOf(start);
                end = EventRules::allDayBounds({first, first.addDays(days.first.daysTo(days.last))},
                                               m_zone)
                          .end;
            }
            addOccurrence(event, start, end);
        }
    }
    for (auto& day : m_days) {
        std::stable_sort(day.begin(), day.end(), comesFirst);
    }
    Q_EMIT changed();
}

void AgendaData::addOccurrence(const std::shared_ptr<Event>& event, Instant start, Instant end) {
    if (end <= m_rangeStart && !(start >= m_rangeStart && start < m_rangeEnd)) {
        return;
    }
    const EventRules::Days days = EventRules::days({start, std::max(start, end)}, m_zone);
    const qint64 first = std::max<qint64>(0, m_gridStart.daysTo(days.first));
    const qint64 last = std::min<qint64>(kGridDays - 1, m_gridStart.daysTo(days.last));
    for (qint64 offset = first; offset <= last; ++offset) {
        m_days[size_t(offset)].push_back({event, start, end});
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
    for (int row = 0; row < m_tasks->count(); ++row) {
        const auto* task = static_cast<const Task*>(m_tasks->objectAt(row));
        const std::optional<Instant> dueDate = task->dueDate();
        if (!task->isCompleted() && dueDate && *dueDate < now && dayOf(*dueDate) != except) {
            overdue.push_back(m_tasks->at<Task>(row));
        }
    }
    return overdue;
}
