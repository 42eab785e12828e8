#pragma once

#include "platform/NotificationService.h"

// A notification service that keeps its pending requests in memory and shows nothing: for
// tests of the program's side, the benchmarks and the screenshot tool. It answers as the real
// service does, later and in order.
class InMemoryNotificationService final : public NotificationService {
    Q_OBJECT
public:
    using NotificationService::NotificationService;

    void requestAuthorization(AuthorizationCompletion completion) override;
    void authorizationStatus(StatusCompletion completion) override;
    void add(const NotificationRequest& request, AddCompletion completion) override;
    void pendingRequests(PendingCompletion completion) override;
    void listPending(ListingCompletion completion) override;
    void removePending(const QStringList& identifiers) override;

    // What the next permission requests answer; granted unless set otherwise.
    void setAuthorization(bool granted, std::optional<QString> error = std::nullopt);
    // Makes every later add fail with this error (or succeed again with nothing).
    void setAddError(std::optional<QString> error) { m_addError = std::move(error); }
    // Makes every later listing fail with this error (or succeed again with nothing).
    void setListError(std::optional<QString> error) { m_listError = std::move(error); }
    // Acts as the user opening a shown notification: the signal follows, queued.
    void open(const QString& identifier, const QString& activationToken = QString());

    // The pending requests at this moment, in the order they were added.
    const QList<NotificationRequest>& pending() const { return m_pending; }
    // Whether every call made so far has had its answer, and what the answers set off too.
    bool hasAnsweredAll() const { return m_unanswered == 0; }

private:
    void answerLater(std::function<void()> answer);

    int m_unanswered = 0;
    QList<NotificationRequest> m_pending;
    bool m_asked = false;
    bool m_granted = true;
    std::optional<QString> m_authorizationError;
    std::optional<QString> m_addError;
    std::optional<QString> m_listError;
};
