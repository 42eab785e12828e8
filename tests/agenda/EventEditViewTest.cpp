#include "agenda/EventEditView.h"

#include "support/AgendaEditorFixture.h"
#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimeEdit>

namespace {

using TimeHelpers::utc;
using TimeHelpers::wall;

class EventEditViewTest : public AgendaEditorFixture {
protected:
    EventEditView* openEditor(std::shared_ptr<Event> event = nullptr,
                              std::optional<QDate> day = std::nullopt, int defaultReminder = 15) {
        m_view = shown(
            new EventEditView(eventServices(defaultReminder), std::move(event), day, &m_window));
        return m_view;
    }
    template <typename T> T* field(const char* name) const { return child<T>(m_view.data(), name); }
    QString why() const { return field<QLabel>("saveHint")->text(); }
    QString startWall() const { return wall(m_view->draft().times.start, m_clock.timeZone()); }
    QString endWall() const { return wall(m_view->draft().times.end, m_clock.timeZone()); }
    std::shared_ptr<Event> storedEvent(const QString& title, const char* start,
                                       std::optional<QString> rule = std::nullopt) {
        auto event = context().insert<Event>();
        event->setTitle(title);
        event->setStartDate(utc(start));
        event->setEndDate(Instant(utc(start).msSinceEpoch() + TimeHelpers::kHourMs));
        event->setRecurrenceRule(rule);
        EXPECT_TRUE(context().save());
        return event;
    }

