#include "platform/DBusNotificationService.h"

#include "platform/BackgroundWork.h"
#include "platform/DBusApplicationObject.h"
#include "platform/DBusReplies.h"
#include "platform/ReminderBus.h"

#include <QDBusMessage>
#include <QDBusPendingReply>

namespace {
// Long enough for the bus to start the agent on first use.
constexpr int kCallTimeoutMs = 30'000;

} // namespace

DBusNotificationService::DBusNotificationService(QDBusConnection bus, LogChannel& log,
                                                 QObject* parent)
    : NotificationService(parent)
    , m_bus(std::move(bus))
    , m_log(log)
    , m_application(new DBusApplicationObject(this)) {
    NotificationRequest::registerDBusTypes();
    connect(m_application, &DBusApplicationObject::actionActivated, this,
            &DBusNotificationService::onAction);
}

DBusNotificationService::~DBusNotificationService() {
    if (m_exported) {
        m_bus.unregisterObject(ReminderBus::kApplicationPath);
    }
}

bool DBusNotificationService::exportApplicationObject() {
    m_exported =
        m_bus.registerObject(ReminderBus::kApplicationPath, m_application,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
    return m_exported;
}

QDBusPendingCall DBusNotificationService::call(const QString& method,
                                               const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        ReminderBus::kAgentService, ReminderBus::kAgentPath, ReminderBus::kAgentInterface, method);
    message.setArguments(arguments);
    return m_bus.asyncCall(message, kCallTimeoutMs);
}

void DBusNotificationService::requestAuthorization(AuthorizationCompletion completion) {
    whenReplied<QDBusPendingReply<bool, QString>>(
        this, call(QStringLiteral("RequestAuthorization"), {}),
        [completion = std::move(completion)](const QDBusPendingReply<bool, QString>& reply) {
            if (reply.isError()) {
                completion(false, reply.error().message());
                return;
            }
            const QString error = reply.argumentAt<1>();
            completion(reply.argumentAt<0>(),
                       error.isEmpty() ? std::nullopt : std::optional(error));
        });
}

void DBusNotificationService::authorizationStatus(StatusCompletion completion) {
    whenReplied<QDBusPendingReply<uint>>(
        this, call(QStringLiteral("AuthorizationStatus"), {}),
        [completion = std::move(completion)](const QDBusPendingReply<uint>& reply) {
            // An agent that cannot be reached cannot show anything.
            if (reply.isError() || reply.value() > 2) {
                completion(AuthorizationStatus::Denied);
                return;
            }
            completion(static_cast<AuthorizationStatus>(reply.value()));
        });
}

void DBusNotificationService::add(const NotificationRequest& request, AddCompletion completion) {
    whenReplied<QDBusPendingReply<QString>>(
        this,
        call(QStringLiteral("Add"),
             {request.identifier, request.title, request.body, request.sound, request.year,
              request.month, request.day, request.hour, request.minute}),
        [completion = std::move(completion)](const QDBusPendingReply<QString>& reply) {
            if (reply.isError()) {
                completion(reply.error().message());
                return;
            }
            const QString error = reply.value();
            completion(error.isEmpty() ? std::nullopt : std::optional(error));
        });
}

void DBusNotificationService::addAll(const QList<NotificationRequest>& requests,
                                     AddAllCompletion completion) {
    if (requests.isEmpty()) {
        NotificationService::addAll(requests, std::move(completion));
        return;
    }
    struct Answers {
        QList<std::optional<QString>> errors;
        qsizetype awaited = 0;
        AddAllCompletion completion;
    };
    auto answers = std::make_shared<Answers>();
    answers->errors.resize(requests.size());
    answers->completion = std::move(completion);
    for (qsizetype first = 0; first < requests.size(); first += kAddAllBatch) {
        ++answers->awaited;
        const QList<NotificationRequest> batch = requests.mid(first, kAddAllBatch);
        const auto answer = [answers, first](const QList<std::optional<QString>>& errors) {
            for (qsizetype i = 0; i < errors.size(); ++i) {
                answers->errors[first + i] = errors[i];
            }
            if (--answers->awaited == 0) {
                answers->completion(answers->errors);
            }
        };
        whenReplied<QDBusPendingReply<QStringList>>(
            this, call(QStringLiteral("AddAll"), {QVariant::fromValue(batch)}),
            [this, batch, answer](const QDBusPendingReply<QStringList>& reply) {
                if (reply.isError() && reply.error().type() == QDBusError::UnknownMethod) {
                    NotificationService::addAll(batch, answer);
                    return;
                }
                QList<std::optional<QString>> errors(batch.size());
                const QStringList texts = reply.isError() ? QStringList() : reply.value();
                for (qsizetype i = 0; i < batch.size(); ++i) {
                    const QString text = reply.isError()    ? reply.error().message()
                                         : i < texts.size() ? texts[i]
                                                            : QStringLiteral("No answer");
                    errors[i] = text.isEmpty() ? std::nullopt : std::optional(text);
                }
                answer(errors);
            });
    }
}

void DBusNotificationService::pendingRequests(PendingCompletion completion) {
    whenReplied<QDBusPendingReply<QList<NotificationRequest>>>(
        this, call(QStringLiteral("List"), {}),
        [this, completion = std::move(completion)](
            const QDBusPendingReply<QList<NotificationRequest>>& reply) {
            if (reply.isError()) {
                m_log.write(QStringLiteral("Error listing pending reminders: "),
                            reply.error().message());
                completion({});
                return;
            }
            completion(reply.value());
        });
}

void DBusNotificationService::listPending(ListingCompletion completion) {
    whenReplied<QDBusPendingReply<QList<NotificationRequest>>>(
        this, call(QStringLiteral("List"), {}),
        [this, completion = std::move(completion)](
            const QDBusPendingReply<QList<NotificationRequest>>& reply) {
            if (reply.isError()) {
                m_log.write(QStringLiteral("Error listing pending reminders: "),
                            reply.error().message());
                completion({}, reply.error().message());
                return;
            }
            // Tens of thousands of requests take tens of milliseconds to read out of the
            // message: read off this thread, so that the window keeps drawing.
            runInBackground<QList<NotificationRequest>>(
                this,
                [message = reply.reply()] {
                    return qdbus_cast<QList<NotificationRequest>>(message.arguments().value(0));
                },
                [completion](const QList<NotificationRequest>& pending) {
                    completion(pending, std::nullopt);
                });
        });
}

void DBusNotificationService::removePending(const QStringList& identifiers) {
    whenReplied<QDBusPendingReply<>>(
        this, call(QStringLiteral("Remove"), {identifiers}),
        [this](const QDBusPendingReply<>& reply) {
            if (reply.isError()) {
                m_log.write(QStringLiteral("Error removing pending reminders: "),
                            reply.error().message());
            }
        });
}

void DBusNotificationService::onAction(const QString& actionName, const QVariantList& parameter,
                                       const QString& activationToken) {
    if (actionName != ReminderBus::kOpenReminderAction || parameter.isEmpty()) {
        return;
    }
    const QString identifier = parameter.first().toString();
    if (!identifier.isEmpty()) {
        Q_EMIT notificationOpened(identifier, activationToken);
    }
}
