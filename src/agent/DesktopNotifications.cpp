#include "agent/DesktopNotifications.h"

#include "platform/DBusReplies.h"

#include <QDBusMessage>
#include <QDBusPendingReply>

namespace {
constexpr QLatin1String kService("org.freedesktop.Notifications");
constexpr QLatin1String kPath("/org/freedesktop/Notifications");
constexpr QLatin1String kInterface("org.freedesktop.Notifications");
// The bus may have to start an activatable server first.
constexpr int kNotifyCallTimeoutMs = 10'000;

QDBusPendingCall call(QDBusConnection& bus, const QString& method, const QVariantList& arguments,
                      int timeoutMs = kNotifyCallTimeoutMs) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return bus.asyncCall(message, timeoutMs);
}

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, QObject* parent)
    : NotificationPresenter(parent)
    , m_bus(std::move(bus))
    , m_watcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange) {
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                m_capabilities.reset();
                m_tokens.clear();
                m_owner = newOwner;
                if (!oldOwner.isEmpty()) {
                    Q_EMIT serverGone();
                }
                if (!newOwner.isEmpty()) {
                    Q_EMIT serverAppeared();
                }
            });
    // Signatures in Qt's normalised form (no spaces), which spares Qt normalising them at every
    // connect; the formatter would space them out.
    // clang-format off
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(quint32,QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActivationToken"), this,
                  SLOT(onActivationToken(quint32,QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(quint32,quint32)));
    // clang-format on
    lookUpServer();
}

void DesktopNotifications::lookUpServer() {
    const auto busCall = [this](const QString& method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), method);
        message.setArguments(arguments);
        return m_bus.asyncCall(message);
    };
    whenReplied<QDBusPendingReply<QString>>(this, busCall(QStringLiteral("GetId"), {}),
                                            [this](const QDBusPendingReply<QString>& reply) {
                                                m_busId =
                                                    reply.isError() ? QString() : reply.value();
                                            });
    whenReplied<QDBusPendingReply<QString>>(
        this, busCall(QStringLiteral("GetNameOwner"), {kService}),
        [this](const QDBusPendingReply<QString>& reply) {
            // An owner change seen meanwhile is newer than this answer.
            if (!m_owner) {
                m_owner = reply.isError() ? QString() : reply.value();
            }
        });
}

QString DesktopNotifications::server() const {
    if (!m_owner || m_owner->isEmpty()) {
        return QString();
    }
    return m_busId + QLatin1Char('/') + *m_owner;
}

QString DesktopNotifications::bodyFor(const NotificationRequest& request,
                                      const QStringList& capabilities) {
    // A server with body markup would read "<b>" or "&" in a policy name as markup.
    return capabilities.contains(QStringLiteral("body-markup")) ? request.body.toHtmlEscaped()
                                                                : request.body;
}

QVariantMap DesktopNotifications::hintsFor(const NotificationRequest& request) {
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.quintaver.Scheduler"));
    if (request.sound) {
        // The freedesktop sound naming specification's name for a new message.
        hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    } else {
        hints.insert(QStringLiteral("suppress-sound"), true);
    }
    return hints;
}

void DesktopNotifications::show(const NotificationRequest& request, ShowCompletion completion) {
    if (m_capabilities) {
        notify(request, *m_capabilities, std::move(completion));
        return;
    }
    whenReplied<QDBusPendingReply<QStringList>>(
        this, call(m_bus, QStringLiteral("GetCapabilities"), {}),
        [this, request,
         completion = std::move(completion)](const QDBusPendingReply<QStringList>& reply) mutable {
            if (reply.isError()) {
                completion(std::nullopt, reply.error().message());
                return;
            }
            m_capabilities = reply.value();
            notify(request, *m_capabilities, std::move(completion));
        });
}

void DesktopNotifications::setSoundPreference(std::function<bool()> soundEnabled) {
    m_soundEnabled = std::move(soundEnabled);
}

void DesktopNotifications::notify(NotificationRequest request, const QStringList& capabilities,
                                  ShowCompletion completion) {
    request.sound = request.sound && (!m_soundEnabled || m_soundEnabled());
    const QVariantList arguments = {
        QStringLiteral("Quintaver Scheduler"),
        quint32(0),
        QStringLiteral("org.quintaver.Scheduler"),
        request.title,
        bodyFor(request, capabilities),
        QStringList{QStringLiteral("default"), QStringLiteral("Open")},
        hintsFor(request),
        qint32(-1),
    };
    whenReplied<QDBusPendingReply<quint32>>(
        this, call(m_bus, QStringLiteral("Notify"), arguments),
        [completion = std::move(completion)](const QDBusPendingReply<quint32>& reply) {
            if (reply.isError()) {
                completion(std::nullopt, reply.error().message());
            } else {
                completion(reply.value(), QString());
            }
        });
}

void DesktopNotifications::probe(std::function<void(bool answers)> completion) {
    whenReplied<QDBusPendingReply<QString, QString, QString, QString>>(
        this, call(m_bus, QStringLiteral("GetServerInformation"), {}, 3000),
        [completion = std::move(completion)](
            const QDBusPendingReply<QString, QString, QString, QString>& reply) {
            completion(!reply.isError());
        });
}

void DesktopNotifications::onActionInvoked(quint32 id, const QString& actionKey) {
    if (actionKey == QLatin1String("default")) {
        Q_EMIT activated(id, m_tokens.value(id));
    }
}

void DesktopNotifications::onActivationToken(quint32 id, const QString& token) {
    // Servers send the token just before the action it belongs to.
    m_tokens.insert(id, token);
}

void DesktopNotifications::onClosed(quint32 id, quint32 reason) {
    Q_UNUSED(reason);
    m_tokens.remove(id);
    Q_EMIT closed(id);
}
