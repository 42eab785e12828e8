#include "platform/NotificationRequest.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDate>

std::optional<QString> NotificationRequest::validationError() const {
    if (identifier.isEmpty()) {
        return QStringLiteral("The request has no identifier");
    }
    // Years before 1 or after 9999 have no date in the program's calendar.
    if (year < 1 || year > 9999 || !QDate(year, month, day).isValid() || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59) {
        return QStringLiteral("The request's trigger names no valid minute: %1-%2-%3 %4:%5")
            .arg(year)
            .arg(month)
            .arg(day)
            .arg(hour)
            .arg(minute);
    }
    return std::nullopt;
}

void NotificationRequest::registerDBusTypes() {
    qDBusRegisterMetaType<NotificationRequest>();
    qDBusRegisterMetaType<QList<NotificationRequest>>();
}

QDBusArgument& operator<<(QDBusArgument& argument, const NotificationRequest& request) {
    argument.beginStructure();
    argument << request.identifier << request.title << request.body << request.sound << request.year
             << request.month << request.day << request.hour << request.minute;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NotificationRequest& request) {
    argument.beginStructure();
    argument >> request.identifier >> request.title >> request.body >> request.sound >>
        request.year >> request.month >> request.day >> request.hour >> request.minute;
    argument.endStructure();
    return argument;
}
