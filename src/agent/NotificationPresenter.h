#pragma once

#include "platform/NotificationRequest.h"

#include <QObject>

#include <functional>
#include <optional>

// Shows notifications on the desktop and reports the user's answers: the agent's view of the
// notification server.
class NotificationPresenter : public QObject {
    Q_OBJECT
public:
    // The server's identifier of the shown notification, or no value and the reason.
    using ShowCompletion = std::function<void(std::optional<quint32> id, const QString& error)>;

    using QObject::QObject;

    // Answers later, on the owner's thread.
    virtual void show(const NotificationRequest& request, ShowCompletion completion) = 0;
    // Whether a notification server answers now.
    virtual void probe(std::function<void(bool answers)> completion) = 0;
    // Names the server now owning the name, the same for the whole life of that server and
    // never for another, across restarts of the agent too; empty while not known.
    virtual QString server() const = 0;

Q_SIGNALS:
    // A server took the name; what could not be shown before may be shown now.
    void serverAppeared();
    // The server left: the identifiers it gave mean nothing any more, and a later server may
    // give them again.
    void serverGone();
    // The user chose the default action of a shown notification.
    void activated(quint32 id, const QString& activationToken);
    void closed(quint32 id);
};
