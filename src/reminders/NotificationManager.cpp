#include "reminders/NotificationManager.h"

#include "model/Event.h"
#include "model/Policy.h"
#include "model/RepeatRuleLog.h"
#include "model/Task.h"
#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "platform/DBusNotificationService.h"
#include "platform/ExecutableInstallationCheck.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "platform/SystemClock.h"
#include "reminders/EventReminders.h"
#include "reminders/ReminderSyncPlan.h"
#include "reminders/TaskReminders.h"
#include "store/ManagedObjectContext.h"

#include <QDBusConnection>
#include <QPointer>
#include <QSet>

#include <array>
#include <iterator>

namespace {
constexpr QLatin1StringView kPolicyPrefix = PolicyReminders::kPrefix;
constexpr QLatin1StringView kEventPrefix("event-");
constexpr QLatin1StringView kTaskPrefix("task-");
// The adds of a match sent in one turn of the event loop.
constexpr size_t kMatchAddsPerTurn = 2'000;

// The instant as "2025-03-01 09:00:00 +0000", in UTC.
QString instantText(Instant instant) {
    return instant.toUtcDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" +0000");
}

std::vector<Reminder> remindersOf(const Policy& policy, const QTimeZone& zone, Instant now) {
    return PolicyReminders::toCome(PolicyReminderSource::of(policy), zone, now);
}

QString idTextOf(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

// One owner of reminders read for a sync: its source, or, while it is being edited, its id left
// to its save. Every object of an entity is made by the entity's factory, as its class.
template <class Owner, class Source>
void readOwner(const ManagedObject& object, std::vector<Source>& sources,
               QSet<QString>& leftAlone) {
    const auto& owner = static_cast<const Owner&>(object);
    if (object.isDeleted() || object.hasChanges()) {
        leftAlone.insert(idTextOf(owner.id()));
    } else {
        sources.push_back(Source::of(owner));
    }
}

// What each kind of reminder's log lines call it.
QString kindName(Reminder::Kind kind) {
    switch (kind) {
    case Reminder::Kind::Event:
        return QStringLiteral("event");
    case Reminder::Kind::Task:
        return QStringLiteral("task");
    case Reminder::Kind::Policy:
        break;
    }
    return QStringLiteral("policy");
}
} // namespace

// A matchPendingToStore() pass as it goes on. It watches the context, which may go meanwhile.
struct NotificationManager::MatchPass final : ContextObserver {
    ManagedObjectContext* context = nullptr;
    // Read a slice a turn: the policies, then the events, then the tasks. Whenever the context
    // lets objects go (forgottenCount), the order of the rest may change: it is read afresh.
    enum Reading { Policies, Events, Tasks, Done };
    Reading reading = Policies;
    size_t next = 0;
    quint64 forgotten = 0;
    std::shared_ptr<ReminderSyncPlan::Sources> sources =
        std::make_shared<ReminderSyncPlan::Sources>();
    // Owners deleted, new or changed and not yet saved: their save's own pass schedules or
    // cancels their reminders, and a rollback brings back what they were.
    QSet<QString> leftAlone;
    std::shared_ptr<std::vector<Reminder>> wanted;
    std::shared_ptr<const QList<NotificationRequest>> pending;
    bool listingFailed = false;
    bool planning = false;
    std::shared_ptr<const ReminderSyncPlan> plan;
    size_t nextAdd = 0;
    int awaited = 0;
    quint64 asked = 0;
    QTimeZone zone;
    QLocale locale;
    Instant now;
    bool holdsListing = true;
    bool ended = false;
    MatchResult result;
    MatchCompletion done;

    void objectWillChange(const ObjectChange&) override {}
    void objectDidChange(const ObjectChange&) override {}
    void contextWillBeDestroyed() override { context = nullptr; }
    // The policies read so far are gone: the pass ends as if the context had.
    void contextWillReload() override {
        context->removeObserver(this);
        context = nullptr;
    }
    void contextDidReload() override {}
    ~MatchPass() override {
        if (context) {
            context->removeObserver(this);
        }
    }
};

