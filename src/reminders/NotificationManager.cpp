#include "reminders/NotificationManager.h"

#include "model/CalendarMath.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"
#include "platform/Clock.h"
#include "platform/DBusNotificationService.h"
#include "platform/ExecutableInstallationCheck.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "platform/SystemClock.h"

#include <QDBusConnection>
#include <QSet>

#include <iterator>

namespace {
constexpr QLatin1StringView kPolicyPrefix("policy-");
constexpr QLatin1StringView kEventPrefix("event-");
constexpr QLatin1StringView kTaskPrefix("task-");
// A policy's id in its canonical text: 32 hexadecimal digits and four hyphens.
constexpr qsizetype kIdTextLength = 36;

// The instant as "2025-03-01 09:00:00 +0000", in UTC.
QString instantText(Instant instant) {
    return instant.toUtcDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" +0000");
}

// The request for a reminder at this instant, with its title, sound and minute, or nothing
// when that minute has begun. The service shows a request as soon as its minute begins, so one
// added later in that minute, by a policy saved again, would be shown a second time.
std::optional<NotificationRequest> reminderRequest(Instant reminder, Instant now,
                                                   const QTimeZone& zone) {
    if (reminder < now) {
        return std::nullopt;
    }
    const CalendarMath::LocalDateTime local = CalendarMath::toLocal(reminder, zone);
    const qint64 minuteOfDay = local.msOfDay / 60'000;
    const std::optional<Instant> minuteBegins = CalendarMath::fromLocal(
        local.date, minuteOfDay * 60'000, zone, CalendarMath::Gap::FirstInstantAfter);
    if (minuteBegins && *minuteBegins < now) {
        return std::nullopt;
    }
    NotificationRequest request;
    request.title = QStringLiteral("Policy Expiring Soon");
    request.sound = true;
    request.year = local.date.year();
    request.month = local.date.month();
    request.day = local.date.day();
    request.hour = int(minuteOfDay / 60);
    request.minute = int(minuteOfDay % 60);
    return request;
}
} // namespace

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

NotificationManager::NotificationManager(const Services& services)
    : m_services(services) {
    // Only an installed program answers for the reminders it opened.
    if (m_services.installation.isInstalledApplication()) {
        connect(&m_services.notifications, &NotificationService::notificationOpened, this,
                [this](const QString& identifier, const QString&) {
                    userNotificationCenterDidReceive(identifier, [] {});
                });
    }
}

QString NotificationManager::identifierText(const Policy& policy) {
    return policy.id().toString(QUuid::WithoutBraces).toUpper();
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

std::vector<NotificationManager::Reminder>
NotificationManager::remindersOf(const Policy& policy, const QTimeZone& zone, Instant now) {
    const QString id = identifierText(policy);
    // Read here, on the program's thread, and carried into the completions.
    const QString name = policy.name();
    const QString head =
        name + QStringLiteral(" (") + policy.policyNumber() + QStringLiteral(") expires in ");
    std::vector<Reminder> reminders;
    for (const qint64 n : policy.reminderDaysArray()) {
        const Instant reminder = PolicyRules::reminderDate(policy.expirationDate(), n, zone);
        std::optional<NotificationRequest> request = reminderRequest(reminder, now, zone);
        if (!request) {
            continue;
        }
        request->identifier = kPolicyPrefix + id + u'-' + QString::number(n);
        request->body = head + QString::number(n) + QStringLiteral(" days");
        reminders.push_back({std::move(*request), name, n, reminder});
    }
    return reminders;
}

void NotificationManager::logAnswer(LogChannel& log, const Reminder& reminder,
                                    const std::optional<QString>& error) {
    if (error) {
        log.write(QStringLiteral("Error scheduling policy reminder for ") +
                      QString::number(reminder.day) + QStringLiteral(" days: "),
                  *error);
    } else {
        log.write(QStringLiteral("Scheduled policy reminder for ") + reminder.policyName +
                  QStringLiteral(" on ") + instantText(reminder.at));
    }
}

void NotificationManager::schedulePolicyReminder(const Policy& policy) {
    if (!m_services.installation.isInstalledApplication()) {
        return;
    }
    // Asked for before the adds, so its removal spares them.
    cancelPolicyNotifications(identifierText(policy));
    for (Reminder& reminder :
         remindersOf(policy, m_services.clock.timeZone(), m_services.clock.now())) {
        const NotificationRequest request = reminder.request;
        add(request, [&log = m_services.log, reminder = std::move(reminder)](
                         const std::optional<QString>& error) { logAnswer(log, reminder, error); });
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
    }
    // "policy-" + a 36-character id: the same test as a prefix, for many ids at once. Asked
    // for before any add, so its removal spares them all.
    cancelMatching([ids = std::move(ids)](const QString& identifier) {
        return identifier.startsWith(kPolicyPrefix) &&
               ids.contains(identifier.mid(kPolicyPrefix.size(), kIdTextLength));
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

void NotificationManager::cancelPolicyNotifications(const QString& identifier) {
    if (!m_services.installation.isInstalledApplication()) {
        return;
    }
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

void NotificationManager::userNotificationCenterDidReceive(
    const QString& identifier, const std::function<void()>& completion) {
    if (identifier.startsWith(kEventPrefix)) {
        m_services.center.post(NotificationName::newEvent);
    } else if (identifier.startsWith(kTaskPrefix)) {
        m_services.center.post(NotificationName::newTask);
    } else if (identifier.startsWith(kPolicyPrefix)) {
        m_services.center.post(NotificationName::newPolicy);
    }
    completion();
}
