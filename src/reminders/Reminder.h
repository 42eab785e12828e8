#pragma once

#include "platform/Instant.h"
#include "platform/NotificationRequest.h"

#include <QString>
#include <QTimeZone>

// One reminder of a policy, an event or a task: the request the agent holds, and whose it is
// for the log line and for telling which requests a pass may touch.
struct Reminder {
    enum class Kind { Policy, Event, Task };

    NotificationRequest request;
    Kind kind = Kind::Policy;
    // The id of the policy, event or task as the identifiers spell it.
    QString ownerId;
    QString ownerName;
    // A policy's reminder day.
    qint64 day = 0;
    Instant at;

    // An event's or task's title as its reminder shows it: a title pasted whole from elsewhere
    // would fill the screen, and the notification server may refuse it.
    static constexpr qsizetype kMaxTitleLength = 100;
    // `text` in at most `max` UTF-16 units: cut, with "…" as the last, never between the two
    // halves of a surrogate pair.
    static QString shortened(const QString& text, qsizetype max = kMaxTitleLength);

    // A request showing `title` and `body` at the minute of `at` on the zone's wall clock
    // (seconds dropped).
    static NotificationRequest requestAt(const QString& identifier, const QString& title,
                                         const QString& body, Instant at, const QTimeZone& zone);

    // Whether the reminder's minute has begun at `now`. The service shows a request as soon as
    // its minute begins, so one added again later in that minute would be shown a second time.
    bool hasBegun(Instant now, const QTimeZone& zone) const;

    // Whether the identifier is one of the program's reminders ("policy-", "event-", "task-").
    static bool isOurs(const QString& identifier);
    // The owner's id in an identifier of ours; empty for any other identifier.
    static QString ownerIdOf(const QString& identifier);
};
