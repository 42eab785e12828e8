#include "PrivateBus.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

namespace {
int g_connectionCount = 0;
}

PrivateBus::PrivateBus(const QString& serviceFolder, const QProcessEnvironment& environment) {
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    file.write(QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
%2  <!-- As many calls in progress as the desktop's session bus allows one connection. -->
  <limit name="max_replies_per_connection">50000</limit>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
                   .arg(m_dir.path(),
                        serviceFolder.isEmpty()
                            ? QString()
                            : QStringLiteral("  <servicedir>%1</servicedir>\n").arg(serviceFolder))
                   .toUtf8());
    file.close();
    m_daemon.setProcessEnvironment(environment);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                    QStringLiteral("--config-file=") + config});
    if (!m_daemon.waitForStarted(5000)) {
        return;
    }
    QDeadlineTimer deadline(5000);
    while (!m_daemon.canReadLine() && !deadline.hasExpired()) {
        m_daemon.waitForReadyRead(int(deadline.remainingTime()));
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    stop();
}

void PrivateBus::stop() {
    for (const QString& name : m_connections) {
        QDBusConnection::disconnectFromBus(name);
    }
    m_connections.clear();
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect() {
    const QString name = QStringLiteral("private-bus-%1").arg(++g_connectionCount);
    m_connections.append(name);
    return QDBusConnection::connectToBus(m_address, name);
}