DBusNotificationService& NotificationManager::programNotificationService() {
    static DBusNotificationService* service =
        new DBusNotificationService(QDBusConnection::sessionBus());
    return *service;
}

NotificationManager& NotificationManager::shared() {
    // Kept until the process ends, like the process itself.
    static NotificationManager* manager = [] {
        static SystemClock clock;
        static ExecutableInstallationCheck installation;
        return make({programNotificationService(), installation, clock,
                     LogChannel::standardOutput(), NotificationCenter::defaultCenter()})
            .release();
    }();
    return *manager;
}

std::unique_ptr<NotificationManager> NotificationManager::make(const Services& services) {
    return std::unique_ptr<NotificationManager>(new NotificationManager(services));
}

NotificationManager::~NotificationManager() {
    if (m_match) {
        endMatch(m_match);
    }
}

NotificationManager::NotificationManager(const Services& services)
    : m_services(services)
    , m_ruleLog(std::make_shared<RepeatRuleLog>(services.log)) {
    // Only an installed program answers for the reminders it opened.
    if (m_services.installation.isInstalledApplication()) {
        connect(&m_services.notifications, &NotificationService::notificationOpened, this,
                [this](const QString& identifier, const QString&) {
                    userNotificationCenterDidReceive(identifier, [] {});
                });
    }
}

QString NotificationManager::identifierText(const Policy& policy) {
    return idTextOf(policy.id());
}

QString NotificationManager::identifierText(const Event& event) {
    return idTextOf(event.id());
}

QString NotificationManager::identifierText(const Task& task) {
    return idTextOf(task.id());
}

void NotificationManager::requestAuthorization() {
    if (!m_services.installation.isInstalledApplication()) {
        m_services.log.write(QStringLiteral("Notifications disabled: not running in app bundle"));
        return;
    }
    LogChannel& log = m_services.log;
    m_services.notifications.requestAuthorization(
        [&log](bool granted, const std::optional<QString>& error) {
            if (error) {
                log.write(QStringLiteral("Notification authorization error: "), *error);
            }
            log.write(QStringLiteral("Notification authorization: "),
                      granted ? QStringLiteral("true") : QStringLiteral("false"));
        });
}

void NotificationManager::logAnswer(LogChannel& log, const Reminder& reminder,
                                    const std::optional<QString>& error) {
    const QString kind = kindName(reminder.kind);
    if (!error) {
        log.write(QStringLiteral("Scheduled ") + kind + QStringLiteral(" reminder for ") +
                  reminder.ownerName + QStringLiteral(" on ") + instantText(reminder.at));
    } else if (reminder.kind == Reminder::Kind::Policy) {
        log.write(QStringLiteral("Error scheduling policy reminder for ") +
                      QString::number(reminder.day) + QStringLiteral(" days: "),
                  *error);
    } else {
        log.write(QStringLiteral("Error scheduling ") + kind + QStringLiteral(" reminder for ") +
                      reminder.ownerName + QStringLiteral(": "),
                  *error);
    }
}

void NotificationManager::schedulePolicyReminder(const Policy& policy) {
    if (!m_services.installation.isInstalledApplication()) {
        return;
    }
    const QString id = identifierText(policy);
    replaceReminders(id, kPolicyPrefix + id,
                     remindersOf(policy, m_services.clock.timeZone(), m_services.clock.now()));
}

void NotificationManager::replaceReminders(const QString& ownerId, const QString& prefix,
                                           std::vector<Reminder> reminders) {
    noteTouched(ownerId);
    // Asked for before the adds, so its removal spares them.
    cancelMatching([prefix](const QString& pending) { return pending.startsWith(prefix); });
    for (Reminder& reminder : reminders) {
        const NotificationRequest request = reminder.request;
        add(request, [&log = m_services.log, reminder = std::move(reminder)](
                         const std::optional<QString>& error) { logAnswer(log, reminder, error); });
    }
}

