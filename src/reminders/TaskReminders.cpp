#include "reminders/TaskReminders.h"

#include "model/CalendarMath.h"
#include "model/Task.h"

TaskReminderSource TaskReminderSource::of(const Task& task) {
    return {task.id(), task.title(), task.dueDate(), task.reminderDate(), task.isCompleted()};
}

QString TaskReminderSource::idText() const {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

namespace TaskReminders {

QString taskIdOf(const QString& identifier) {
    if (!identifier.startsWith(kPrefix) || identifier.size() != kPrefix.size() + kIdTextLength) {
        return QString();
    }
    return identifier.mid(kPrefix.size());
}

std::vector<Reminder> all(const TaskReminderSource& task, const QTimeZone& zone,
                          const QLocale& locale) {
    if (task.completed || !task.reminderDate || !task.reminderDate->isInCalendarRange()) {
        return {};
    }
    const QString id = task.idText();
    QString body;
    if (task.due) {
        body = QStringLiteral("Scade ") +
               locale.toString(CalendarMath::toLocal(*task.due, zone).date, QLocale::ShortFormat);
    }
    const QString title = Reminder::shortened(task.title);
    return {{Reminder::requestAt(QString(kPrefix) + id, title, body, *task.reminderDate, zone),
             Reminder::Kind::Task, id, title, 0, *task.reminderDate}};
}

std::vector<Reminder> toCome(const TaskReminderSource& task, const QTimeZone& zone,
                             const QLocale& locale, Instant now) {
    std::vector<Reminder> reminders = all(task, zone, locale);
    std::erase_if(reminders,
                  [&](const Reminder& reminder) { return reminder.hasBegun(now, zone); });
    return reminders;
}

} // namespace TaskReminders
