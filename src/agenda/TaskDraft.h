#pragma once

#include "platform/Instant.h"

#include <QString>
#include <QTimeZone>

#include <memory>
#include <optional>

class Category;
class ManagedObjectContext;
class Task;

// A task's values as its editor holds them: plain values, so that cancelling leaves the store
// untouched. The checklist is held as the text the task stores (model/Checklist reads and
// writes it), so a checklist the user did not touch is written back as it was.
struct TaskDraft {
    QString title;
    std::optional<Instant> dueDate;
    qint32 priority = 1;
    std::shared_ptr<Category> category;
    QString notes;
    std::optional<Instant> reminderDate;
    std::optional<QString> subtasks;
    bool done = false;

    // A new task: normal priority, no due date, no reminder, no checklist.
    static TaskDraft fresh() { return {}; }
    static TaskDraft of(const Task& task);

    bool operator==(const TaskDraft&) const = default;

    // Why "Salva Compito" is off (a title is needed; blanks count); empty when it may be saved.
    QString whyNotSavable() const;
    bool canSave() const { return whyNotSavable().isEmpty(); }

    // The checklist, one change at a time (see Checklist).
    void addChecklistItem(const QString& text);
    void setChecklistItemDone(size_t line, bool itemDone);
    void removeChecklistLine(size_t line);

    // Writes every value into the task; ticked done at `now` (a task already done keeps its
    // time), unticked neither done nor dated.
    void writeInto(Task& task, Instant now) const;
    // Writes into `task`, or into a new one when it is null, and saves the context. The saved
    // task, or null with `error` set (the context rolled back to its last save).
    std::shared_ptr<Task> save(ManagedObjectContext& context, std::shared_ptr<Task> task,
                               Instant now, QString* error) const;
};