void NotificationManager::scheduleEventReminder(const Event& event) {
    if (!m_services.installation.isInstalledApplication()) {
        return;
    }
    const QString id = identifierText(event);
    replaceReminders(id, kEventPrefix + id + u'-',
                     EventReminders::toCome(EventReminderSource::of(event),
                                            m_services.clock.timeZone(), m_services.clock.locale(),
                                            m_services.clock.now(), *m_ruleLog));
}

void NotificationManager::cancelEventNotifications(const QString& identifier) {
    if (m_services.installation.isInstalledApplication()) {
        replaceReminders(identifier, kEventPrefix + identifier + u'-', {});
    }
}

void NotificationManager::scheduleTaskReminder(const Task& task) {
    if (!m_services.installation.isInstalledApplication()) {
        return;
    }
    const QString id = identifierText(task);
    replaceReminders(id, kTaskPrefix + id,
                     TaskReminders::toCome(TaskReminderSource::of(task),
                                           m_services.clock.timeZone(), m_services.clock.locale(),
                                           m_services.clock.now()));
}

void NotificationManager::cancelTaskNotifications(const QString& identifier) {
    if (m_services.installation.isInstalledApplication()) {
        replaceReminders(identifier, kTaskPrefix + identifier, {});
    }
}

void NotificationManager::schedulePolicyReminders(
    const std::vector<std::shared_ptr<Policy>>& policies, BatchCompletion done) {
    if (!m_services.installation.isInstalledApplication()) {
        if (done) {
            QMetaObject::invokeMethod(
                this, [done = std::move(done)] { done(0, 0); }, Qt::QueuedConnection);
        }
        return;
    }
    QSet<QString> ids;
    for (const std::shared_ptr<Policy>& policy : policies) {
        ids.insert(identifierText(*policy));
        noteTouched(identifierText(*policy));
    }
    // "policy-" + a 36-character id: the same test as a prefix, for many ids at once. Asked
    // for before any add, so its removal spares them all.
    cancelMatching([ids = std::move(ids)](const QString& identifier) {
        return ids.contains(PolicyReminders::policyIdOf(identifier));
    });
    auto pass = std::make_shared<BatchPass>();
    pass->policies = policies;
    // One moment and one zone for the whole pass: the system's zone is read from its file at
    // every call.
    pass->zone = m_services.clock.timeZone();
    pass->now = m_services.clock.now();
    pass->done = std::move(done);
    scheduleSlice(pass);
}

void NotificationManager::scheduleSlice(const std::shared_ptr<BatchPass>& pass) {
    const size_t end = std::min(pass->next + kPoliciesPerTurn, pass->policies.size());
    auto reminders = std::make_shared<std::vector<Reminder>>();
    for (; pass->next < end; ++pass->next) {
        const Policy& policy = *pass->policies[pass->next];
        // Deleted while the pass went on: its reminders went with it.
        if (!policy.isDeleted()) {
            std::vector<Reminder> own = remindersOf(policy, pass->zone, pass->now);
            std::move(own.begin(), own.end(), std::back_inserter(*reminders));
        }
    }
    const bool last = pass->next == pass->policies.size();
    QList<NotificationRequest> requests;
    requests.reserve(qsizetype(reminders->size()));
    for (const Reminder& reminder : *reminders) {
        noteAdd(reminder.request.identifier);
        requests.append(reminder.request);
    }
    ++pass->awaited;
    m_services.notifications.addAll(requests, [&log = m_services.log, reminders, pass,
                                               last](const QList<std::optional<QString>>& errors) {
        for (qsizetype i = 0; i < errors.size(); ++i) {
            logAnswer(log, (*reminders)[size_t(i)], errors[i]);
            (errors[i] ? pass->failed : pass->scheduled) += 1;
        }
        pass->lastAnswered = pass->lastAnswered || last;
        if (--pass->awaited == 0 && pass->lastAnswered && pass->done) {
            pass->done(pass->scheduled, pass->failed);
        }
    });
    if (!last) {
        // The rest in later turns of the event loop, so that the window keeps drawing.
        QMetaObject::invokeMethod(
            this, [this, pass] { scheduleSlice(pass); }, Qt::QueuedConnection);
    }
}

