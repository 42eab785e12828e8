#pragma once

#include "platform/Instant.h"

#include <QTimeZone>

#include <optional>

class QDateEdit;
class QLocale;
class QTimeEdit;
class QWidget;

// The date and time fields the event and task editors share: a date with its calendar popup
// in the locale's short format, and a time in hours and minutes, read and written as an
// instant of the user's zone.
namespace DateTimeFields {

QDateEdit* dateField(const QString& objectName, const QString& accessibleName,
                     const QLocale& locale, QWidget* parent);
QTimeEdit* timeField(const QString& objectName, const QString& accessibleName, QWidget* parent);
// Shows the instant's local date and time without signalling the change.
void show(Instant at, const QTimeZone& zone, QDateEdit* date, QTimeEdit* time);
// Shows empty fields, for a date not set, until show() gives them one; without signalling.
void showNone(QDateEdit* date, QTimeEdit* time);
// The instant the fields show; a time the zone skips (the spring-forward hour) reads as the
// first instant after it. Without a time field, the day's start.
std::optional<Instant> read(const QDateEdit* date, const QTimeEdit* time, const QTimeZone& zone);

} // namespace DateTimeFields
