#pragma once

#include "agent/NotificationPresenter.h"
#include "agent/ReminderStore.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "platform/NotificationService.h"

#include <QList>
#include <QSet>

#include <functional>
#include <optional>

// The heart of the reminder agent: holds the pending requests in its store and shows each
// once, at its minute read in the time zone current at that minute. It looks again whenever
// the clock enters a new minute, jumps (set by hand, or a resume from suspend) or changes
// zone, and whenever a notification server appears; nothing else wakes it.
class ReminderAgent final : public QObject {
    Q_OBJECT
public:
    ReminderAgent(Clock& clock, ReminderStore& store, NotificationPresenter& presenter,
                  LogChannel& log, QObject* parent = nullptr);

    // Shows at once what fell due while the agent was not running, then follows the clock.
    void start();

    std::optional<QString> add(const NotificationRequest& request);
    // Each request as add() would take it, those it accepts held in one write; one error (or
    // none) per request, in order.
    QList<std::optional<QString>> addAll(const QList<NotificationRequest>& requests);
    void remove(const QStringList& identifiers);
    QList<NotificationRequest> pending() const;

    // "Not determined" until the program first asks; then authorized exactly while a
    // notification server answers.
    void authorizationStatus(std::function<void(NotificationService::AuthorizationStatus)> done);
    void requestAuthorization(std::function<void(bool granted, const QString& error)> done);

    // The policy a request belongs to ("policy-" + id), or an empty text for other requests.
    static QString policyKey(const QString& identifier);

Q_SIGNALS:
    // The user opened the notification of this request; it is handed to the program once.
    void openRequested(const QString& identifier, const QString& activationToken);

private:
    struct Due {
        ReminderStore::Row row;
        Instant at;
    };

    // Why the agent cannot hold the request, or nothing with `at` set to when it is due.
    std::optional<QString> refusal(const NotificationRequest& request, const QTimeZone& zone,
                                   std::optional<Instant>* at) const;
    void deliverDue();
    QList<Due> dueNow();
    void onShown(const ReminderStore::Row& row, std::optional<quint32> id, const QString& error);
    void onActivated(quint32 id, const QString& activationToken);
    void onClosed(quint32 id);

    Clock& m_clock;
    ReminderStore& m_store;
    NotificationPresenter& m_presenter;
    LogChannel& m_log;
    bool m_started = false;
    // Rows sent to the server whose answer has not come yet: never sent twice.
    QSet<qint64> m_inFlight;
    // Rows whose failure to show was already logged, so that retries stay quiet.
    QSet<qint64> m_failureLogged;
};