void NotificationManager::noteAdd(const QString& identifier) {
    ++m_ledger->issued;
    if (m_ledger->listingsAwaited > 0) {
        m_ledger->lastAdd.insert(identifier, m_ledger->issued);
    }
}

void NotificationManager::add(const NotificationRequest& request,
                              NotificationService::AddCompletion completion) {
    noteAdd(request.identifier);
    m_services.notifications.add(request, std::move(completion));
}

void NotificationManager::noteTouched(const QString& ownerId) {
    if (m_ledger->matches > 0) {
        m_ledger->lastTouched.insert(ownerId, ++m_ledger->issued);
    }
}

void NotificationManager::cancelPolicyNotifications(const QString& identifier) {
    if (!m_services.installation.isInstalledApplication()) {
        return;
    }
    noteTouched(identifier);
    cancelMatching([prefix = kPolicyPrefix + identifier](const QString& pending) {
        return pending.startsWith(prefix);
    });
}

void NotificationManager::cancelMatching(std::function<bool(const QString&)> matches) {
    NotificationService& notifications = m_services.notifications;
    const std::shared_ptr<AddLedger> ledger = m_ledger;
    ++ledger->listingsAwaited;
    const quint64 asked = ledger->issued;
    notifications.pendingRequests([&notifications, matches = std::move(matches), ledger,
                                   asked](const QList<NotificationRequest>& pending) {
        QStringList remove;
        for (const NotificationRequest& request : pending) {
            if (matches(request.identifier) &&
                ledger->lastAdd.value(request.identifier, 0) <= asked) {
                remove.append(request.identifier);
            }
        }
        if (--ledger->listingsAwaited == 0) {
            ledger->lastAdd.clear();
        }
        notifications.removePending(remove);
    });
}

int NotificationManager::userNotificationCenterWillPresent(const QString&) const {
    return kPresentationOptions;
}

std::optional<NotificationManager::OpenedItem>
NotificationManager::openedItemOf(const QString& identifier) {
    if (const QString event = EventReminders::eventIdOf(identifier); !event.isEmpty()) {
        const QUuid id(event);
        if (!id.isNull()) {
            return OpenedItem{OpenedItem::Kind::Event, id,
                              EventReminders::occurrenceStartOf(identifier)};
        }
    }
    if (const QString task = TaskReminders::taskIdOf(identifier); !task.isEmpty()) {
        const QUuid id(task);
        if (!id.isNull()) {
            return OpenedItem{OpenedItem::Kind::Task, id, std::nullopt};
        }
    }
    return std::nullopt;
}

void NotificationManager::userNotificationCenterDidReceive(
    const QString& identifier, const std::function<void()>& completion) {
    // These reminders are the program's own: one whose item is stored leads to it.
    if (const std::optional<OpenedItem> item = openedItemOf(identifier);
        item && m_openedItem && m_openedItem(*item)) {
        completion();
        return;
    }
    if (identifier.startsWith(kEventPrefix)) {
        m_services.center.post(NotificationName::newEvent);
    } else if (identifier.startsWith(kTaskPrefix)) {
        m_services.center.post(NotificationName::newTask);
    } else if (identifier.startsWith(kPolicyPrefix)) {
        m_services.center.post(NotificationName::newPolicy);
    }
    completion();
}