    QPointer<EventEditView> m_view;
};

// The clock reads 10:30 in Rome on 10 March 2026.
TEST_F(EventEditViewTest, ANewEventStartsAtTheNextWholeHourOrAtNineOnAnotherDay) {
    openEditor();
    EXPECT_EQ(m_view->windowTitle(), QStringLiteral("Nuovo Evento"));
    EXPECT_EQ(startWall(), QStringLiteral("2026-03-10 11:00"));
    EXPECT_EQ(endWall(), QStringLiteral("2026-03-10 12:00"));
    EXPECT_EQ(field<QTimeEdit>("startTimePicker")->time(), QTime(11, 0));
    m_view->reject();

    openEditor(nullptr, QDate(2026, 3, 10));
    EXPECT_EQ(startWall(), QStringLiteral("2026-03-10 11:00"));
    m_view->reject();
    for (const QDate day : {QDate(2026, 3, 12), QDate(2026, 3, 2)}) {
        openEditor(nullptr, day);
        EXPECT_EQ(startWall(), day.toString(Qt::ISODate) + QStringLiteral(" 09:00"));
        EXPECT_EQ(endWall(), day.toString(Qt::ISODate) + QStringLiteral(" 10:00"));
        EXPECT_FALSE(m_view->hasChanges());
        m_view->reject();
    }
}

// The "Default Reminder" preference is a new event's reminder; a number no choice names is
// shown and kept. The event is two days on, so that every reminder is still to come.
struct PreferenceCase {
    int preference;
    qint32 stored;
    const char* shown;
};
void PrintTo(const PreferenceCase& c, std::ostream* out) {
    *out << c.preference;
}
class NewEventReminder : public EventEditViewTest,
                         public ::testing::WithParamInterface<PreferenceCase> {};

TEST_P(NewEventReminder, TakesTheDefaultReminderPreference) {
    openEditor(nullptr, QDate(2026, 3, 12), GetParam().preference);
    EXPECT_EQ(m_view->draft().reminderMinutes, GetParam().stored);
    EXPECT_EQ(field<QComboBox>("reminderPicker")->currentText(),
              QString::fromUtf8(GetParam().shown));
    field<QLineEdit>("eventTitleField")->setText(QStringLiteral("Chiamata"));
    ASSERT_TRUE(m_view->saveEvent());
    const auto events = context().fetch(Event::fetchRequest());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front()->reminderMinutes(), GetParam().stored);
    EXPECT_EQ(pendingReminders().size(), GetParam().stored < 0 ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Preferences, NewEventReminder,
                         ::testing::Values(PreferenceCase{15, 15, "15 minuti prima"},
                                           PreferenceCase{1440, 1440, "1 giorno prima"},
                                           PreferenceCase{0, 0, "All'inizio"},
                                           PreferenceCase{-1, -1, "Nessuno"},
                                           PreferenceCase{45, 45, "45 minuti prima"}));

TEST_F(EventEditViewTest, SaveIsOffWithItsReasonUntilTitledAndEndingAfterTheStart) {
    openEditor();
    QPushButton* save = saveButton(m_view);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(why(), QStringLiteral("Inserisci un titolo per l'evento"));
    EXPECT_EQ(save->toolTip(), why());
    QTest::keyClicks(field<QLineEdit>("eventTitleField"), QStringLiteral(" "));
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(field<QLabel>("saveHint")->isHidden());

    // The end a day before the start: refused, and said so.
    field<QDateEdit>("endDatePicker")->setDate(QDate(2026, 3, 9));
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(why(), QStringLiteral("La fine è prima dell'inizio"));
    QTest::keyClick(field<QLineEdit>("eventTitleField"), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(m_view.isNull());
    EXPECT_TRUE(context().fetch(Event::fetchRequest()).empty());
    // An end equal to the start is allowed.
    field<QDateEdit>("endDatePicker")->setDate(QDate(2026, 3, 10));
    field<QTimeEdit>("endTimePicker")->setTime(QTime(11, 0));
    EXPECT_TRUE(save->isEnabled());
}

TEST_F(EventEditViewTest, TheEndFollowsAMovedStartKeepingTheLength) {
    openEditor();
    field<QTimeEdit>("endTimePicker")->setTime(QTime(13, 30)); // 2 h 30 long
    field<QTimeEdit>("startTimePicker")->setTime(QTime(15, 0));
    EXPECT_EQ(endWall(), QStringLiteral("2026-03-10 17:30"));
    EXPECT_EQ(field<QTimeEdit>("endTimePicker")->time(), QTime(17, 30));
    // Across the night of the spring change the length is kept in real time.
    field<QDateEdit>("startDatePicker")->setDate(QDate(2026, 3, 29));
    field<QTimeEdit>("startTimePicker")->setTime(QTime(0, 30));
    EXPECT_EQ(endWall(), QStringLiteral("2026-03-29 04:00"));
    EXPECT_EQ(field<QTimeEdit>("endTimePicker")->time(), QTime(4, 0));
}

TEST_F(EventEditViewTest, AllDayIsStoredAsTheMidnightsAroundItsDaysAndUntickingRestoresTheTimes) {
    openEditor(nullptr, QDate(2026, 3, 28));
    field<QLineEdit>("eventTitleField")->setText(QStringLiteral("Fiera"));
    field<QTimeEdit>("startTimePicker")->setTime(QTime(14, 15));
    field<QCheckBox>("allDayToggle")->click();
    EXPECT_TRUE(field<QTimeEdit>("startTimePicker")->isHidden());
    EXPECT_TRUE(field<QTimeEdit>("endTimePicker")->isHidden());
    // Two days, the second of which is 23 hours long (the clocks go forward).
    field<QDateEdit>("endDatePicker")->setDate(QDate(2026, 3, 29));
    EXPECT_EQ(startWall(), QStringLiteral("2026-03-28 00:00"));
    EXPECT_EQ(endWall(), QStringLiteral("2026-03-30 00:00"));
    EXPECT_EQ(m_view->draft().times.end.msSinceEpoch() - m_view->draft().times.start.msSinceEpoch(),
              47 * TimeHelpers::kHourMs);

    field<QCheckBox>("allDayToggle")->click();
    EXPECT_EQ(startWall(), QStringLiteral("2026-03-28 14:15"));
    EXPECT_EQ(endWall(), QStringLiteral("2026-03-28 15:15"));
    field<QCheckBox>("allDayToggle")->click();
    ASSERT_TRUE(m_view->saveEvent());
    const auto event = context().fetch(Event::fetchRequest()).front();
    EXPECT_TRUE(event->isAllDay());
    EXPECT_EQ(event->startDate(), utc("2026-03-27T23:00:00Z"));
    EXPECT_EQ(event->endDate(), utc("2026-03-28T23:00:00Z"));
}

TEST_F(EventEditViewTest, ARuleFromElsewhereIsShownAsCustomAndKeptUntilTheRepeatChanges) {
    const QString foreign = QStringLiteral("FREQ=WEEKLY;BYDAY=MO,WE;WKST=MO");
    auto event = storedEvent(QStringLiteral("Corso"), "2026-03-16T08:00:00Z", foreign);
    openEditor(event);
    auto* repeat = field<QComboBox>("repeatPicker");
    EXPECT_EQ(repeat->currentText(), QStringLiteral("Personalizzata"));
    EXPECT_FALSE(field<QWidget>("repeatEndPicker")->isVisible());
    field<QLineEdit>("eventTitleField")->setText(QStringLiteral("Corso di aggiornamento"));
    ASSERT_TRUE(m_view->saveEvent());
    EXPECT_EQ(event->recurrenceRule(), foreign);

    openEditor(event);
    repeat = field<QComboBox>("repeatPicker");
    repeat->setCurrentIndex(repeat->findText(QStringLiteral("Ogni 2 settimane")));
    auto* end = field<QComboBox>("repeatEndPicker");
    EXPECT_TRUE(end->isVisible());
    end->setCurrentIndex(end->findText(QStringLiteral("Per un numero di volte")));
    field<QSpinBox>("repeatCountField")->setValue(4);
    ASSERT_TRUE(m_view->saveEvent());
    EXPECT_EQ(event->recurrenceRule(), QStringLiteral("FREQ=WEEKLY;INTERVAL=2;COUNT=4"));
    // 16 and 30 March, 13 and 27 April: all within the next 60 days.
    const QStringList pending = pendingReminders();
    EXPECT_EQ(pending.size(), 4);

    openEditor(event);
    EXPECT_EQ(field<QComboBox>("repeatPicker")->findText(QStringLiteral("Personalizzata")), -1);
    field<QComboBox>("repeatPicker")->setCurrentIndex(0);
    ASSERT_TRUE(m_view->saveEvent());
    EXPECT_EQ(event->recurrenceRule(), std::nullopt);
    EXPECT_EQ(pendingReminders().size(), 1);
}

// "Fino al" a date: no day before the first one is offered, a start moved past the date takes
// the date along rather than ending the rule before it began, and the last day keeps its
// occurrence.
TEST_F(EventEditViewTest, RepeatUntilADateFollowsAStartMovedPastItAndKeepsTheLastDay) {
    auto event = storedEvent(QStringLiteral("Giro"), "2026-03-12T14:00:00Z");
    openEditor(event);
    auto* repeat = field<QComboBox>("repeatPicker");
    repeat->setCurrentIndex(repeat->findText(QStringLiteral("Ogni giorno")));
    auto* end = field<QComboBox>("repeatEndPicker");
    end->setCurrentIndex(end->findText(QStringLiteral("Fino al")));
    auto* until = field<QDateEdit>("repeatUntilPicker");
    until->setDate(QDate(2026, 3, 14));
    EXPECT_EQ(until->minimumDate(), QDate(2026, 3, 12));

    field<QDateEdit>("startDatePicker")->setDate(QDate(2026, 3, 20));
    EXPECT_EQ(m_view->draft().repeat.until, QDate(2026, 3, 20));
    EXPECT_EQ(until->date(), QDate(2026, 3, 20));
    EXPECT_EQ(until->minimumDate(), QDate(2026, 3, 20));
    until->setDate(QDate(2026, 3, 22));
    ASSERT_TRUE(m_view->saveEvent());
    EXPECT_EQ(event->recurrenceRule(), QStringLiteral("FREQ=DAILY;UNTIL=20260322T225959Z"));
    const QString id = NotificationManager::identifierText(*event);
    EXPECT_EQ(pendingReminders(),
              (QStringList{"event-" + id + "-20260320T1400", "event-" + id + "-20260321T1400",
                           "event-" + id + "-20260322T1400"}));
}

TEST_F(EventEditViewTest, SavingReplacesTheRemindersAndDeletingCancelsThemOnceConfirmed) {
    auto event = storedEvent(QStringLiteral("Chiamata Rossi"), "2026-03-12T14:00:00Z");
    auto other = storedEvent(QStringLiteral("Altro"), "2026-03-13T14:00:00Z");
    m_reminders->scheduleEventReminder(*other);
    openEditor(event);
    EXPECT_EQ(m_view->windowTitle(), QStringLiteral("Modifica Evento"));
    auto* repeat = field<QComboBox>("repeatPicker");
    repeat->setCurrentIndex(repeat->findText(QStringLiteral("Ogni giorno")));
    auto* end = field<QComboBox>("repeatEndPicker");
    end->setCurrentIndex(end->findText(QStringLiteral("Fino al")));
    field<QDateEdit>("repeatUntilPicker")->setDate(QDate(2026, 3, 14));
    ASSERT_TRUE(m_view->saveEvent());
    const QString id = NotificationManager::identifierText(*event);
    const QString otherId = NotificationManager::identifierText(*other);
    EXPECT_EQ(pendingReminders(),
              (QStringList{"event-" + otherId + "-20260313T1400", "event-" + id + "-20260312T1400",
                           "event-" + id + "-20260313T1400", "event-" + id + "-20260314T1400"}));

    openEditor(event);
    field<QComboBox>("reminderPicker")->setCurrentIndex(0); // "Nessuno"
    ASSERT_TRUE(m_view->saveEvent());
    EXPECT_EQ(pendingReminders(), QStringList{"event-" + otherId + "-20260313T1400"});

    openEditor(other);
    child<QPushButton>(m_view.data(), "deleteEventButton")->click();
    ASSERT_EQ(m_confirmation.asked.size(), 1);
    EXPECT_TRUE(m_confirmation.asked.first().destructive);
    m_confirmation.answer(false);
    EXPECT_FALSE(other->isDeleted());
    child<QPushButton>(m_view.data(), "deleteEventButton")->click();
    m_confirmation.answer(true);
    EXPECT_TRUE(closed(m_view.data()));
    EXPECT_EQ(context().fetch(Event::fetchRequest()).size(), 1u);
    EXPECT_TRUE(pendingReminders().isEmpty());
}

TEST_F(EventEditViewTest, ARefusedSaveSaysWhyOnOneLineAndTheSheetStays) {
    refuseWrites("Event", true);
    openEditor();
    field<QLineEdit>("eventTitleField")->setText(QStringLiteral("Chiamata"));
    const int before = int(logLines().size());
    EXPECT_FALSE(m_view->saveEvent());
    const QStringList lines = logLines().mid(before);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("Error saving event: ")))
        << lines.first().toStdString();
    EXPECT_FALSE(m_view.isNull());
    EXPECT_TRUE(pendingReminders().isEmpty());
    refuseWrites("Event", false);
    EXPECT_TRUE(m_view->saveEvent());
    EXPECT_EQ(context().fetch(Event::fetchRequest()).size(), 1u);
}

} // namespace
