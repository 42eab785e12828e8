#pragma once

#include "platform/NotificationRequest.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

// The desktop's local notification service as the program sees it: it holds reminder
// requests and shows each at its minute, whether or not the program is running. Every answer
// arrives later, as a queued call on the thread that owns the service, never inside the call
// that asked; requests are applied in the order they were issued, so a removal never
// overtakes an earlier add and a listing never misses one.
class NotificationService : public QObject {
    Q_OBJECT
public:
    enum class AuthorizationStatus { NotDetermined = 0, Denied = 1, Authorized = 2 };

    using AuthorizationCompletion =
        std::function<void(bool granted, const std::optional<QString>& error)>;
    using StatusCompletion = std::function<void(AuthorizationStatus status)>;
    using AddCompletion = std::function<void(const std::optional<QString>& error)>;
    using PendingCompletion = std::function<void(const QList<NotificationRequest>& requests)>;
    // The pending requests, or why they could not be listed.
    using ListingCompletion = std::function<void(const QList<NotificationRequest>& requests,
                                                 const std::optional<QString>& error)>;
    // One answer per request, in the order given: nothing when it is held, else why not.
    using AddAllCompletion = std::function<void(const QList<std::optional<QString>>& errors)>;

    using QObject::QObject;

    virtual void requestAuthorization(AuthorizationCompletion completion) = 0;
    virtual void authorizationStatus(StatusCompletion completion) = 0;
    // Replaces a pending request with the same identifier.
    virtual void add(const NotificationRequest& request, AddCompletion completion) = 0;
    // Many requests, each held or refused as add() would. This one issues one add per request;
    // a service that can take many in one exchange does so.
    virtual void addAll(const QList<NotificationRequest>& requests, AddAllCompletion completion);
    virtual void pendingRequests(PendingCompletion completion) = 0;
    // The same listing, saying when it failed: a caller that adds what it finds missing must
    // not take a failed listing for an empty one. Its answer may come after the answers to
    // calls made after it (the listing may be read off the caller's thread); the listing
    // itself is still taken in order. This one cannot fail.
    virtual void listPending(ListingCompletion completion);
    // Unknown identifiers are ignored; notifications already shown are not touched.
    virtual void removePending(const QStringList& identifiers) = 0;

Q_SIGNALS:
    // The user opened a shown notification. The token, when the desktop gave one, lets the
    // program's window come forward.
    void notificationOpened(const QString& identifier, const QString& activationToken);
};
