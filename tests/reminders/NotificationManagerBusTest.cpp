#include "PrivateBus.h"
#include "model/CalendarMath.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/DBusNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/ManualClock.h"
#include "platform/NotificationCenter.h"
#include "reminders/NotificationManager.h"
#include "support/WaitUntil.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

namespace {

class Installed final : public InstallationCheck {
public:
    bool isInstalledApplication() const override { return true; }
};

// The built agent, started by the bus on the first call as the desktop starts it.
QString activationFolder(const QTemporaryDir& root) {
    const QString folder = root.filePath(QStringLiteral("services"));
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/org.quintaver.Scheduler.Reminders.service"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(
            "[D-BUS Service]\nName=org.quintaver.Scheduler.Reminders\nExec=" QS_AGENT_EXECUTABLE
            "\n");
    }
    return folder;
}

QProcessEnvironment agentEnvironment(const QTemporaryDir& root) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    return environment;
}

} // namespace

// Three saves in one turn of the event loop while the bus is still starting the agent: the
// first pass's removal must not take the last pass's requests.
TEST(NotificationManagerOnTheBus, SavesInQuickSuccessionLeaveTheLastSavesRequests) {
    QTemporaryDir root;
    PrivateBus bus(activationFolder(root), agentEnvironment(root));
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection connection = bus.connect();
    DBusNotificationService service(connection);
    QTemporaryFile logFile;
    ASSERT_TRUE(logFile.open());
    LogChannel log(logFile.handle());
    const QTimeZone zone = QTimeZone::systemTimeZone();
    ManualClock clock(Instant(QDateTime::currentMSecsSinceEpoch()), zone);
    Installed installed;
    NotificationCenter center;
    auto manager = NotificationManager::make({service, installed, clock, log, center});
    PersistenceController store(true, clock, log);

    auto casa = store.container().viewContext().insert<Policy>();
    casa->setName(QStringLiteral("Casa"));
    casa->setPolicyNumber(QStringLiteral("P-1"));
    casa->setExpirationDate(*CalendarMath::addDays(clock.now(), 60, zone));
    for (const char* days : {"30, 7", "15", "30, 7"}) {
        casa->setCustomReminderDays(QString::fromLatin1(days));
        manager->schedulePolicyReminder(*casa);
    }
    // Every add answered; a listing asked now comes after every removal on the connection.
    ASSERT_TRUE(waitUntil(
        [&] {
            QFile file(logFile.fileName());
            return file.open(QIODevice::ReadOnly) &&
                   file.readAll().count("Scheduled policy reminder for Casa") == 5;
        },
        30'000));
    std::optional<QStringList> pending;
    service.pendingRequests([&](const QList<NotificationRequest>& requests) {
        pending.emplace();
        for (const NotificationRequest& request : requests) {
            pending->append(request.identifier);
        }
        pending->sort();
    });
    ASSERT_TRUE(waitUntil([&] { return pending.has_value(); }, 10'000));
    const QString prefix = QStringLiteral("policy-") + NotificationManager::identifierText(*casa);
    EXPECT_EQ(*pending,
              (QStringList{prefix + QStringLiteral("-30"), prefix + QStringLiteral("-7")}));
}
