#pragma once

#include "platform/Instant.h"
#include "store/LiveFetchResultsListener.h"
#include "ui/FieldSearch.h"

#include <QAbstractListModel>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class LiveFetchResults;
class ManagedObject;
class ManagedObjectContext;

// The live results of one entity with the search keys of each row (title, location or nothing,
// notes), kept row for row as the results change.
class AgendaSearchKeys final : private LiveFetchResultsListener {
public:
    using MakeKeys = std::function<FieldSearch::Keys(const ManagedObject&)>;
    AgendaSearchKeys(std::unique_ptr<LiveFetchResults> results, MakeKeys makeKeys,
                     std::function<void()> changed);
    ~AgendaSearchKeys() override;
    AgendaSearchKeys(const AgendaSearchKeys&) = delete;
    AgendaSearchKeys& operator=(const AgendaSearchKeys&) = delete;

    const LiveFetchResults& results() const { return *m_results; }
    const std::vector<FieldSearch::Keys>& keys() const { return m_keys; }

private:
    void makeAll();
    void willInsertRow(int) override {}
    void didInsertRow(int row) override;
    void willRemoveRow(int) override {}
    void didRemoveRow(int row) override;
    void willMoveRow(int, int) override {}
    void didMoveRow(int from, int to) override;
    void didChangeRow(int row) override;
    void willResetRows() override {}
    void didResetRows() override;

    std::unique_ptr<LiveFetchResults> m_results;
    MakeKeys m_makeKeys;
    std::function<void()> m_changed;
    std::vector<FieldSearch::Keys> m_keys;
};

// The agenda's search: the events and tasks whose title, location or notes contain the text
// (the folded search the lists share), by date (an event's start, a task's due date; tasks
// without one last). Empty while the text is. A text that extends the previous one looks only
// at the matches already found; a save while searching finds them again on the next turn.
//
// A repeating event is listed at each of its occurrences from the start of today through the
// reminders' window (RecurrenceExpansion::kWindowDays), as a calendar lists what is coming; one
// with none in that window, at its own start. The occurrences are worked out on a worker once
// typing pauses, again when the events change and each day, so that a keystroke only looks
// them up; until they come, a repeating event is listed at its start, or at the occurrences
// worked out before a change.
class AgendaSearchModel final : public QAbstractListModel {
    Q_OBJECT

public:
    struct Match {
        std::shared_ptr<ManagedObject> object;
        bool isEvent = false;
        // An event's start or its occurrence's, a task's due date.
        std::optional<Instant> date;
        int row = 0; // in its results, for narrowing
    };
    // Occurrences of one repeating event listed at most.
    static constexpr size_t kMaxListedOccurrences = 60;
    // The pause in typing after which the occurrences are worked out.
    static constexpr int kTypingPauseMs = 250;

    AgendaSearchModel(ManagedObjectContext& context, const Clock& clock, QObject* parent = nullptr);
    ~AgendaSearchModel() override;

    const QString& searchText() const { return m_search.text(); }
    void setSearchText(const QString& text);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    const Match* matchAt(int row) const;
    // Whether the repeating events' occurrences are worked out for the events and the day as
    // they are now.
    bool occurrencesAreCurrent() const;

private:
    struct Repeats;
    void expandSoon();
    void expandRepeats();
    void repeatsChanged();
    void research();
    void scheduleResearch();
    std::vector<Match> matchesIn(const AgendaSearchKeys& keyed, bool isEvent,
                                 const std::vector<Match>* among) const;
    std::vector<Match> findMatches(const std::vector<Match>* among) const;

    const Clock& m_clock;
    FieldSearch m_search;
    std::unique_ptr<AgendaSearchKeys> m_events;
    std::unique_ptr<AgendaSearchKeys> m_tasks;
    std::vector<Match> m_matches;
    bool m_researchPending = false;
    // Bumped by every change to the events and by each new day.
    quint64 m_generation = 0;
    bool m_expanding = false;
    QTimer m_expandTimer;
    std::shared_ptr<const Repeats> m_repeats;
};
