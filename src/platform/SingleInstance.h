#pragma once

#include <QDBusConnection>
#include <QLocalServer>
#include <QObject>
#include <QString>

// Keeps one running program per user, so that two processes never write one store. The first
// program holds a lock on a file in the data folder (released by the system however the
// program ends, so a crash leaves nothing that stops the next start) and listens on a local
// socket beside it; on a session bus it also owns the program's name, where the desktop's
// launchers and the reminder agent find it. A later start hands its activation to the first
// and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    SingleInstance(QString folder, QDBusConnection bus, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim { Claimed, HeldElsewhere, Failed };
    // Takes the lock and listens, making missing folders mode 0700 (a folder that exists keeps
    // its mode). Failed when no lock can be made here (see failure()): that is no sign of
    // another program.
    Claim claim();
    // Why the last claim failed.
    QString failure() const { return m_failure; }
    // After claim(), once the program's objects are exported: owns the bus name.
    bool publishOnBus(const QString& serviceName);
    // For a later start: asks the running program to come forward, over the bus (without
    // starting anything) or else over the local socket. False when neither answers.
    bool forwardActivation(const QString& serviceName, const QString& objectPath,
                           const QString& activationToken);

Q_SIGNALS:
    // A later start asked over the local socket; the bus's Activate is the application
    // object's own signal.
    void activationRequested(const QString& activationToken);

private:
    void readActivation();

    QString m_folder;
    QDBusConnection m_bus;
    QString m_failure;
    int m_lockFd = -1;
    QLocalServer m_server;
};
