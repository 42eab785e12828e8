#pragma once

#include "platform/Instant.h"
#include "platform/NotificationService.h"
#include "reminders/PolicyReminders.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimeZone>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class DBusNotificationService;
class InstallationCheck;
class LogChannel;
class ManagedObjectContext;
class Event;
class NotificationCenter;
class Policy;
class RepeatRuleLog;
class Task;

// Turns a policy's reminder days, an event's occurrences and a task's reminder date into
// reminders that the desktop shows at their minute, removes an owner's pending reminders, asks
// for permission to notify, and reacts when the user opens a reminder. It acts only while the
// program runs as an installed application, so a copy run from its build folder leaves nothing
// behind in the user's desktop.
class NotificationManager final : public QObject {
    Q_OBJECT
public:
    // What the manager works with; the program's own come from shared().
    struct Services {
        NotificationService& notifications;
        const InstallationCheck& installation;
        const Clock& clock;
        LogChannel& log;
        NotificationCenter& center;
    };

    // The program's manager, made on first use (safely, from any thread) over the reminder
    // agent on the session bus, and kept until the process ends.
    static NotificationManager& shared();
    // The reminder agent on the session bus that the program's manager uses; start-up exports
    // its application object before the program owns its bus name.
    static DBusNotificationService& programNotificationService();
    // A manager over other services: tests, and the screenshot renderer.
    static std::unique_ptr<NotificationManager> make(const Services& services);
    // A match under way ends, unfinished, and its caller hears so.
    ~NotificationManager() override;

    void requestAuthorization();
    void schedulePolicyReminder(const Policy& policy);
    // What schedulePolicyReminder() does for each policy, for many policies at once: one
    // listing, one removal, and the adds handed to the service together, so that thousands of
    // policies (an import) take a few exchanges with the agent instead of one per reminder.
    // The requests are made kPoliciesPerTurn policies at a time, one turn of the event loop
    // each. `done`, when given, is called later, once every add has been answered, with the
    // number of reminders held and refused; (0, 0) outside an installation.
    using BatchCompletion = std::function<void(int scheduled, int failed)>;
    void schedulePolicyReminders(const std::vector<std::shared_ptr<Policy>>& policies,
                                 BatchCompletion done = {});
    static constexpr size_t kPoliciesPerTurn = 1'000;
    void cancelPolicyNotifications(const QString& identifier);

    // Replaces the event's pending reminders with those of its occurrences to come: its own
    // start, or for a repeating event those of the next RecurrenceExpansion::kWindowDays
    // days (later ones are added by the daily match). None without a reminder.
    void scheduleEventReminder(const Event& event);
    // Removes the pending reminders of the event whose id text is given.
    void cancelEventNotifications(const QString& identifier);
    // Replaces the task's pending reminder: none once it is done or without a reminder date.
    void scheduleTaskReminder(const Task& task);
    void cancelTaskNotifications(const QString& identifier);

    // What matchPendingToStore() did.
    struct MatchResult {
        // False when it did nothing: outside an installation, the pending requests could not
        // be listed, the context went, or a later pass took over.
        bool matched = false;
        int removed = 0;
        int scheduled = 0;
        int failed = 0;
    };
    using MatchCompletion = std::function<void(const MatchResult& result)>;
    // Makes the pending reminders exactly those of the context's policies, events and tasks,
    // as saving each would leave them: removes the requests of owners that are gone (and of
    // days or occurrences no longer due), adds the missing or different ones still to come,
    // and sends nothing else. The pending list is compared with the store in one pass: the
    // objects are read kPoliciesReadPerTurn at a time, one turn of the event loop each, and
    // compared off this thread, so that 100,000 policies do not hold the window. An owner
    // scheduled or cancelled meanwhile, or with changes not yet saved, is left to what its own
    // pass does. A pass started while another runs takes over from it. For after a restore,
    // an import, each start-up and each day (a lost reminder file, a store replaced from
    // outside, the window of repeating events moved on).
    void matchPendingToStore(ManagedObjectContext& context, MatchCompletion done = {});
    static constexpr size_t kPoliciesReadPerTurn = 2'000;

