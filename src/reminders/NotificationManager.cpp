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
#include "platform/NotificationService.h"
#include "platform/SystemClock.h"

#include <QDBusConnection>

namespace {
const QString kPolicyPrefix = QStringLiteral("policy-");
const QString kEventPrefix = QStringLiteral("event-");
const QString kTaskPrefix = QStringLiteral("task-");

// The instant as "2025-03-01 09:00:00 +0000", in UTC.
QString instantText(Instant instant) {
    return instant.toUtcDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" +0000");
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

void NotificationManager::schedulePolicyReminder(const Policy& policy) {
    if (!m_services.installation.isInstalledApplication()) {
        return;
    }
    const QString id = identifierText(policy);
    // Read here, on the program's thread, and carried into the completions.
    const QString name = policy.name();
    const QString policyNumber = policy.policyNumber();
    const Instant expiry = policy.expirationDate();
    const std::vector<qint64> days = policy.reminderDaysArray();
    const QTimeZone zone = m_services.clock.timeZone();
    const Instant now = m_services.clock.now();

    QList<NotificationRequest> requests;
    QSet<QString> identifiers;
    QList<std::pair<qint64, Instant>> dates;
    for (const qint64 n : days) {
        const Instant reminder = PolicyRules::reminderDate(expiry, n, zone);
        if (reminder < now) {
            continue;
        }
        const CalendarMath::LocalDateTime local = CalendarMath::toLocal(reminder, zone);
        NotificationRequest request;
        request.identifier = kPolicyPrefix + id + u'-' + QString::number(n);
        request.title = QStringLiteral("Policy Expiring Soon");
        request.body = name + QStringLiteral(" (") + policyNumber +
                       QStringLiteral(") expires in ") + QString::number(n) +
                       QStringLiteral(" days");
        request.sound = true;
        request.year = local.date.year();
        request.month = local.date.month();
        request.day = local.date.day();
        request.hour = int(local.msOfDay / 3'600'000);
        request.minute = int(local.msOfDay / 60'000 % 60);
        requests.append(request);
        identifiers.insert(request.identifier);
        dates.append({n, reminder});
    }

    cancelPolicyNotifications(id, identifiers);
    LogChannel& log = m_services.log;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        const auto [n, reminder] = dates[i];
        m_services.notifications.add(
            requests[i], [&log, name, n, reminder](const std::optional<QString>& error) {
                if (error) {
                    log.write(QStringLiteral("Error scheduling policy reminder for ") +
                                  QString::number(n) + QStringLiteral(" days: "),
                              *error);
                } else {
                    log.write(QStringLiteral("Scheduled policy reminder for ") + name +
                              QStringLiteral(" on ") + instantText(reminder));
                }
            });
    }
}

void NotificationManager::cancelPolicyNotifications(const QString& identifier) {
    cancelPolicyNotifications(identifier, {});
}

void NotificationManager::cancelPolicyNotifications(const QString& identifier,
                                                    const QSet<QString>& keep) {
    if (!m_services.installation.isInstalledApplication()) {
        return;
    }
    NotificationService& notifications = m_services.notifications;
    const QString prefix = kPolicyPrefix + identifier;
    notifications.pendingRequests(
        [&notifications, prefix, keep](const QList<NotificationRequest>& pending) {
            QStringList remove;
            for (const NotificationRequest& request : pending) {
                if (request.identifier.startsWith(prefix) && !keep.contains(request.identifier)) {
                    remove.append(request.identifier);
                }
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
