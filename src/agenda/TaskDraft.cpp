#include "agenda/TaskDraft.h"

#include "model/Checklist.h"
#include "model/DraftSave.h"
#include "model/Task.h"

namespace {

std::optional<QString> presentUnlessEmpty(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

// The draft with the instant of its save, in the shape saveDraft() writes.
struct StampedTaskDraft {
    const TaskDraft& draft;
    Instant now;
    void writeInto(Task& task) const { draft.writeInto(task, now); }
};

} // namespace

TaskDraft TaskDraft::of(const Task& task) {
    TaskDraft draft;
    draft.title = task.title();
    draft.dueDate = task.dueDate();
    draft.priority = task.priority();
    draft.category = task.category();
    draft.notes = task.notes().value_or(QString());
    draft.reminderDate = task.reminderDate();
    draft.subtasks = task.subtasks();
    draft.done = task.isCompleted();
    return draft;
}

QString TaskDraft::whyNotSavable() const {
    return title.isEmpty() ? QStringLiteral("Inserisci un titolo per il compito") : QString();
}

void TaskDraft::addChecklistItem(const QString& text) {
    Checklist checklist = Checklist::read(subtasks);
    checklist.addItem(text);
    subtasks = checklist.text();
}

void TaskDraft::setChecklistItemDone(size_t line, bool itemDone) {
    Checklist checklist = Checklist::read(subtasks);
    checklist.setDone(line, itemDone);
    subtasks = checklist.text();
}

void TaskDraft::removeChecklistLine(size_t line) {
    Checklist checklist = Checklist::read(subtasks);
    checklist.remove(line);
    subtasks = checklist.text();
}

void TaskDraft::writeInto(Task& task, Instant now) const {
    task.setTitle(title);
    task.setDueDate(dueDate);
    task.setPriority(priority);
    task.setCategory(category);
    task.setNotes(presentUnlessEmpty(notes));
    task.setReminderDate(reminderDate);
    task.setSubtasks(subtasks);
    task.setDone(done, now);
}

std::shared_ptr<Task> TaskDraft::save(ManagedObjectContext& context, std::shared_ptr<Task> task,
                                      Instant now, QString* error) const {
    return saveDraft(StampedTaskDraft{*this, now}, context, std::move(task), error);
}
