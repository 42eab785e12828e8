#pragma once

#include "app/MenuBarAction.h"
#include "platform/Instant.h"
#include "store/LiveFetchResultsListener.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class DesktopActions;
class LiveFetchResults;
class ManagedObjectContext;
class MiniStat;
class NotificationCenter;
class QLabel;
class QWindow;

// The panel popover's content: the counters of upcoming events, pending tasks and policies
// that need attention, quick creation, the next event, a warning when policies expire soon,
// and the way back to the program or out of it.
//
// Its fetch windows start at "now", taken afresh by takeNow() each time the popover opens, so
// a program left running for days never counts past events or loses the policies of the next
// 30 days. The policies' window starts a day earlier: an expiry passed less than a whole day
// ago still has zero days left, and the policy list shows it as expiring soon. The fetches
// stay live, so a save shows at once.
//
// Opening must be quick with a hundred thousand policies, so the live fetches are not made
// again at each opening: each holds everything from the instant it was made onward, in the
// order of its date, and an opening finds its window's rows in them by binary search. Only a
// clock set back before that instant makes them anew.
class MenuBarView final : public QWidget, private LiveFetchResultsListener {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        // The program's clock, whose day, zone and jump signals recount an open popover.
        const Clock& clock;
        DesktopActions& desktop;
        NotificationCenter& center;
        // The window brought forward; may be null while it does not exist.
        std::function<QWindow*()> mainWindow;
    };

    static constexpr int kWidth = 280;
    static constexpr int kHeight = 360;

    explicit MenuBarView(Services services, QWidget* parent = nullptr);
    ~MenuBarView() override;

    // Starts the three fetches at the clock's current instant and shows what they find.
    void takeNow();
    Instant fetchesStartAt() const { return m_now; }

    // Brings the program forward, then posts the name of the action, if any.
    void openMainApp(std::optional<MenuBarAction> action);

    // The number of policies that need attention, worked out at the clock's current instant.
    int attentionCount() const;

Q_SIGNALS:
    // "Preferences..." was pressed (after the program came forward).
    void preferencesRequested();
    // "Quit" was pressed: the program decides whether unsaved work lets it end.
    void quitRequested();

private:
    void buildHeader();
    void buildCounters();
    void buildQuickCreation();
    void buildNextEvent();
    void buildWarning();
    void buildFooter();
    void addDivider();
    void bringForward();

    // Changes arrive one row at a time; the content is worked out once they are all in.
    void makeFetches();
    // The rows of each fetch inside the windows that start at m_now.
    int firstUpcomingEvent() const;
    int pendingTaskCount() const;
    std::pair<int, int> expiringPolicyRows() const;
    void scheduleUpdate();
    void updateContent();
    void updateNextEvent();

    void willInsertRow(int) override {}
    void didInsertRow(int) override { scheduleUpdate(); }
    void willRemoveRow(int) override {}
    void didRemoveRow(int) override { scheduleUpdate(); }
    void willMoveRow(int, int) override {}
    void didMoveRow(int, int) override { scheduleUpdate(); }
    void didChangeRow(int) override { scheduleUpdate(); }

    Services m_services;
    Instant m_now;
    // The policies' window: expiries after the first instant, up to the second.
    Instant m_policiesAfter;
    Instant m_windowEnd;
    // What the fetches were made with: every window starting at or after it lies in them.
    Instant m_fetchFloor;
    std::unique_ptr<LiveFetchResults> m_upcomingEvents;
    std::unique_ptr<LiveFetchResults> m_pendingTasks;
    std::unique_ptr<LiveFetchResults> m_expiringPolicies;
    bool m_updatePending = false;

    MiniStat* m_eventsStat = nullptr;
    MiniStat* m_tasksStat = nullptr;
    MiniStat* m_policiesStat = nullptr;
    QWidget* m_nextEvent = nullptr;
    QLabel* m_nextEventDot = nullptr;
    QLabel* m_nextEventTitle = nullptr;
    QLabel* m_nextEventTime = nullptr;
    QWidget* m_warning = nullptr;
    QLabel* m_warningText = nullptr;
};
