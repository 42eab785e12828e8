#pragma once

#include "platform/Instant.h"
#include "reminders/Reminder.h"

#include <QLocale>
#include <QString>
#include <QTimeZone>
#include <QUuid>

#include <optional>
#include <vector>

class Task;

// What a task's reminder is made from, read on the program's thread as stored.
struct TaskReminderSource {
    QUuid id;
    QString title;
    std::optional<Instant> due;
    std::optional<Instant> reminderDate;
    bool completed = false;

    static TaskReminderSource of(const Task& task);
    QString idText() const;
};

// A task's reminder: one request, "task-<id>", at its reminder date, titled with its title and
// saying "Scade <due date>". A done task, or one without a reminder date, has none.
namespace TaskReminders {

inline constexpr QLatin1StringView kPrefix("task-");
inline constexpr qsizetype kIdTextLength = 36;

// The task's id in a request identifier of this kind; empty for any other identifier.
QString taskIdOf(const QString& identifier);

std::vector<Reminder> all(const TaskReminderSource& task, const QTimeZone& zone,
                          const QLocale& locale);
std::vector<Reminder> toCome(const TaskReminderSource& task, const QTimeZone& zone,
                             const QLocale& locale, Instant now);

} // namespace TaskReminders