    // How a reminder arriving while the program is in front is shown: as a banner, with its
    // sound and badge (the option set 19).
    static constexpr int kPresentationOptions = 19;
    int userNotificationCenterWillPresent(const QString& identifier) const;
    // An opened event or task reminder, as its identifier names it.
    struct OpenedItem {
        enum class Kind { Event, Task };
        Kind kind = Kind::Event;
        QUuid id;
        // The occurrence an event's reminder was for.
        std::optional<Instant> occurrence;
    };
    // Shows the item an opened reminder names; false when it is not stored (then the
    // reminder's name is posted as for any other).
    using OpenedItemHandler = std::function<bool(const OpenedItem& item)>;
    void setOpenedItemHandler(OpenedItemHandler handler) { m_openedItem = std::move(handler); }
    // What an event's or task's reminder identifier names; nothing for any other identifier.
    static std::optional<OpenedItem> openedItemOf(const QString& identifier);
    // The user opened a shown reminder: an event's or task's that the handler shows goes to
    // its item; otherwise posts newEvent, newTask or newPolicy by the identifier's prefix.
    // Then calls the completion.
    void userNotificationCenterDidReceive(const QString& identifier,
                                          const std::function<void()>& completion);

    static QString identifierText(const Policy& policy);
    static QString identifierText(const Event& event);
    static QString identifierText(const Task& task);

    // Where a refused repeat rule is said, once per event and rule; the agenda shares it, so
    // that its expansions and the reminders' say a rule once between them.
    const std::shared_ptr<RepeatRuleLog>& repeatRuleLog() const { return m_ruleLog; }

private:
    explicit NotificationManager(const Services& services);

    // The adds issued while a listing was on its way, so that the removal that follows a
    // listing spares every request added after the listing was asked for: a later pass's
    // requests survive an earlier pass's removal, whose answer may come after them. While a
    // match runs, the policies scheduled or cancelled, so that it leaves them alone. Answers
    // arrive on the manager's thread, so no lock is needed.
    struct AddLedger {
        quint64 issued = 0;
        int listingsAwaited = 0;
        QHash<QString, quint64> lastAdd;
        int matches = 0;
        QHash<QString, quint64> lastTouched;
    };
    struct MatchPass;
    // A schedulePolicyReminders() pass as it goes on, turn by turn.
    struct BatchPass {
        std::vector<std::shared_ptr<Policy>> policies;
        size_t next = 0;
        QTimeZone zone;
        Instant now;
        int awaited = 0;
        bool lastAnswered = false;
        int scheduled = 0;
        int failed = 0;
        BatchCompletion done;
    };
    void scheduleSlice(const std::shared_ptr<BatchPass>& pass);
    // A match's steps: the policies read a slice a turn, the plan worked out off this thread
    // once the listing is in too, then only what differs sent.
    void readSlice(const std::shared_ptr<MatchPass>& pass);
    void planOnceReady(const std::shared_ptr<MatchPass>& pass);
    void applyPlan(const std::shared_ptr<MatchPass>& pass);
    // By value: it may be handed m_match, which it resets.
    void endMatch(std::shared_ptr<MatchPass> pass, bool matched = false);
    static void logAnswer(LogChannel& log, const Reminder& reminder,
                          const std::optional<QString>& error);
    // Replaces the pending requests whose identifiers begin with `prefix` by `reminders`.
    void replaceReminders(const QString& ownerId, const QString& prefix,
                          std::vector<Reminder> reminders);
    // Lists the pending requests and removes those `matches` names, sparing every request
    // added after the listing was asked for.
    void cancelMatching(std::function<bool(const QString& identifier)> matches);
    // Records an add about to be issued, so that a listing already on its way spares it.
    void noteAdd(const QString& identifier);
    // Records an owner scheduled or cancelled, so that a match under way leaves it alone.
    void noteTouched(const QString& ownerId);
    void add(const NotificationRequest& request, NotificationService::AddCompletion completion);

    Services m_services;
    OpenedItemHandler m_openedItem;
    std::shared_ptr<AddLedger> m_ledger = std::make_shared<AddLedger>();
    std::shared_ptr<MatchPass> m_match;
    // Shared with the workers that expand rules, which may outlive a match.
    std::shared_ptr<RepeatRuleLog> m_ruleLog;
};
