#include "reminders/Reminder.h"

#include "model/CalendarMath.h"
#include "reminders/EventReminders.h"
#include "reminders/PolicyReminders.h"
#include "reminders/TaskReminders.h"

QString Reminder::shortened(const QString& text, qsizetype max) {
    if (text.size() <= max) {
        return text;
    }
    if (max < 1) {
        return QString();
    }
    qsizetype kept = max - 1;
    if (kept > 0 && text[kept - 1].isHighSurrogate()) {
        --kept;
    }
    return text.left(kept) + QChar(0x2026);
}

NotificationRequest Reminder::requestAt(const QString& identifier, const QString& title,
                                        const QString& body, Instant at, const QTimeZone& zone) {
    const CalendarMath::LocalDateTime local = CalendarMath::toLocal(at, zone);
    const qint64 minuteOfDay = local.msOfDay / 60'000;
    NotificationRequest request;
    request.identifier = identifier;
    request.title = title;
    request.body = body;
    request.sound = true;
    request.year = local.date.year();
    request.month = local.date.month();
    request.day = local.date.day();
    request.hour = int(minuteOfDay / 60);
    request.minute = int(minuteOfDay % 60);
    return request;
}

bool Reminder::hasBegun(Instant now, const QTimeZone& zone) const {
    if (at < now) {
        return true;
    }
    const std::optional<Instant> minuteBegins =
        CalendarMath::fromLocal(QDate(request.year, request.month, request.day),
                                (request.hour * 60 + request.minute) * 60'000LL, zone,
                                CalendarMath::Gap::FirstInstantAfter);
    return minuteBegins && *minuteBegins < now;
}

bool Reminder::isOurs(const QString& identifier) {
    return identifier.startsWith(PolicyReminders::kPrefix) ||
           identifier.startsWith(EventReminders::kPrefix) ||
           identifier.startsWith(TaskReminders::kPrefix);
}

QString Reminder::ownerIdOf(const QString& identifier) {
    if (identifier.startsWith(PolicyReminders::kPrefix)) {
        return PolicyReminders::policyIdOf(identifier);
    }
    if (identifier.startsWith(EventReminders::kPrefix)) {
        return EventReminders::eventIdOf(identifier);
    }
    return TaskReminders::taskIdOf(identifier);
}
