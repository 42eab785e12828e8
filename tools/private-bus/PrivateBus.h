#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <functional>

// A session bus of the test's own, so that a fake notification server may own its name and
// nothing of the machine's session is touched. By default nothing on it is activatable; given
// a folder of D-Bus service files, it starts those programs on demand, with the environment
// given (where their data folder and display are).
class PrivateBus final {
public:
    explicit PrivateBus(
        const QString& serviceFolder = QString(),
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
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
