#pragma once

#include "app/MenuBarAction.h"
#include "model/AgendaSummary.h"
#include "platform/Instant.h"

#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class DesktopActions;
class ManagedObjectContext;
class MiniStat;
class NotificationCenter;
class QLabel;
class QWindow;

// The panel popover's content: the counters of upcoming events, pending tasks and policies
// that need attention, quick creation, the next event, a warning when policies expire soon,
// and the way back to the program or out of it. What it counts is the AgendaSummary's; it
// only draws it.
//
// The summary's windows start at "now", taken afresh by takeNow() each time the popover opens,
// so a program left running for days never counts past events or loses the policies of the
// next 30 days. Its fetches stay live, so a save shows at once.
class MenuBarView final : public QWidget {
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
    Instant fetchesStartAt() const { return m_summary.now(); }

    // Brings the program forward, then posts the name of the action, if any.
    void openMainApp(std::optional<MenuBarAction> action);

    // The number of policies that need attention, worked out at the clock's current instant.
    int attentionCount() const;

Q_SIGNALS:
    // "Preferences..." was pressed (after the program came forward).
    void preferencesRequested();
    // "Quit" was pressed: the program decides whether unsaved work lets it end.
    void quitRequested();
    // The next event was clicked (after the program came forward): the agenda shows it.
    void eventOpenRequested(const QUuid& id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    void scheduleUpdate();
    void updateContent();
    void updateNextEvent();
    void openNextEvent();

    Services m_services;
    AgendaSummary m_summary;
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
