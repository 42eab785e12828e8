#pragma once

#include "calendar/CalendarBook.h"

#include <QByteArray>
#include <QString>
#include <QTimeZone>

#include <optional>

// The book as an iCalendar file (RFC 5545) that GNOME Calendar, Evolution and Thunderbird open
// or subscribe to: each policy's expiry as an all-day event with an alarm at each of its
// reminder days, the agenda's events with their repeat rule and reminder, and its tasks as
// to-dos. Built and written with libical, which escapes the texts and folds the lines.
//
// Every item's UID is made from its id, and nothing in the text depends on the moment it is
// written, so the same book gives the same bytes and a subscribed calendar sees an item
// change rather than a new one appear.
namespace CalendarWriter {

// "policy-<id>@quintaver-scheduler", and "event-" and "task-" likewise.
QString policyUid(const QUuid& id);
QString eventUid(const QUuid& id);
QString taskUid(const QUuid& id);

// The calendar's text, CRLF lines. Expiries and all-day events are dates in `zone`; timed
// events, due dates and alarms at a set time are UTC times. A repeat rule libical cannot read
// is left out, and the event kept as a single one.
QByteArray text(const CalendarBook& book, const QTimeZone& zone);

// Writes the text to `path` whole or not at all: into a new file beside it, flushed to the
// disk, then renamed over it. Why it failed, or nothing.
std::optional<QString> writeFile(const QString& path, const QByteArray& text);

} // namespace CalendarWriter
