#include "platform/SingleInstance.h"

#include "platform/PrivateFolders.h"

#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kForwardTimeoutMs = 3000;
constexpr QLatin1StringView kLockName("instance.lock");
constexpr QLatin1StringView kSocketName("instance.socket");

QString systemError(int code = errno) {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

SingleInstance::SingleInstance(QString folder, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_folder(std::move(folder))
    , m_bus(std::move(bus)) {
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::readActivation);
}

SingleInstance::~SingleInstance() {
    m_server.close();
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

SingleInstance::Claim SingleInstance::claim() {
    if (std::optional<QString> failure = makePrivateFolders(m_folder)) {
        m_failure = *failure;
        return Claim::Failed;
    }
    const QString lockPath = QDir(m_folder).filePath(kLockName);
    m_lockFd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        m_failure = QStringLiteral("Cannot open the lock file %1: %2").arg(lockPath, systemError());
        return Claim::Failed;
    }
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(m_lockFd);
        m_lockFd = -1;
        if (code == EWOULDBLOCK) {
            return Claim::HeldElsewhere;
        }
        m_failure = QStringLiteral("Cannot lock %1: %2").arg(lockPath, systemError(code));
        return Claim::Failed;
    }
    // A socket file left by a program that crashed is ours to replace: we hold the lock.
    const QString socketPath = QDir(m_folder).filePath(kSocketName);
    QLocalServer::removeServer(socketPath);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(socketPath);
    return Claim::Claimed;
}

bool SingleInstance::publishOnBus(const QString& serviceName) {
    if (!m_bus.isConnected()) {
        return false;
    }
    return m_bus.registerService(serviceName);
}

bool SingleInstance::forwardActivation(const QString& serviceName, const QString& objectPath,
                                       const QString& activationToken) {
    if (m_bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            serviceName, objectPath, QStringLiteral("org.freedesktop.Application"),
            QStringLiteral("Activate"));
        QVariantMap platformData;
        if (!activationToken.isEmpty()) {
            platformData.insert(QStringLiteral("activation-token"), activationToken);
            platformData.insert(QStringLiteral("desktop-startup-id"), activationToken);
        }
        call << platformData;
        // Never start a program to answer: we are the one being started.
        call.setAutoStartService(false);
        if (m_bus.call(call, QDBus::Block, kForwardTimeoutMs).type() ==
            QDBusMessage::ReplyMessage) {
            return true;
        }
    }
    QLocalSocket socket;
    socket.connectToServer(QDir(m_folder).filePath(kSocketName));
    if (!socket.waitForConnected(kForwardTimeoutMs)) {
        return false;
    }
    socket.write(QByteArray("activate ") + activationToken.toUtf8() + '\n');
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(kForwardTimeoutMs)) {
            return false;
        }
    }
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::readActivation() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine().trimmed();
                if (line == "activate" || line.startsWith("activate ")) {
                    Q_EMIT activationRequested(QString::fromUtf8(line.mid(9)));
                }
            }
        });
    }
}
