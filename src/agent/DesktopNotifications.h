#pragma once

#include "agent/NotificationPresenter.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QStringList>

// The desktop's notification server, as the freedesktop Desktop Notifications specification
// describes it (org.freedesktop.Notifications on the session bus).
class DesktopNotifications final : public NotificationPresenter {
    Q_OBJECT
public:
    explicit DesktopNotifications(QDBusConnection bus, QObject* parent = nullptr);

    void show(const NotificationRequest& request, ShowCompletion completion) override;
    void probe(std::function<void(bool answers)> completion) override;
    // The bus's own id and the server's unique name on it: neither is given again, so the
    // pair names one server process even when the file that keeps it outlives the session.
    QString server() const override;

    // The user's sound choice, asked at each notification; a request asks for a sound only
    // while it says yes. Without one, each request's own flag decides.
    void setSoundPreference(std::function<bool()> soundEnabled);

    // The texts and hints shown for a request, given the server's capabilities.
    static QString bodyFor(const NotificationRequest& request, const QStringList& capabilities);
    static QVariantMap hintsFor(const NotificationRequest& request);

private Q_SLOTS:
    // Qt D-Bus connects bus signals by slot name only.
    void onActionInvoked(quint32 id, const QString& actionKey);
    void onActivationToken(quint32 id, const QString& token);
    void onClosed(quint32 id, quint32 reason);

private:
    void notify(NotificationRequest request, const QStringList& capabilities,
                ShowCompletion completion);
    void lookUpServer();

    QDBusConnection m_bus;
    std::function<bool()> m_soundEnabled;
    QDBusServiceWatcher m_watcher;
    // The capabilities of the server now owning the name; reset when the owner changes.
    std::optional<QStringList> m_capabilities;
    QHash<quint32, QString> m_tokens;
    QString m_busId;
    // The unique name owning the server's name, once known; empty while none owns it.
    std::optional<QString> m_owner;
};
