#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>

// A session bus of the test's own (a dbus-daemon with no activatable services), so that a
// fake notification server may own its name and nothing of the machine's session is touched.
class PrivateBus final {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    // A new connection to the bus, closed when the bus is stopped.
    QDBusConnection connect();
    // Closes every connection made here and ends the daemon, as a session that ends.
    void stop();

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// Runs the event loop until the condition holds or the time is up; the condition's value.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);
