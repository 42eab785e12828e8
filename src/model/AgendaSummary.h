#pragma once

#include "platform/Instant.h"
#include "store/AnyChangeListener.h"

#include <QTimeZone>

#include <functional>
#include <memory>
#include <utility>

class Event;
class LiveFetchResults;
class ManagedObjectContext;

// What is coming up from an instant: the events from it on, the tasks still to do (undated or
// due from it on), and the policies that need attention among those whose expiry lies from a
// day before it to 30 days after. The panel popover draws these counts.
//
// The windows start at the instant given to takeNow(). The policies' window starts a day
// earlier: an expiry passed less than a whole day ago still has zero days left, and the policy
// list shows it as expiring soon.
//
// Counting must be quick with a hundred thousand policies, so the live fetches are not made
// again at each takeNow(): each holds everything from the instant it was made onward, in the
// order of its date, and the windows' rows are found in them by binary search. Only an instant
// earlier than that makes them anew. The fetches stay live: `changed` is called after every
// row that changes in them.
class AgendaSummary final : private AnyChangeListener {
public:
    static constexpr int kPolicyWindowDays = 30;

    AgendaSummary(ManagedObjectContext& context, std::function<void()> changed);
    ~AgendaSummary() override;
    AgendaSummary(const AgendaSummary&) = delete;
    AgendaSummary& operator=(const AgendaSummary&) = delete;

    void takeNow(Instant now, const QTimeZone& zone);
    Instant now() const { return m_now; }

    // Events starting at or after now.
    int upcomingEventCount() const;
    // Tasks not completed that have no due date or are due at or after now.
    int pendingTaskCount() const;
    // The policies of the window whose status at `at` in `zone` needs attention: the status
    // moves with the clock while the window stays where takeNow() put it.
    int attentionCount(Instant at, const QTimeZone& zone) const;
    // The first event at or after now; null when there is none.
    const Event* nextEvent() const;

private:
    void makeFetches();
    int firstUpcomingEvent() const;
    std::pair<int, int> windowPolicyRows() const;

    ManagedObjectContext& m_context;
    Instant m_now;
    // The policies' window: expiries after the first instant, up to the second.
    Instant m_policiesAfter;
    Instant m_windowEnd;
    // What the fetches were made with: every window starting at or after it lies in them.
    Instant m_fetchFloor;
    std::unique_ptr<LiveFetchResults> m_upcomingEvents;
    std::unique_ptr<LiveFetchResults> m_pendingTasks;
    std::unique_ptr<LiveFetchResults> m_expiringPolicies;
};
