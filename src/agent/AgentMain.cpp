#include "agent/DesktopNotifications.h"
#include "agent/IdleMemoryTrim.h"
#include "agent/ProgramHandOver.h"
#include "agent/ReminderAgent.h"
#include "agent/ReminderBusService.h"
#include "agent/ReminderStore.h"
#include "platform/LogChannel.h"
#include "platform/ReminderBus.h"
#include "platform/SystemClock.h"
#include "platform/UserPreferences.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QStandardPaths>

namespace {
// Why the agent's name could not be taken: a bus error, or the process that holds it.
QString whyNotOwned(const QDBusConnection& bus) {
    if (bus.lastError().isValid()) {
        return bus.lastError().message();
    }
    const QDBusReply<uint> pid = bus.interface()->servicePid(ReminderBus::kAgentService);
    const QString owner = pid.isValid() ? QStringLiteral("process %1").arg(pid.value())
                                        : QStringLiteral("another connection");
    return owner + QStringLiteral(" owns ") + ReminderBus::kAgentService +
           QStringLiteral(" on this session bus");
}
} // namespace

// The per-user reminder agent: started by D-Bus activation or at login, it holds the program's
// pending reminders and shows them on time. It reads no command line.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The same data folder as the program: $XDG_DATA_HOME/quintaver-scheduler.
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("quintaver-scheduler"));
    LogChannel& log = LogChannel::standardOutput();

    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QString error;
    const std::unique_ptr<ReminderStore> store =
        ReminderStore::open(folder + QStringLiteral("/reminders.sqlite"), &error);
    if (!store) {
        log.write(QStringLiteral("Error loading reminder store: "), error);
        return 1;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        log.write(QStringLiteral("Error connecting to the session bus: "),
                  bus.lastError().message());
        return 1;
    }
    NotificationRequest::registerDBusTypes();

    SystemClock clock;
    DesktopNotifications presenter(bus);
    // Read at each reminder: the program may change it while the agent runs.
    presenter.setSoundPreference([preferences = UserPreferences::filePath()] {
        return UserPreferences::soundEnabled(preferences);
    });
    ReminderAgent agent(clock, *store, presenter, log);
    ProgramHandOver handOver(bus, log);
    QObject::connect(&agent, &ReminderAgent::openRequested, &handOver, &ProgramHandOver::open);
    ReminderBusService service(agent);
    IdleMemoryTrim trim;
    QObject::connect(&service, &ReminderBusService::served, &trim, &IdleMemoryTrim::touch);
    // The object is in place before the name is taken, so that no call finds it missing.
    if (!bus.registerObject(ReminderBus::kAgentPath, &service, QDBusConnection::ExportAllSlots)) {
        log.write(QStringLiteral("Error starting reminder agent: "), bus.lastError().message());
        return 1;
    }
    if (!bus.registerService(ReminderBus::kAgentService)) {
        // Another agent already serves this session (started at login and by activation).
        log.write(QStringLiteral("Reminder agent already running: "), whyNotOwned(bus));
        return 0;
    }
    // The agent belongs to one session: when its bus goes away, so does it.
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), &app,
                SLOT(quit()));
    agent.start();
    return QCoreApplication::exec();
}
