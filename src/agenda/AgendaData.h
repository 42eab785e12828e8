#pragma once

#include "platform/Instant.h"
#include "store/LiveFetchResultsListener.h"

#include <QDate>
#include <QObject>
#include <QTimeZone>

#include <array>
#include <memory>
#include <vector>

class Clock;
class Event;
class LiveFetchResults;
class ManagedObjectContext;
class Task;

// One occurrence of an event: the event's own times, or one of its repeats.
struct AgendaOccurrence {
    std::shared_ptr<Event> event;
    Instant start;
    Instant end;
};

// What the agenda shows of the store: the occurrences on each day of one month's grid (six
// weeks from the locale's first weekday on or before the 1st) and the tasks still listed.
//
// The month is read through two live fetches made afresh when the month changes: the single
// events that touch the grid's range, and the repeating ones that start before its end, whose
// occurrences are worked out for the range alone. The tasks' fetch holds the open ones and
// those done today (all of them while done ones are shown), by due date. Changes arrive one
// row at a time; the days are worked out again once, on the next turn, then `changed` is said.
class AgendaData final : public QObject, private LiveFetchResultsListener {
    Q_OBJECT

public:
    static constexpr int kGridDays = 42;

    AgendaData(ManagedObjectContext& context, const Clock& clock, QObject* parent = nullptr);
    ~AgendaData() override;

    // Shows the month holding `day` (any day of it).
    void setMonth(QDate day);
    QDate month() const { return m_month; }
    QDate gridStart() const { return m_gridStart; }
    bool isInGrid(QDate day) const;

    // The occurrences on a day of the grid: all-day first, then by start.
    const std::vector<AgendaOccurrence>& occurrencesOn(QDate day) const;

    void setShowCompleted(bool show);
    bool showCompleted() const { return m_showCompleted; }
    // The listed tasks due on the day, by due time.
    std::vector<std::shared_ptr<Task>> tasksDueOn(QDate day) const;
    // The listed tasks without a due date, in the order they were stored.
    std::vector<std::shared_ptr<Task>> undatedTasks() const;
    // Open tasks due before `now` that are not due on `except`, by due date.
    std::vector<std::shared_ptr<Task>> overdueTasks(Instant now, QDate except) const;

    // The day of an instant on the user's clock.
    QDate dayOf(Instant instant) const;

    // Works out the days at once when changes are waiting (tests and benchmarks read them).
    void flush();

Q_SIGNALS:
    // The month, its days or the tasks changed.
    void changed();

private:
    void makeMonthFetches();
    void makeTaskFetch();
    void rebuildDays();
    void addOccurrence(const std::shared_ptr<Event>& event, Instant start, Instant end);
    void scheduleRebuild();

    void willInsertRow(int) override {}
    void didInsertRow(int) override { scheduleRebuild(); }
    void willRemoveRow(int) override {}
    void didRemoveRow(int) override { scheduleRebuild(); }
    void willMoveRow(int, int) override {}
    void didMoveRow(int, int) override { scheduleRebuild(); }
    void didChangeRow(int) override { scheduleRebuild(); }
    void willResetRows() override {}
    void didResetRows() override { scheduleRebuild(); }

    ManagedObjectContext& m_context;
    const Clock& m_clock;
    QTimeZone m_zone;
    QDate m_month;
    QDate m_gridStart;
    Instant m_rangeStart;
    Instant m_rangeEnd;
    bool m_showCompleted = false;
    bool m_rebuildPending = false;
    std::unique_ptr<LiveFetchResults> m_singleEvents;
    std::unique_ptr<LiveFetchResults> m_repeatingEvents;
    std::unique_ptr<LiveFetchResults> m_tasks;
    std::array<std::vector<AgendaOccurrence>, kGridDays> m_days;
};
