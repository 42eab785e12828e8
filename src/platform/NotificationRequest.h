#pragma once

#include <QMetaType>
#include <QString>

#include <optional>

class QDBusArgument;

// One reminder that the notification service shows once, at a minute of the wall clock: the
// year, month, day, hour and minute are read in the time zone current at that minute.
struct NotificationRequest {
    QString identifier;
    QString title;
    QString body;
    // The desktop's default sound, or silence.
    bool sound = true;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;

    bool operator==(const NotificationRequest&) const = default;

    // Why the service cannot hold this request (no identifier, a minute that no calendar
    // has), or nothing when it can.
    std::optional<QString> validationError() const;

    // Registers the request and lists of requests with Qt D-Bus (signature (sssbiiiii)).
    static void registerDBusTypes();
};

Q_DECLARE_METATYPE(NotificationRequest)

QDBusArgument& operator<<(QDBusArgument& argument, const NotificationRequest& request);
const QDBusArgument& operator>>(const QDBusArgument& argument, NotificationRequest& request);
