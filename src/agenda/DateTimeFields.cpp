#include "agenda/DateTimeFields.h"

#include "model/CalendarMath.h"

#include <QDateEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QTimeEdit>

namespace DateTimeFields {

QDateEdit* dateField(const QString& objectName, const QString& accessibleName,
                     const QLocale& locale, QWidget* parent) {
    auto* date = new QDateEdit(parent);
    date->setObjectName(objectName);
    date->setAccessibleName(accessibleName);
    date->setCalendarPopup(true);
    date->setDisplayFormat(locale.dateFormat(QLocale::ShortFormat));
    date->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
    return date;
}

QTimeEdit* timeField(const QString& objectName, const QString& accessibleName, QWidget* parent) {
    auto* time = new QTimeEdit(parent);
    time->setObjectName(objectName);
    time->setAccessibleName(accessibleName);
    time->setDisplayFormat(QStringLiteral("HH:mm"));
    return time;
}

void show(Instant at, const QTimeZone& zone, QDateEdit* date, QTimeEdit* time) {
    const CalendarMath::LocalDateTime local = CalendarMath::toLocal(at, zone);
    const QSignalBlocker dateQuiet(date);
    date->setSpecialValueText(QString());
    date->setDate(local.date);
    if (time) {
        const QSignalBlocker timeQuiet(time);
        time->setSpecialValueText(QString());
        time->setTime(QTime::fromMSecsSinceStartOfDay(int(local.msOfDay)));
    }
}

// A spin box shows its special text while it holds its minimum; a blank one reads as empty.
// Only while nothing is set, since midnight is a time like any other.
void showNone(QDateEdit* date, QTimeEdit* time) {
    const QString blank(QLatin1Char(' '));
    const QSignalBlocker dateQuiet(date);
    date->setSpecialValueText(blank);
    date->setDate(date->minimumDate());
    if (time) {
        const QSignalBlocker timeQuiet(time);
        time->setSpecialValueText(blank);
        time->setTime(time->minimumTime());
    }
}

std::optional<Instant> read(const QDateEdit* date, const QTimeEdit* time, const QTimeZone& zone) {
    const qint64 msOfDay = time ? time->time().msecsSinceStartOfDay() : 0;
    return CalendarMath::fromLocal(date->date(), msOfDay, zone,
                                   CalendarMath::Gap::FirstInstantAfter);
}

} // namespace DateTimeFields
