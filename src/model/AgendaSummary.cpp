#include "model/AgendaSummary.h"

#include "model/CalendarMath.h"
#include "model/Event.h"
#include "model/Policy.h"
#include "model/StatusClassifier.h"
#include "model/Task.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"

namespace {

std::unique_ptr<LiveFetchResults> liveFetch(ManagedObjectContext& context, FetchRequestBase request,
                                            const QString& predicate,
                                            const std::vector<Value>& arguments,
                                            const QString& sortKey) {
    request.setPredicate(Predicate::format(predicate, arguments));
    request.setSortDescriptors({{sortKey, true}});
    auto results = std::make_unique<LiveFetchResults>(context, std::move(request));
    results->performFetch();
    return results;
}

// The first row of [first, last) for which `before` is false, where it is true for a leading
// run of rows and false after.
template <typename Before> int firstRowWhere(int first, int last, Before before) {
    while (first < last) {
        const int middle = first + (last - first) / 2;
        if (before(middle)) {
            first = middle + 1;
        } else {
            last = middle;
        }
    }
    return first;
}

} // namespace

AgendaSummary::AgendaSummary(ManagedObjectContext& context, std::function<void()> changed)
    : AnyChangeListener(std::move(changed))
    , m_context(context) {}

AgendaSummary::~AgendaSummary() = default;

void AgendaSummary::takeNow(Instant now, const QTimeZone& zone) {
    m_now = now;
    // A whole day past is expired; anything later has not yet run out its days.
    m_policiesAfter = CalendarMath::addDays(m_now, -1, zone).value_or(Instant(Instant::kMinMs));
    m_windowEnd =
        CalendarMath::addDays(m_now, kPolicyWindowDays, zone).value_or(Instant(Instant::kMaxMs));
    if (!m_upcomingEvents || m_policiesAfter < m_fetchFloor) {
        makeFetches();
    }
}

void AgendaSummary::makeFetches() {
    // The earliest window of the three, that of the policies; the others start later.
    m_fetchFloor = m_policiesAfter;
    m_upcomingEvents =
        liveFetch(m_context, Event::fetchRequest(), QStringLiteral("startDate >= %@"),
                  {Value(m_fetchFloor)}, QStringLiteral("startDate"));
    m_pendingTasks =
        liveFetch(m_context, Task::fetchRequest(),
                  QStringLiteral("isCompleted == NO AND (dueDate == nil OR dueDate >= %@)"),
                  {Value(m_fetchFloor)}, QStringLiteral("dueDate"));
    m_expiringPolicies =
        liveFetch(m_context, Policy::fetchRequest(), QStringLiteral("expirationDate >= %@"),
                  {Value(m_fetchFloor)}, QStringLiteral("expirationDate"));
    for (LiveFetchResults* results :
         {m_upcomingEvents.get(), m_pendingTasks.get(), m_expiringPolicies.get()}) {
        results->addListener(this);
    }
}

int AgendaSummary::firstUpcomingEvent() const {
    const LiveFetchResults& events = *m_upcomingEvents;
    return firstRowWhere(0, events.count(), [&](int row) {
        return static_cast<const Event*>(events.objectAt(row))->startDate() < m_now;
    });
}

int AgendaSummary::upcomingEventCount() const {
    return m_upcomingEvents->count() - firstUpcomingEvent();
}

const Event* AgendaSummary::nextEvent() const {
    const int first = firstUpcomingEvent();
    return first < m_upcomingEvents->count()
               ? static_cast<const Event*>(m_upcomingEvents->objectAt(first))
               : nullptr;
}

int AgendaSummary::pendingTaskCount() const {
    const LiveFetchResults& tasks = *m_pendingTasks;
    const auto due = [&](int row) {
        return static_cast<const Task*>(tasks.objectAt(row))->dueDate();
    };
    // Tasks without a due date sort first.
    const int undated = firstRowWhere(0, tasks.count(), [&](int row) { return !due(row); });
    const int past =
        firstRowWhere(undated, tasks.count(), [&](int row) { return *due(row) < m_now; });
    return undated + (tasks.count() - past);
}

std::pair<int, int> AgendaSummary::windowPolicyRows() const {
    const LiveFetchResults& policies = *m_expiringPolicies;
    const auto expiry = [&](int row) {
        return static_cast<const Policy*>(policies.objectAt(row))->expirationDate();
    };
    const int first =
        firstRowWhere(0, policies.count(), [&](int row) { return expiry(row) <= m_policiesAfter; });
    const int end =
        firstRowWhere(first, policies.count(), [&](int row) { return expiry(row) <= m_windowEnd; });
    return {first, end};
}

int AgendaSummary::attentionCount(Instant at, const QTimeZone& zone) const {
    StatusClassifier classifier(at, zone);
    const auto [first, end] = windowPolicyRows();
    int count = 0;
    for (int row = first; row < end; ++row) {
        const auto* policy = static_cast<const Policy*>(m_expiringPolicies->objectAt(row));
        count += int(PolicyStatusRules::needsAttention(classifier.classify(*policy)));
    }
    return count;
}
