#pragma once

#include "agent/NotificationPresenter.h"

#include <QList>
#include <QMetaObject>

// A notification server that records what it is asked to show and answers later, as the real
// one does. It can be taken away and brought back.
class FakePresenter final : public NotificationPresenter {
    Q_OBJECT
public:
    void show(const NotificationRequest& request, ShowCompletion completion) override {
        std::optional<quint32> id;
        if (m_serverUp) {
            shown.append(request);
            id = m_nextId++;
        }
        QMetaObject::invokeMethod(
            this, [completion = std::move(completion), id] { completion(id, "no server"); },
            Qt::QueuedConnection);
    }
    void probe(std::function<void(bool)> completion) override {
        QMetaObject::invokeMethod(
            this, [completion = std::move(completion), up = m_serverUp] { completion(up); },
            Qt::QueuedConnection);
    }

    QString server() const override { return QStringLiteral("fake-%1").arg(m_generation); }

    void setServerUp(bool up) {
        m_serverUp = up;
        if (up) {
            Q_EMIT serverAppeared();
        } else {
            Q_EMIT serverGone();
        }
    }
    // Another server takes the name and counts its notifications from 1 again.
    void replaceServer() {
        setServerUp(false);
        m_nextId = 1;
        ++m_generation;
        setServerUp(true);
    }
    void click(quint32 id, const QString& token) { Q_EMIT activated(id, token); }

    QStringList shownIdentifiers() const {
        QStringList identifiers;
        for (const NotificationRequest& request : shown) {
            identifiers.append(request.identifier);
        }
        return identifiers;
    }

    QList<NotificationRequest> shown;

private:
    bool m_serverUp = true;
    quint32 m_nextId = 1;
    int m_generation = 1;
};
