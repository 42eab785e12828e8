#pragma once

#include "agenda/TaskDraft.h"
#include "ui/EditorSheet.h"

#include <memory>

class CategoryPicker;
class Clock;
class Confirmation;
class LogChannel;
class ManagedObjectContext;
class NotificationManager;
class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QVBoxLayout;
class SegmentedControl;
class Task;

// The sheet in which a task is created (given none) or changed (given one): title, due date
// and time, priority, category, notes, reminder date, checklist and "Completato". Saving
// writes the draft, saves the context, hands the task to the reminders (a done task's
// reminder goes) and closes; a refused save writes "Error saving task: " and the sheet stays.
// An existing task can be deleted from it, once the user confirms.
class TaskEditView final : public EditorSheet {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        NotificationManager& reminders;
        const Clock& clock;
        LogChannel& log;
        Confirmation& confirmation;
    };

    TaskEditView(Services services, std::shared_ptr<Task> task, QWidget* parent = nullptr);
    ~TaskEditView() override;

    const TaskDraft& draft() const { return m_draft; }
    bool hasChanges() const override { return m_draft != m_original; }
    bool saveTask();
    void confirmDelete();

Q_SIGNALS:
    void saved(const QUuid& id);
    void deleted();

protected:
    bool save() override { return saveTask(); }
    void draftEdited() override;

private:
    QWidget* buildDetailsCard();
    QWidget* buildDatesCard();
    QWidget* buildChecklistCard();
    QWidget* buildNotesCard();
    QWidget* buildDeleteRow();
    // A date-and-time row that an optional instant of the draft shows: ticked, it holds one.
    QWidget* optionalDateRow(const QString& caption, const QString& name,
                             std::optional<Instant>& value, const std::function<Instant()>& made);
    void showChecklist();
    void addChecklistItem();
    void deleteTask();

    Services m_services;
    std::shared_ptr<Task> m_task;
    TaskDraft m_draft;
    TaskDraft m_original;
    QLineEdit* m_title = nullptr;
    CategoryPicker* m_category = nullptr;
    SegmentedControl* m_priority = nullptr;
    QCheckBox* m_done = nullptr;
    QWidget* m_checklistRows = nullptr;
    QVBoxLayout* m_checklistLayout = nullptr;
    QLineEdit* m_newItem = nullptr;
    QPushButton* m_addItem = nullptr;
};
