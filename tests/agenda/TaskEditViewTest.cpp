#include "agenda/TaskEditView.h"

#include "support/AgendaEditorFixture.h"
#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>
#include <QToolButton>

namespace {

using TimeHelpers::utc;

class TaskEditViewTest : public AgendaEditorFixture {
protected:
    TaskEditView* openEditor(std::shared_ptr<Task> task = nullptr) {
        m_view = shown(new TaskEditView(taskServices(), std::move(task), &m_window));
        return m_view;
    }
    template <typename T> T* field(const char* name) const { return child<T>(m_view.data(), name); }
    std::shared_ptr<Task> storedTask(const QString& title, std::optional<QString> subtasks) {
        auto task = context().insert<Task>();
        task->setTitle(title);
        task->setSubtasks(subtasks);
        task->setReminderDate(utc("2026-03-11T08:00:00Z"));
        EXPECT_TRUE(context().save());
        return task;
    }

    QPointer<TaskEditView> m_view;
};

TEST_F(TaskEditViewTest, ANewTaskNeedsATitleAndSavesItsPriorityDueDateAndReminder) {
    openEditor();
    EXPECT_EQ(m_view->windowTitle(), QStringLiteral("Nuovo Compito"));
    EXPECT_EQ(saveButton(m_view)->text(), QStringLiteral("Salva Compito"));
    EXPECT_FALSE(saveButton(m_view)->isEnabled());
    EXPECT_EQ(field<QLabel>("saveHint")->text(),
              QStringLiteral("Inserisci un titolo per il compito"));
    EXPECT_FALSE(field<QDateEdit>("dueDateDatePicker")->isEnabled());
    // Dates not set show nothing, not a made-up day.
    const auto shownText = [this](const char* name) {
        return field<QAbstractSpinBox>(name)->text().trimmed();
    };
    for (const char* name : {"dueDateDatePicker", "dueDateTimePicker", "reminderDateDatePicker",
                             "reminderDateTimePicker"}) {
        EXPECT_EQ(shownText(name), QString()) << name;
    }
    // The two dates start on one line, whatever their captions' widths.
    const auto left = [this](const char* name) {
        return field<QDateEdit>(name)->mapTo(m_view.data(), QPoint()).x();
    };
    EXPECT_EQ(left("dueDateDatePicker"), left("reminderDateDatePicker"));
    field<QLineEdit>("taskTitleField")->setText(QStringLiteral("Inviare i documenti"));
    EXPECT_TRUE(saveButton(m_view)->isEnabled());
    EXPECT_EQ(m_view->draft().priority, 1);
    field<QToolButton>("highPrioritySegment")->click();

    // Ticked, the due date is the next whole hour, and a reminder then takes the due time.
    field<QCheckBox>("dueDateToggle")->click();
    field<QDateEdit>("dueDateDatePicker")->setDate(QDate(2026, 3, 13));
    field<QTimeEdit>("dueDateTimePicker")->setTime(QTime(0, 0));
    EXPECT_EQ(shownText("dueDateTimePicker"), QStringLiteral("00:00"));
    field<QTimeEdit>("dueDateTimePicker")->setTime(QTime(17, 0));
    EXPECT_EQ(shownText("dueDateDatePicker"),
              m_clock.locale().toString(QDate(2026, 3, 13), QLocale::ShortFormat));
    field<QCheckBox>("reminderDateToggle")->click();
    EXPECT_EQ(field<QTimeEdit>("reminderDateTimePicker")->time(), QTime(17, 0));
    field<QTimeEdit>("reminderDateTimePicker")->setTime(QTime(9, 0));
    ASSERT_TRUE(m_view->saveTask());

    const auto task = context().fetch(Task::fetchRequest()).front();
    EXPECT_EQ(task->priority(), 2);
    EXPECT_EQ(task->dueDate(), utc("2026-03-13T16:00:00Z"));
    EXPECT_EQ(task->reminderDate(), utc("2026-03-13T08:00:00Z"));
    EXPECT_FALSE(task->isCompleted());
    EXPECT_EQ(pendingReminders(),
              QStringList{"task-" + NotificationManager::identifierText(*task)});

    // Unticked, the dates go, and with them the reminder.
    openEditor(task);
    field<QCheckBox>("dueDateToggle")->click();
    field<QCheckBox>("reminderDateToggle")->click();
    EXPECT_EQ(shownText("dueDateDatePicker"), QString());
    EXPECT_EQ(shownText("reminderDateTimePicker"), QString());
    ASSERT_TRUE(m_view->saveTask());
    EXPECT_EQ(task->dueDate(), std::nullopt);
    EXPECT_EQ(task->reminderDate(), std::nullopt);
    EXPECT_TRUE(pendingReminders().isEmpty());
}

TEST_F(TaskEditViewTest, TheChecklistIsEditedInPlaceAndOtherLinesAreKept) {
    const QString text =
        QStringLiteral("[ ] Polizza\nnota scritta altrove\n[x] Documento\n[X] altro");
    auto task = storedTask(QStringLiteral("Rinnovo"), text);
    openEditor(task);
    // Only the items show; an untouched checklist saves back unchanged.
    EXPECT_EQ(field<QCheckBox>("checklistItem0")->text(), QStringLiteral("Polizza"));
    EXPECT_TRUE(field<QCheckBox>("checklistItem2")->isChecked());
    EXPECT_EQ(field<QCheckBox>("checklistItem1"), nullptr);
    EXPECT_EQ(field<QCheckBox>("checklistItem3"), nullptr);
    EXPECT_FALSE(m_view->hasChanges());
    ASSERT_TRUE(m_view->saveTask());
    EXPECT_EQ(task->subtasks(), text);

    openEditor(task);
    field<QCheckBox>("checklistItem0")->click();
    field<QToolButton>("removeChecklistItem2")->click();
    auto* newItem = field<QLineEdit>("newChecklistItemField");
    QTest::keyClicks(newItem, QStringLiteral("Firma del cliente"));
    QTest::keyClick(newItem, Qt::Key_Return);
    EXPECT_TRUE(newItem->text().isEmpty());
    EXPECT_TRUE(waitUntil([this] { return field<QCheckBox>("checklistItem3") != nullptr; }));
    EXPECT_EQ(field<QCheckBox>("checklistItem3")->text(), QStringLiteral("Firma del cliente"));
    EXPECT_TRUE(m_view->hasChanges());
    ASSERT_TRUE(m_view->saveTask());
    EXPECT_EQ(task->subtasks(), QStringLiteral("[x] Polizza\nnota scritta altrove\n[X] altro\n"
                                               "[ ] Firma del cliente"));
}

TEST_F(TaskEditViewTest, CompletingCancelsTheReminderAndReopeningClearsTheDate) {
    auto task = storedTask(QStringLiteral("Chiamare Bianchi"), std::nullopt);
    m_reminders->scheduleTaskReminder(*task);
    ASSERT_EQ(pendingReminders().size(), 1);
    openEditor(task);
    field<QCheckBox>("completedToggle")->click();
    ASSERT_TRUE(m_view->saveTask());
    EXPECT_TRUE(task->isCompleted());
    EXPECT_EQ(task->completedAt(), m_clock.now());
    EXPECT_TRUE(pendingReminders().isEmpty());

    openEditor(task);
    EXPECT_TRUE(field<QCheckBox>("completedToggle")->isChecked());
    field<QCheckBox>("completedToggle")->click();
    ASSERT_TRUE(m_view->saveTask());
    EXPECT_FALSE(task->isCompleted());
    EXPECT_EQ(task->completedAt(), std::nullopt);
    EXPECT_EQ(pendingReminders().size(), 1);

    openEditor(task);
    child<QPushButton>(m_view.data(), "deleteTaskButton")->click();
    m_confirmation.answer(true);
    EXPECT_TRUE(closed(m_view.data()));
    EXPECT_TRUE(context().fetch(Task::fetchRequest()).empty());
    EXPECT_TRUE(pendingReminders().isEmpty());
}

TEST_F(TaskEditViewTest, ARefusedSaveSaysWhyOnOneLineAndTheSheetStays) {
    refuseWrites("Task", true);
    openEditor();
    field<QLineEdit>("taskTitleField")->setText(QStringLiteral("Chiamare"));
    const int before = int(logLines().size());
    EXPECT_FALSE(m_view->saveTask());
    const QStringList lines = logLines().mid(before);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("Error saving task: ")))
        << lines.first().toStdString();
    EXPECT_FALSE(m_view.isNull());
}

} // namespace
