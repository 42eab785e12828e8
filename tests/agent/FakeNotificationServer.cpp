#include "FakeNotificationServer.h"

#include <QDBusMessage>

namespace {
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

FakeNotificationServer::FakeNotificationServer(QDBusConnection bus, QStringList capabilities)
    : m_bus(std::move(bus))
    , m_capabilities(std::move(capabilities)) {}

FakeNotificationServer::~FakeNotificationServer() {
    m_bus.unregisterService(kInterface);
    m_bus.unregisterObject(kPath);
}

bool FakeNotificationServer::start() {
    return m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
           m_bus.registerService(kInterface);
}

QStringList FakeNotificationServer::GetCapabilities() {
    return m_capabilities;
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString& appIcon,
                                    const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap& hints,
                                    int expireTimeout) {
    Q_UNUSED(replacesId);
    Q_UNUSED(expireTimeout);
    calls.append({appName, appIcon, summary, body, actions, hints, m_nextId});
    return m_nextId++;
}

void FakeNotificationServer::CloseNotification(uint id) {
    Q_UNUSED(id);
}

QString FakeNotificationServer::GetServerInformation(QString& vendor, QString& version,
                                                     QString& specVersion) {
    vendor = QStringLiteral("Quintaver tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("fake");
}

void FakeNotificationServer::click(const Call& call, const QString& activationToken) {
    QDBusMessage token =
        QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActivationToken"));
    token.setArguments({call.id, activationToken});
    m_bus.send(token);
    QDBusMessage action =
        QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActionInvoked"));
    action.setArguments({call.id, QStringLiteral("default")});
    m_bus.send(action);
}
