#include "agent/ProgramHandOver.h"

#include "platform/DBusReplies.h"
#include "platform/ReminderBus.h"

#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {
// Starting the program may take a while on a cold cache.
constexpr int kHandOverTimeoutMs = 60'000;
} // namespace

ProgramHandOver::ProgramHandOver(QDBusConnection bus, LogChannel& log, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_log(log) {}

void ProgramHandOver::open(const QString& identifier, const QString& activationToken) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        ReminderBus::kApplicationService, ReminderBus::kApplicationPath,
        ReminderBus::kApplicationInterface, QStringLiteral("ActivateAction"));
    QVariantMap platformData;
    if (!activationToken.isEmpty()) {
        // Wayland compositors read the first, X11 window managers the second.
        platformData.insert(QStringLiteral("activation-token"), activationToken);
        platformData.insert(QStringLiteral("desktop-startup-id"), activationToken);
    }
    message.setArguments({ReminderBus::kOpenReminderAction,
                          QVariantList{QVariant::fromValue(QDBusVariant(identifier))},
                          platformData});
    whenReplied<QDBusPendingReply<>>(this, m_bus.asyncCall(message, kHandOverTimeoutMs),
                                     [this, identifier](const QDBusPendingReply<>& reply) {
                                         if (reply.isError()) {
                                             m_log.write(QStringLiteral("Error opening reminder ") +
                                                             identifier +
                                                             QStringLiteral(" in the program: "),
                                                         reply.error().message());
                                         }
                                     });
}
