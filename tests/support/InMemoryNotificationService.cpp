#include "support/InMemoryNotificationService.h"

#include <QMetaObject>

// Each answer is computed when the call is made, as the real service applies calls in order,
// and handed to the caller afterwards through the event loop.
void InMemoryNotificationService::requestAuthorization(AuthorizationCompletion completion) {
    m_asked = true;
    answerLater([completion = std::move(completion), granted = m_granted,
                 error = m_authorizationError] { completion(granted, error); });
}

void InMemoryNotificationService::authorizationStatus(StatusCompletion completion) {
    const AuthorizationStatus status = !m_asked    ? AuthorizationStatus::NotDetermined
                                       : m_granted ? AuthorizationStatus::Authorized
                                                   : AuthorizationStatus::Denied;
    answerLater([completion = std::move(completion), status] { completion(status); });
}

void InMemoryNotificationService::add(const NotificationRequest& request,
                                      AddCompletion completion) {
    std::optional<QString> error = m_addError ? m_addError : request.validationError();
    if (!error) {
        m_pending.removeIf([&](const NotificationRequest& pending) {
            return pending.identifier == request.identifier;
        });
        m_pending.append(request);
    }
    answerLater([completion = std::move(completion), error] { completion(error); });
}

void InMemoryNotificationService::pendingRequests(PendingCompletion completion) {
    answerLater([completion = std::move(completion), list = m_pending] { completion(list); });
}

void InMemoryNotificationService::listPending(ListingCompletion completion) {
    QList<NotificationRequest> list = m_listError ? QList<NotificationRequest>() : m_pending;
    answerLater([completion = std::move(completion), list = std::move(list), error = m_listError] {
        completion(list, error);
    });
}

void InMemoryNotificationService::answerLater(std::function<void()> answer) {
    ++m_unanswered;
    // Counted down only after the answer ran, so that calls the answer makes keep the service
    // busy without a gap.
    QMetaObject::invokeMethod(
        this,
        [this, answer = std::move(answer)] {
            answer();
            --m_unanswered;
        },
        Qt::QueuedConnection);
}

void InMemoryNotificationService::removePending(const QStringList& identifiers) {
    m_pending.removeIf([&](const NotificationRequest& pending) {
        return identifiers.contains(pending.identifier);
    });
}

void InMemoryNotificationService::setAuthorization(bool granted, std::optional<QString> error) {
    m_granted = granted;
    m_authorizationError = std::move(error);
}

void InMemoryNotificationService::open(const QString& identifier, const QString& activationToken) {
    QMetaObject::invokeMethod(
        this,
        [this, identifier, activationToken] {
            Q_EMIT notificationOpened(identifier, activationToken);
        },
        Qt::QueuedConnection);
}
