#pragma once

#include "platform/Instant.h"

#include <QDate>
#include <QObject>
#include <QTimeZone>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class AnyChangeListener;
class Clock;
class Event;
class LiveFetchResults;
class ManagedObjectContext;
class RepeatRuleLog;
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
// Three live fetches follow the store: the single events by start, the repeating events, and
// the tasks still listed (the open ones and those done today, all of them while done ones are
// shown) by due date. The single events' and the tasks' times are read into plain lists after
// a change, once, so that moving to another month or day only searches those lists. A
// repeating event's occurrences are worked out with libical for one grid's range at a time, on
// a worker thread from plain copies of the events' times and rules (a thousand of them take
// longer than a frame): a month shows its single events at once and its repeats when they come.
// One month is worked out at a time, the one shown first, then the months after and before it,
// so that moving to them finds them ready and the worker never takes both cores from the
// screen. Until fresh ones come, the repeats worked out before a change stay shown for the
// events it left alone, and the few events it touched are worked out at once. Changes
// arrive one row at a time; the days are worked out again once, on the next turn, then
// `changed` is said.
class AgendaData final : public QObject {
    Q_OBJECT

public:
    static constexpr int kGridDays = 42;

    // A rule that cannot be read is said on `ruleLog`, once per event and rule.
    AgendaData(ManagedObjectContext& context, const Clock& clock,
               std::shared_ptr<RepeatRuleLog> ruleLog, QObject* parent = nullptr);
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
    // A single event's times, read once after a change.
    struct Single {
        Instant start;
        Instant end;
        std::shared_ptr<Event> event;
    };
    // A listed task's due date, read once after a change.
    struct Listed {
        Instant due;
        bool completed = false;
        std::shared_ptr<Task> task;
    };
    void makeSingleFetch();
    void makeRepeatingFetch();
    void makeTaskFetch();
    void readSingles();
    void readTasks() const;
    void addRepeats();
    std::vector<bool> addChangedRepeats(const Repeats& repeats);
    void expandNext();
    void expandRepeats(QDate month);
    bool isCurrent(QDate month) const;
    std::vector<Instant> midnightsOf(QDate month) const;
    void rebuildDays();
    void addOccurrence(const std::shared_ptr<Event>& event, Instant start, Instant end);
    void scheduleRebuild();

    ManagedObjectContext& m_context;
    const Clock& m_clock;
    std::shared_ptr<RepeatRuleLog> m_ruleLog;
    QTimeZone m_zone;
    QDate m_month;
    QDate m_gridStart;
    Instant m_rangeStart;
    Instant m_rangeEnd;
    bool m_showCompleted = false;
    bool m_rebuildPending = false;
    std::unique_ptr<LiveFetchResults> m_singleEvents;
    std::unique_ptr<AnyChangeListener> m_singleListener;
    std::vector<Single> m_singles;
    bool m_singlesStale = true;
    std::unique_ptr<LiveFetchResults> m_repeatingEvents;
    std::unique_ptr<AnyChangeListener> m_repeatingListener;
    std::unique_ptr<LiveFetchResults> m_tasks;
    std::unique_ptr<AnyChangeListener> m_taskListener;
    // Read when first asked for after a change, by due date; the undated ones apart, in the
    // fetch's order.
    mutable std::vector<Listed> m_dated;
    mutable std::vector<std::shared_ptr<Task>> m_undated;
    mutable bool m_tasksStale = true;
    std::array<std::vector<AgendaOccurrence>, kGridDays> m_days;
    // The local midnights bounding the grid's days: kGridDays + 1 of them.
    std::vector<Instant> m_midnights;
    // Bumped by every change to the repeating events; repeats worked out before are stale.
    quint64 m_generation = 0;
    // Per month (its 1st): the occurrences worked out, and the generation they belong to.
    std::map<QDate, std::shared_ptr<const Repeats>> m_repeats;
    // The month on the worker, if any.
    std::optional<QDate> m_expanding;
};
