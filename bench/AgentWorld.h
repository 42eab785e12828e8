#pragma once

#include "PrivateBus.h"
#include "platform/DBusNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "reminders/NotificationManager.h"
#include "support/ManualClock.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>

// The built reminder agent on a bus of its own, and the program's side that talks to it, for
// the figures that schedule reminders.
namespace AgentWorld {

class Installed final : public InstallationCheck {
public:
    bool isInstalledApplication() const override { return true; }
};

// Runs the event loop, sleeping between events, until `condition` holds when looked at every
// `everyMs` or the time is up: no busy loop takes a core from the agent.
bool waitFor(const std::function<bool()>& condition, int timeoutMs, int everyMs = 50);

// The agent on a bus of its own, started by activation with its data in `dir`.
struct AgentBus {
    explicit AgentBus(const QTemporaryDir& dir);
    PrivateBus bus;
};

// The program's reminders over the agent: the real clock's moment, in Rome, a log to nowhere.
struct Program {
    explicit Program(QDBusConnection connection);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    int nullFile;
    LogChannel log;
    ManualClock clock;
    DBusNotificationService agent;
    Installed installed;
    NotificationCenter center;
    std::unique_ptr<NotificationManager> manager;
};

// Runs `figure` against a fresh agent on a bus of its own, so that no figure pays for the
// requests an earlier one left pending.
void withAgent(const QString& name, const std::function<void(Program&)>& figure);

} // namespace AgentWorld
