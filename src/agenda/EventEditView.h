#pragma once

#include "agenda/EventDraft.h"
#include "ui/EditorSheet.h"

#include <memory>

class CategoryPicker;
class Clock;
class Confirmation;
class Event;
class LogChannel;
class ManagedObjectContext;
class NotificationManager;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QSpinBox;
class QTimeEdit;
class QWidget;

// The sheet in which an event is created (given none) or changed (given one). Saving writes
// the draft into the event, saves the context, hands the event to the reminders and closes;
// a refused save writes "Error saving event: " and why, and the sheet stays with its values.
// An existing event can be deleted from it, once the user confirms.
class EventEditView final : public EditorSheet {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        NotificationManager& reminders;
        const Clock& clock;
        LogChannel& log;
        Confirmation& confirmation;
        // The "Default Reminder" preference, in minutes (negative for none): a new event's.
        int defaultReminderMinutes = 15;
    };

    // A new event on `day` when given (see EventDraft::fresh), or the event to change.
    EventEditView(Services services, std::shared_ptr<Event> event,
                  std::optional<QDate> day = std::nullopt, QWidget* parent = nullptr);
    ~EventEditView() override;

    const EventDraft& draft() const { return m_draft; }
    bool hasChanges() const override { return m_draft != m_original; }
    // True once saved (the sheet then closes).
    bool saveEvent();
    // Asks first; the event goes, with its reminders, once the user confirms.
    void confirmDelete();

Q_SIGNALS:
    void saved(const QUuid& id);
    void deleted();

protected:
    bool save() override { return saveEvent(); }
    void draftEdited() override;

private:
    QWidget* buildDetailsCard();
    QWidget* buildTimesCard();
    QWidget* buildReminderCard();
    QWidget* buildNotesCard();
    QWidget* buildDeleteRow();
    void showTimes();
    void showRepeat();
    void startEdited();
    void endEdited();
    void repeatChosen();
    std::optional<Instant> instantOf(const QDateEdit* date, const QTimeEdit* time) const;
    void deleteEvent();

    Services m_services;
    std::shared_ptr<Event> m_event;
    EventDraft m_draft;
    EventDraft m_original;
    QCheckBox* m_allDay = nullptr;
    QDateEdit* m_startDate = nullptr;
    QTimeEdit* m_startTime = nullptr;
    QDateEdit* m_endDate = nullptr;
    QTimeEdit* m_endTime = nullptr;
    CategoryPicker* m_category = nullptr;
    QComboBox* m_reminder = nullptr;
    QComboBox* m_repeat = nullptr;
    QWidget* m_endRow = nullptr;
    QComboBox* m_repeatEnd = nullptr;
    QDateEdit* m_until = nullptr;
    QSpinBox* m_count = nullptr;
};
