#pragma once

#include "platform/NotificationRequest.h"

#include <QDBusContext>
#include <QObject>
#include <QStringList>

class ReminderAgent;

// The agent's object on the session bus. Calls are served one at a time, in the order they
// arrive, each change on disk before its answer leaves.
class ReminderBusService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quintaver.Scheduler.Reminders")
public:
    explicit ReminderBusService(ReminderAgent& agent, QObject* parent = nullptr);

public Q_SLOTS:
    // Replaces a pending request with the same identifier. The answer is an error text, empty
    // when the request is held.
    QString Add(const QString& identifier, const QString& title, const QString& body, bool sound,
                int year, int month, int day, int hour, int minute);
    // Many requests in one call, held in one write; one error text per request, in order,
    // empty for each request held.
    QStringList AddAll(const QList<NotificationRequest>& requests);
    void Remove(const QStringList& identifiers);
    QList<NotificationRequest> List();
    // 0 not determined, 1 denied, 2 authorized.
    uint AuthorizationStatus();
    // Answers (granted, error text).
    bool RequestAuthorization(QString& error);

Q_SIGNALS:
    // A call was served.
    void served();

private:
    ReminderAgent& m_agent;
};
