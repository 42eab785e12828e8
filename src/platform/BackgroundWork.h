#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <mutex>

// Runs `work` on the process's thread pool and hands its result to `done` on the receiver's
// thread, on a later turn of its event loop, unless the receiver is gone by then. Nothing
// waits for the work: a receiver deleted meanwhile simply hears nothing.
template <typename Result>
void runInBackground(QObject* receiver, std::function<Result()> work,
                     std::function<void(Result)> done) {
    // The receiver is forgotten, under the lock, as it goes; the worker posts to it only under
    // the same lock, so it never posts to an object already gone.
    struct Relay {
        std::mutex mutex;
        QObject* receiver;
        QMetaObject::Connection watch;
    };
    auto relay = std::make_shared<Relay>();
    relay->receiver = receiver;
    relay->watch = QObject::connect(receiver, &QObject::destroyed, [relay] {
        const std::lock_guard lock(relay->mutex);
        relay->receiver = nullptr;
    });
    QThreadPool::globalInstance()->start(
        [relay, work = std::move(work), done = std::move(done)]() mutable {
            Result result = work();
            const std::lock_guard lock(relay->mutex);
            if (relay->receiver) {
                QMetaObject::invokeMethod(
                    relay->receiver,
                    [relay, done = std::move(done), result = std::move(result)]() mutable {
                        // Delivered: the receiver need not be watched any more.
                        QObject::disconnect(relay->watch);
                        done(std::move(result));
                    },
                    Qt::QueuedConnection);
            }
        });
}
