#pragma once

#include "platform/LogChannel.h"
#include "platform/NotificationService.h"

#include <QDBusConnection>

class DBusApplicationObject;
class QDBusPendingCall;

// The notification service of the program: the per-user reminder agent, reached on the session
// bus and started there by D-Bus activation when it is not running. Every call goes out on one
// connection to one peer, which keeps the calls in the order they were made.
class DBusNotificationService final : public NotificationService {
    Q_OBJECT
public:
    explicit DBusNotificationService(QDBusConnection bus,
                                     LogChannel& log = LogChannel::standardOutput(),
                                     QObject* parent = nullptr);
    ~DBusNotificationService() override;

    void requestAuthorization(AuthorizationCompletion completion) override;
    void authorizationStatus(StatusCompletion completion) override;
    void add(const NotificationRequest& request, AddCompletion completion) override;
    // Sent as "AddAll" calls of at most kAddAllBatch requests each, one after the other on the
    // connection; an agent that does not know the call gets them one add at a time.
    void addAll(const QList<NotificationRequest>& requests, AddAllCompletion completion) override;
    static constexpr qsizetype kAddAllBatch = 5'000;
    void pendingRequests(PendingCompletion completion) override;
    // A listing that fails says "Error listing pending reminders: " and why. The requests are
    // read out of the answer off this thread: tens of thousands take tens of milliseconds.
    void listPending(ListingCompletion completion) override;
    void removePending(const QStringList& identifiers) override;

    // Exports the program's org.freedesktop.Application object, through which the agent hands
    // over opened notifications. Owning the program's bus name is left to the caller, which
    // decides about single instances. False when the path is taken.
    bool exportApplicationObject();
    DBusApplicationObject* applicationObject() const { return m_application; }

private:
    QDBusPendingCall call(const QString& method, const QVariantList& arguments);
    void onAction(const QString& actionName, const QVariantList& parameter,
                  const QString& activationToken);

    QDBusConnection m_bus;
    LogChannel& m_log;
    DBusApplicationObject* m_application;
    bool m_exported = false;
};