void NotificationManager::matchPendingToStore(ManagedObjectContext& context, MatchCompletion done) {
    if (m_match) {
        endMatch(m_match); // taken over: this pass reads the store afresh
    }
    if (!m_services.installation.isInstalledApplication()) {
        if (done) {
            QMetaObject::invokeMethod(
                this, [done = std::move(done)] { done({}); }, Qt::QueuedConnection);
        }
        return;
    }
    auto pass = std::make_shared<MatchPass>();
    pass->context = &context;
    context.addObserver(pass.get());
    pass->forgotten = context.forgottenCount();
    pass->zone = m_services.clock.timeZone();
    pass->locale = m_services.clock.locale();
    pass->now = m_services.clock.now();
    pass->done = std::move(done);
    m_match = pass;
    // From here on, what is scheduled or cancelled is spared by this pass.
    ++m_ledger->matches;
    ++m_ledger->listingsAwaited;
    pass->asked = m_ledger->issued;
    m_services.notifications.listPending(
        [self = QPointer(this), pass](const QList<NotificationRequest>& pending,
                                      const std::optional<QString>& error) {
            if (!self || pass->ended) {
                return;
            }
            pass->listingFailed = error.has_value();
            pass->pending = std::make_shared<const QList<NotificationRequest>>(pending);
            self->planOnceReady(pass);
        });
    readSlice(pass);
}

void NotificationManager::readSlice(const std::shared_ptr<MatchPass>& pass) {
    if (pass->ended) {
        return;
    }
    if (!pass->context) {
        endMatch(pass);
        return;
    }
    ManagedObjectContext& context = *pass->context;
    ReminderSyncPlan::Sources& sources = *pass->sources;
    if (context.forgottenCount() != pass->forgotten) {
        pass->forgotten = context.forgottenCount();
        pass->reading = MatchPass::Policies;
        pass->next = 0;
        sources = {};
        pass->leftAlone.clear();
    }
    static const std::array<QString, 3> kEntities{Policy::entityName(), Event::entityName(),
                                                  Task::entityName()};
    const std::vector<std::shared_ptr<ManagedObject>> slice = context.registeredObjects(
        kEntities[size_t(pass->reading)], pass->next, kPoliciesReadPerTurn);
    for (const std::shared_ptr<ManagedObject>& object : slice) {
        switch (pass->reading) {
        case MatchPass::Policies:
            readOwner<Policy>(*object, sources.policies, pass->leftAlone);
            break;
        case MatchPass::Events:
            readOwner<Event>(*object, sources.events, pass->leftAlone);
            break;
        case MatchPass::Tasks:
        case MatchPass::Done:
            readOwner<Task>(*object, sources.tasks, pass->leftAlone);
            break;
        }
    }
    pass->next += slice.size();
    if (slice.size() < kPoliciesReadPerTurn) {
        pass->reading = MatchPass::Reading(pass->reading + 1);
        pass->next = 0;
    }
    if (pass->reading != MatchPass::Done) {
        QMetaObject::invokeMethod(
            this, [this, pass] { readSlice(pass); }, Qt::QueuedConnection);
        return;
    }
    // Worked out while the listing is on its way; what it reads is let go there too.
    runInBackground<std::shared_ptr<std::vector<Reminder>>>(
        this,
        [sources = std::move(pass->sources), zone = pass->zone, locale = pass->locale,
         now = pass->now, log = m_ruleLog] {
            return std::make_shared<std::vector<Reminder>>(
                ReminderSyncPlan::wanted(*sources, zone, locale, now, *log));
        },
        [this, pass](std::shared_ptr<std::vector<Reminder>> wanted) {
            pass->wanted = std::move(wanted);
            planOnceReady(pass);
        });
}

