#include "model/AgendaSummary.h"
#include "support/StoreFixture.h"

namespace {

using TimeHelpers::kDayMs;
using TimeHelpers::kHourMs;

class AgendaSummaryTest : public StoreFixture {
protected:
    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    Instant in(qint64 ms) const { return Instant(m_clock.now().msSinceEpoch() + ms); }
    void addPolicy(qint64 offsetMs, qint32 reminderDays) {
        auto policy = insertPolicy(context(), QStringLiteral("P"), in(offsetMs));
        policy->setReminderDays(reminderDays);
        policy->setCustomReminderDays(std::nullopt);
    }

    std::unique_ptr<PersistenceController> m_controller = openInMemory();
    int m_changes = 0;
};

// Attention is "expiring soon" inside the window from a day back to 30 days on: an expiry an
// hour past (0 days left) counts, one two days past (expired) does not, nor one whose horizon
// is shorter than its days left, nor one beyond the window whatever its horizon. Statuses are
// taken at the instant asked, the window where takeNow() put it.
TEST_F(AgendaSummaryTest, CountsPoliciesThatNeedAttentionInsideItsWindow) {
    addPolicy(-kHourMs, 30);
    addPolicy(-2 * kDayMs, 30);
    addPolicy(10 * kDayMs, 30);
    addPolicy(10 * kDayMs, 5);
    addPolicy(40 * kDayMs, 60);
    ASSERT_TRUE(context().save());
    AgendaSummary summary(context(), [this] { ++m_changes; });
    summary.takeNow(m_clock.now(), m_clock.timeZone());
    EXPECT_EQ(summary.attentionCount(m_clock.now(), m_clock.timeZone()), 2);
    // Six days on, the policy with a horizon of 5 is due too, and the one an hour past is
    // expired; the window has not moved, so the 40-day one is still outside it.
    EXPECT_EQ(summary.attentionCount(in(6 * kDayMs), m_clock.timeZone()), 2);
    EXPECT_EQ(summary.attentionCount(in(2 * kDayMs), m_clock.timeZone()), 1);

    // The fetches are live: a save is heard and counted.
    addPolicy(20 * kDayMs, 30);
    ASSERT_TRUE(context().save());
    EXPECT_GT(m_changes, 0);
    EXPECT_EQ(summary.attentionCount(m_clock.now(), m_clock.timeZone()), 3);
    // A clock set back a week makes the fetches anew: the policy two days past is inside, and
    // due, with the others but the one of horizon 5.
    summary.takeNow(in(-7 * kDayMs), m_clock.timeZone());
    EXPECT_EQ(summary.attentionCount(in(-7 * kDayMs), m_clock.timeZone()), 4);
}

} // namespace
