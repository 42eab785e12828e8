#include "agent/ReminderBusService.h"

#include "agent/ReminderAgent.h"

#include <QDBusConnection>
#include <QDBusMessage>

ReminderBusService::ReminderBusService(ReminderAgent& agent, QObject* parent)
    : QObject(parent)
    , m_agent(agent) {}

QString ReminderBusService::Add(const QString& identifier, const QString& title,
                                const QString& body, bool sound, int year, int month, int day,
                                int hour, int minute) {
    Q_EMIT served();
    const NotificationRequest request{identifier, title, body, sound, year,
                                      month,      day,   hour, minute};
    return m_agent.add(request).value_or(QString());
}

QStringList ReminderBusService::AddAll(const QList<NotificationRequest>& requests) {
    Q_EMIT served();
    QStringList answers;
    answers.reserve(requests.size());
    for (const std::optional<QString>& error : m_agent.addAll(requests)) {
        answers.append(error.value_or(QString()));
    }
    return answers;
}

void ReminderBusService::Remove(const QStringList& identifiers) {
    Q_EMIT served();
    m_agent.remove(identifiers);
}

QList<NotificationRequest> ReminderBusService::List() {
    Q_EMIT served();
    return m_agent.pending();
}

uint ReminderBusService::AuthorizationStatus() {
    Q_EMIT served();
    setDelayedReply(true);
    m_agent.authorizationStatus(
        [bus = connection(), call = message()](NotificationService::AuthorizationStatus status) {
            bus.send(call.createReply(QVariant::fromValue(uint(status))));
        });
    return 0;
}

bool ReminderBusService::RequestAuthorization(QString& error) {
    Q_EMIT served();
    Q_UNUSED(error);
    setDelayedReply(true);
    m_agent.requestAuthorization(
        [bus = connection(), call = message()](bool granted, const QString& failure) {
            bus.send(call.createReply(QVariantList{granted, failure}));
        });
    return false;
}
