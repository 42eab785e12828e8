#pragma once

#include <QObject>
#include <QString>

#include <functional>

// The process-wide names that commands, the popover and opened reminders post, and the
// windows observe. A name is posted with no sender and no user information.
namespace NotificationName {
inline const QString newPolicy = QStringLiteral("newPolicy");
inline const QString newEvent = QStringLiteral("newEvent");
inline const QString newTask = QStringLiteral("newTask");
inline const QString showSharing = QStringLiteral("showSharing");
} // namespace NotificationName

// An in-process center on which anything can post a name and observe it. Observers run at
// once, on the posting thread, in the order they were added.
class NotificationCenter final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The process's default center.
    static NotificationCenter& defaultCenter();

    void post(const QString& name);

    // Calls `observer` for every post of `name` until `context` is destroyed or the returned
    // connection is disconnected.
    QMetaObject::Connection addObserver(const QString& name, const QObject* context,
                                        std::function<void()> observer);

Q_SIGNALS:
    void posted(const QString& name);
};