void NotificationManager::planOnceReady(const std::shared_ptr<MatchPass>& pass) {
    if (pass->ended || !pass->pending || (!pass->wanted && !pass->listingFailed) ||
        pass->planning) {
        return;
    }
    if (pass->listingFailed) {
        endMatch(pass); // a failed listing is no empty one: nothing is sent
        return;
    }
    pass->planning = true;
    runInBackground<std::shared_ptr<const ReminderSyncPlan>>(
        this,
        [wanted = std::move(pass->wanted), pending = std::move(pass->pending), zone = pass->zone,
         now = pass->now]() mutable {
            return std::make_shared<const ReminderSyncPlan>(
                ReminderSyncPlan::make(std::move(*wanted), *pending, zone, now));
        },
        [this, pass](std::shared_ptr<const ReminderSyncPlan> plan) {
            pass->plan = std::move(plan);
            applyPlan(pass);
        });
}

void NotificationManager::applyPlan(const std::shared_ptr<MatchPass>& pass) {
    if (pass->ended) {
        return;
    }
    if (!pass->context) {
        endMatch(pass);
        return;
    }
    const AddLedger& ledger = *m_ledger;
    const auto spared = [&ledger, &pass](const QString& ownerId) {
        return pass->leftAlone.contains(ownerId) ||
               ledger.lastTouched.value(ownerId, 0) > pass->asked;
    };
    if (pass->nextAdd == 0 && pass->holdsListing) {
        QStringList remove;
        for (const QString& identifier : pass->plan->remove) {
            if (!spared(Reminder::ownerIdOf(identifier)) &&
                ledger.lastAdd.value(identifier, 0) <= pass->asked) {
                remove.append(identifier);
            }
        }
        pass->result.removed = int(remove.size());
        if (!remove.isEmpty()) {
            m_services.notifications.removePending(remove);
        }
        pass->holdsListing = false;
        if (--m_ledger->listingsAwaited == 0) {
            m_ledger->lastAdd.clear();
        }
    }
    // Sent a share a turn, each share sparing what was scheduled since the pass began.
    const std::vector<Reminder>& adds = pass->plan->add;
    const size_t end = std::min(pass->nextAdd + kMatchAddsPerTurn, adds.size());
    auto reminders = std::make_shared<std::vector<Reminder>>();
    QList<NotificationRequest> requests;
    for (; pass->nextAdd < end; ++pass->nextAdd) {
        const Reminder& reminder = adds[pass->nextAdd];
        if (!spared(reminder.ownerId)) {
            noteAdd(reminder.request.identifier);
            requests.append(reminder.request);
            reminders->push_back(reminder);
        }
    }
    if (!requests.isEmpty()) {
        ++pass->awaited;
        m_services.notifications.addAll(
            requests, [self = QPointer(this), &log = m_services.log, reminders,
                       pass](const QList<std::optional<QString>>& errors) {
                for (qsizetype i = 0; i < errors.size(); ++i) {
                    logAnswer(log, (*reminders)[size_t(i)], errors[i]);
                    (errors[i] ? pass->result.failed : pass->result.scheduled) += 1;
                }
                if (--pass->awaited == 0 && pass->nextAdd == pass->plan->add.size() && self) {
                    self->endMatch(pass, true);
                }
            });
    }
    if (pass->nextAdd < adds.size()) {
        QMetaObject::invokeMethod(
            this, [this, pass] { applyPlan(pass); }, Qt::QueuedConnection);
    } else if (pass->awaited == 0) {
        endMatch(pass, true);
    }
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): a copy, as it may be given m_match.
void NotificationManager::endMatch(std::shared_ptr<MatchPass> pass, bool matched) {
    if (pass->ended) {
        return;
    }
    pass->ended = true;
    if (pass->context) {
        pass->context->removeObserver(pass.get());
        pass->context = nullptr;
    }
    if (pass->holdsListing && --m_ledger->listingsAwaited == 0) {
        m_ledger->lastAdd.clear();
    }
    if (--m_ledger->matches == 0) {
        m_ledger->lastTouched.clear();
    }
    if (m_match == pass) {
        m_match.reset();
    }
    pass->result.matched = matched;
    if (pass->done) {
        pass->done(pass->result);
    }
}
