#pragma once

#include "platform/Instant.h"
#include "store/LiveFetchResultsListener.h"

#include <QDate>
#include <QObject>
#include <QTimeZone>

#include <array>
#include <map>
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
// The month is read through a live fetch made afresh when the month changes, of the single
// events that touch the grid's range, and a live fetch of the repeating events. A repeating
// event's occurrences are worked out with libical for one grid's range at a time, on a worker
// thread from plain copies of the events' times and rules (a thousand of them take longer than
// a frame): a month shows its single events at once and its repeats when they come, and the
// months before and after the one shown are worked out ahead, so that moving to them finds
// them ready. Until fresh ones come, the repeats worked out before a change stay shown. The
// tasks' fetch holds the open ones and those done today (all of them while done ones are
// shown), by due date. Changes arrive one row at a time; the days are worked out again once,
// on the next turn, then `changed` is said.
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
    // Nothing waits: no change to work in, and the shown month's repeats are in and current.
    bool isSettled() const;

Q_SIGNALS:
    // The month, its days or the tasks changed.
    void changed();

private:
    struct Repeats;
    void makeMonthFetches();
    void makeRepeatingFetch();
    void addRepeats();
    void expandRepeats(QDate month);
    std::vector<Instant> midnightsOf(QDate month) const;
    void makeTaskFetch();
    void rebuildDays();
    void addOccurrence(const std::shared_ptr<Event>& event, Instant start, Instant end);
    void scheduleRebuild();

    // Any change: the repeating events' changes also make their occurrences stale.
    void changedRows();
    void willInsertRow(int) override {}
    void didInsertRow(int) override { changedRows(); }
    void willRemoveRow(int) override {}
    void didRemoveRow(int) override { changedRows(); }
    void willMoveRow(int, int) override {}
    void didMoveRow(int, int) override { changedRows(); }
    void didChangeRow(int) override { changedRows(); }
    void willResetRows() override {}
    void didResetRows() override { changedRows(); }

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
    std::unique_ptr<LiveFetchResultsListener> m_repeatingListener;
    std::unique_ptr<LiveFetchResults> m_tasks;
    std::array<std::vector<AgendaOccurrence>, kGridDays> m_days;
    // The local midnights bounding the grid's days: kGridDays + 1 of them.
    std::vector<Instant> m_midnights;
    // Bumped by every change to the repeating events; repeats worked out before are stale.
    quint64 m_generation = 0;
    // Per month (its 1st): the occurrences worked out, and the generation they belong to.
    std::map<QDate, std::shared_ptr<const Repeats>> m_repeats;
    // The months being worked out, with their generation.
    std::map<QDate, quint64> m_expanding;
};
