#pragma once

#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QMetaObject>
#include <QObject>

// Calls `handle` with the reply of an asynchronous D-Bus call, later, on the thread that owns
// `context`, and never inside this call. A call that could not even be sent (no connection)
// is answered too, with its error: a watcher alone would wait for it forever.
template <typename Reply, typename Handler>
void whenReplied(QObject* context, const QDBusPendingCall& call, Handler handle) {
    if (call.isFinished()) {
        QMetaObject::invokeMethod(
            context, [call, handle = std::move(handle)]() mutable { handle(Reply(call)); },
            Qt::QueuedConnection);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [handle = std::move(handle)](QDBusPendingCallWatcher* finished) mutable {
                         finished->deleteLater();
                         handle(Reply(*finished));
                     });
}
