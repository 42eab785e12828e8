#include "AgentWorld.h"

#include "Harness.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace AgentWorld {

bool waitFor(const std::function<bool()>& condition, int timeoutMs, int everyMs) {
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (condition()) {
            loop.quit();
        }
    });
    look.start(everyMs);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!condition()) {
        loop.exec();
    }
    return condition();
}

namespace {

QString serviceFolder(const QTemporaryDir& dir) {
    QFile service(dir.filePath(QStringLiteral("org.quintaver.Scheduler.Reminders.service")));
    service.open(QIODevice::WriteOnly);
    service.write(
        "[D-BUS Service]\nName=org.quintaver.Scheduler.Reminders\nExec=" QS_AGENT_EXECUTABLE "\n");
    return dir.path();
}

QProcessEnvironment environment(const QTemporaryDir& dir) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    return environment;
}

} // namespace

AgentBus::AgentBus(const QTemporaryDir& dir)
    : bus(serviceFolder(dir), environment(dir)) {}

Program::Program(QDBusConnection connection)
    : nullFile(::open("/dev/null", O_WRONLY | O_CLOEXEC))
    , log(nullFile)
    , clock(Instant(QDateTime::currentMSecsSinceEpoch()), QTimeZone("Europe/Rome"),
            QLocale(QLocale::Italian, QLocale::Italy))
    , agent(connection, log)
    , manager(NotificationManager::make({agent, installed, clock, log, center})) {}

Program::~Program() {
    ::close(nullFile);
}

void withAgent(const QString& name, const std::function<void(Program&)>& figure) {
    QTemporaryDir agentData;
    AgentBus agent(agentData);
    if (!agent.bus.isRunning()) {
        Bench::report(name, QStringLiteral("no bus"), QString());
        return;
    }
    Program program(agent.bus.connect());
    figure(program);
}

} // namespace AgentWorld
