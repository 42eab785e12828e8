#include "agenda/EventEditView.h"

#include "agenda/DateTimeFields.h"
#include "categories/CategoryPicker.h"
#include "model/Event.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "ui/Confirmation.h"
#include "ui/FieldBlock.h"
#include "ui/RoundedPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

constexpr int kNotesHeight = 80;
constexpr int kDefaultCount = 10;
constexpr int kMostOccurrences = 9999;

QString titleFor(const std::shared_ptr<Event>& event) {
    return event ? QStringLiteral("Modifica Evento") : QStringLiteral("Nuovo Evento");
}

QString reminderLabel(qint32 minutes) {
    switch (minutes) {
    case 0:
        return QStringLiteral("All'inizio");
    case 60:
        return QStringLiteral("1 ora prima");
    case EventRules::kMinutesPerDay:
        return QStringLiteral("1 giorno prima");
    default:
        return minutes < 0 ? QStringLiteral("Nessuno")
                           : QStringLiteral("%1 minuti prima").arg(minutes);
    }
}

struct RepeatChoice {
    RecurrenceRule::Repeat repeat;
    const char* label;
};
constexpr RepeatChoice kRepeatChoices[] = {
    {RecurrenceRule::Repeat::Never, "Mai"},
    {RecurrenceRule::Repeat::Daily, "Ogni giorno"},
    {RecurrenceRule::Repeat::Weekly, "Ogni settimana"},
    {RecurrenceRule::Repeat::EveryTwoWeeks, "Ogni 2 settimane"},
    {RecurrenceRule::Repeat::Monthly, "Ogni mese"},
    {RecurrenceRule::Repeat::Yearly, "Ogni anno"},
};

QWidget* row(std::initializer_list<QWidget*> widgets, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    for (QWidget* widget : widgets) {
        line->addWidget(widget);
    }
    line->addStretch(1);
    return holder;
}

} // namespace

EventEditView::EventEditView(Services services, std::shared_ptr<Event> event,
                             std::optional<QDate> day, QWidget* parent)
    : EditorSheet(titleFor(event), QStringLiteral("Inserisci i dettagli dell'evento qui sotto"),
                  QStringLiteral("Salva Evento"), parent)
    , m_services(services)
    , m_event(std::move(event))
    , m_draft(m_event ? EventDraft::of(*m_event, m_services.clock.timeZone())
                      : EventDraft::fresh(m_services.clock.now(), m_services.clock.timeZone(),
                                          m_services.defaultReminderMinutes, day)) {
    setObjectName(QStringLiteral("eventEditView"));
    setMinimumSize(600, 650);
    QLineEdit* title = nullptr;
    {
        QWidget* card = buildDetailsCard();
        title = card->findChild<QLineEdit*>(QStringLiteral("eventTitleField"));
        addSection(QStringLiteral("Dettagli Evento"), QStringLiteral("calendar"), card,
                   QStringLiteral("eventDetailsSection"));
    }
    addSection(QStringLiteral("Data e Ora"), QStringLiteral("calendar.badge.clock"),
               buildTimesCard(), QStringLiteral("eventTimesSection"));
    addSection(QStringLiteral("Promemoria e Ripetizione"), QStringLiteral("bell"),
               buildReminderCard(), QStringLiteral("eventReminderSection"));
    addSection(QStringLiteral("Note"), QStringLiteral("note.text"), buildNotesCard(),
               QStringLiteral("notesSection"));
    addSaveHint();
    if (m_event) {
        addAboveActions(buildDeleteRow());
    }
    showTimes();
    showRepeat();
    draftEdited();
    title->setFocus();
    m_original = m_draft;
}

EventEditView::~EventEditView() = default;

QWidget* EventEditView::buildDetailsCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    addField(card->body(), QStringLiteral("Titolo"), QStringLiteral("es. Chiamata con il cliente"),
             QStringLiteral("eventTitleField"), m_draft.title);
    auto* line = new QHBoxLayout;
    line->setSpacing(16);
    card->body()->addLayout(line);
    addField(line, QStringLiteral("Luogo"), QStringLiteral("es. Ufficio, indirizzo, telefono"),
             QStringLiteral("eventLocationField"), m_draft.location);
    m_category = new CategoryPicker(m_services.context, QStringLiteral("Nessuna"),
                                    QStringLiteral("eventCategoryPicker"), card);
    m_category->setCategory(m_draft.category);
    m_draft.category = m_category->category();
    connect(m_category, &CategoryPicker::categoryChanged, this, [this] {
        m_draft.category = m_category->category();
        draftEdited();
    });
    line->addWidget(FieldBlock::captioned(QStringLiteral("Categoria"), m_category, card), 0,
                    Qt::AlignTop);
    return card;
}

QWidget* EventEditView::buildTimesCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    m_allDay = new QCheckBox(QStringLiteral("Tutto il giorno"), card);
    m_allDay->setObjectName(QStringLiteral("allDayToggle"));
    m_allDay->setAccessibleName(m_allDay->text());
    m_allDay->setChecked(m_draft.allDay);
    card->body()->addWidget(m_allDay);

    const QLocale locale = m_services.clock.locale();
    m_startDate = DateTimeFields::dateField(QStringLiteral("startDatePicker"),
                                            QStringLiteral("Data di inizio"), locale, card);
    m_startTime = DateTimeFields::timeField(QStringLiteral("startTimePicker"),
                                            QStringLiteral("Ora di inizio"), card);
    m_endDate = DateTimeFields::dateField(QStringLiteral("endDatePicker"),
                                          QStringLiteral("Data di fine"), locale, card);
    m_endTime = DateTimeFields::timeField(QStringLiteral("endTimePicker"),
                                          QStringLiteral("Ora di fine"), card);
    auto* line = new QHBoxLayout;
    line->setSpacing(24);
    line->addWidget(FieldBlock::captioned(QStringLiteral("Inizio"),
                                          row({m_startDate, m_startTime}, card), card));
    line->addWidget(
        FieldBlock::captioned(QStringLiteral("Fine"), row({m_endDate, m_endTime}, card), card));
    line->addStretch(1);
    card->body()->addLayout(line);

    connect(m_allDay, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.setAllDay(on);
        showTimes();
        draftEdited();
    });
    connect(m_startDate, &QDateEdit::dateChanged, this, &EventEditView::startEdited);
    connect(m_startTime, &QTimeEdit::timeChanged, this, &EventEditView::startEdited);
    connect(m_endDate, &QDateEdit::dateChanged, this, &EventEditView::endEdited);
    connect(m_endTime, &QTimeEdit::timeChanged, this, &EventEditView::endEdited);
    return card;
}

QWidget* EventEditView::buildReminderCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    m_reminder = new QComboBox(card);
    m_reminder->setObjectName(QStringLiteral("reminderPicker"));
    for (const qint32 minutes : EventRules::kReminderChoices) {
        m_reminder->addItem(reminderLabel(minutes), minutes);
    }
    if (const std::optional<size_t> chosen =
            EventRules::reminderChoiceIndex(m_draft.reminderMinutes)) {
        m_reminder->setCurrentIndex(int(*chosen));
    } else {
        // A number no choice names stays as it is until the user picks another.
        m_reminder->addItem(reminderLabel(m_draft.reminderMinutes), m_draft.reminderMinutes);
        m_reminder->setCurrentIndex(m_reminder->count() - 1);
    }
    connect(m_reminder, &QComboBox::currentIndexChanged, this, [this] {
        m_draft.reminderMinutes = m_reminder->currentData().toInt();
        draftEdited();
    });

    m_repeat = new QComboBox(card);
    m_repeat->setObjectName(QStringLiteral("repeatPicker"));
    for (const RepeatChoice& choice : kRepeatChoices) {
        m_repeat->addItem(QString::fromUtf8(choice.label), int(choice.repeat));
    }
    if (m_draft.repeat.repeat == RecurrenceRule::Repeat::Custom) {
        m_repeat->addItem(QStringLiteral("Personalizzata"), int(RecurrenceRule::Repeat::Custom));
    }
    m_repeat->setCurrentIndex(m_repeat->findData(int(m_draft.repeat.repeat)));

    m_repeatEnd = new QComboBox(card);
    m_repeatEnd->setObjectName(QStringLiteral("repeatEndPicker"));
    m_repeatEnd->setAccessibleName(QStringLiteral("Fine ripetizione"));
    m_repeatEnd->addItem(QStringLiteral("Per sempre"), int(RecurrenceRule::End::Never));
    m_repeatEnd->addItem(QStringLiteral("Fino al"), int(RecurrenceRule::End::OnDate));
    m_repeatEnd->addItem(QStringLiteral("Per un numero di volte"),
                         int(RecurrenceRule::End::AfterCount));
    m_until = DateTimeFields::dateField(QStringLiteral("repeatUntilPicker"),
                                        QStringLiteral("Fino al"), m_services.clock.locale(), card);
    m_count = new QSpinBox(card);
    m_count->setObjectName(QStringLiteral("repeatCountField"));
    m_count->setAccessibleName(QStringLiteral("Volte"));
    m_count->setRange(1, kMostOccurrences);
    m_count->setSuffix(QStringLiteral(" volte"));
    m_endRow = FieldBlock::captioned(QStringLiteral("Fine ripetizione"),
                                     row({m_repeatEnd, m_until, m_count}, card), card);

    auto* line = new QHBoxLayout;
    line->setSpacing(24);
    line->addWidget(FieldBlock::captioned(QStringLiteral("Promemoria"), m_reminder, card));
    line->addWidget(FieldBlock::captioned(QStringLiteral("Ripeti"), m_repeat, card));
    line->addStretch(1);
    card->body()->addLayout(line);
    card->body()->addWidget(m_endRow);

    connect(m_repeat, &QComboBox::currentIndexChanged, this, &EventEditView::repeatChosen);
    connect(m_repeatEnd, &QComboBox::currentIndexChanged, this, &EventEditView::repeatChosen);
    connect(m_until, &QDateEdit::dateChanged, this, &EventEditView::repeatChosen);
    connect(m_count, &QSpinBox::valueChanged, this, &EventEditView::repeatChosen);
    return card;
}

QWidget* EventEditView::buildNotesCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    addNotes(card->body(), kNotesHeight, m_draft.notes);
    return card;
}

QWidget* EventEditView::buildDeleteRow() {
    auto* remove = new QPushButton(QStringLiteral("Elimina Evento"));
    remove->setObjectName(QStringLiteral("deleteEventButton"));
    remove->setAccessibleName(remove->text());
    remove->setAutoDefault(false);
    connect(remove, &QPushButton::clicked, this, &EventEditView::confirmDelete);
    return row({remove}, nullptr);
}

void EventEditView::showTimes() {
    const QTimeZone& zone = m_draft.zone;
    m_startTime->setVisible(!m_draft.allDay);
    m_endTime->setVisible(!m_draft.allDay);
    DateTimeFields::show(m_draft.times.start, zone, m_startDate, m_startTime);
    if (m_draft.allDay) {
        const QSignalBlocker quiet(m_endDate);
        m_endDate->setDate(m_draft.days().last);
    } else {
        DateTimeFields::show(m_draft.times.end, zone, m_endDate, m_endTime);
    }
}

void EventEditView::showRepeat() {
    const RecurrenceRule& rule = m_draft.repeat;
    const bool ends = rule.repeat != RecurrenceRule::Repeat::Never &&
                      rule.repeat != RecurrenceRule::Repeat::Custom;
    m_endRow->setVisible(ends);
    const QSignalBlocker endQuiet(m_repeatEnd);
    const QSignalBlocker untilQuiet(m_until);
    const QSignalBlocker countQuiet(m_count);
    m_repeatEnd->setCurrentIndex(m_repeatEnd->findData(int(rule.end)));
    m_until->setMinimumDate(m_draft.days().first);
    m_until->setDate(rule.until.isValid() ? rule.until : m_draft.days().first.addMonths(1));
    m_count->setValue(rule.count > 0 ? rule.count : kDefaultCount);
    m_until->setVisible(rule.end == RecurrenceRule::End::OnDate);
    m_count->setVisible(rule.end == RecurrenceRule::End::AfterCount);
}

std::optional<Instant> EventEditView::instantOf(const QDateEdit* date,
                                                const QTimeEdit* time) const {
    return DateTimeFields::read(date, m_draft.allDay ? nullptr : time, m_draft.zone);
}

void EventEditView::startEdited() {
    if (const std::optional<Instant> start = instantOf(m_startDate, m_startTime)) {
        m_draft.moveStart(*start);
    }
    showTimes();
    // An "until" before the new first day would end the rule before it began.
    if (m_draft.repeat.end == RecurrenceRule::End::OnDate &&
        m_draft.repeat.until < m_draft.days().first) {
        m_draft.repeat.until = m_draft.days().first;
    }
    showRepeat();
    draftEdited();
}

void EventEditView::endEdited() {
    if (m_draft.allDay) {
        m_draft.setLastDay(m_endDate->date());
    } else if (const std::optional<Instant> end = instantOf(m_endDate, m_endTime)) {
        m_draft.setEnd(*end);
    }
    draftEdited();
}

void EventEditView::repeatChosen() {
    RecurrenceRule rule =
        RecurrenceRule::every(RecurrenceRule::Repeat(m_repeat->currentData().toInt()));
    if (rule.repeat != RecurrenceRule::Repeat::Never &&
        rule.repeat != RecurrenceRule::Repeat::Custom) {
        switch (RecurrenceRule::End(m_repeatEnd->currentData().toInt())) {
        case RecurrenceRule::End::OnDate:
            rule = rule.endingOn(m_until->date());
            break;
        case RecurrenceRule::End::AfterCount:
            rule = rule.endingAfter(m_count->value());
            break;
        case RecurrenceRule::End::Never:
            break;
        }
    }
    // "Personalizzata" chosen again is the stored rule as it was read.
    m_draft.repeat = rule.repeat == RecurrenceRule::Repeat::Custom ? m_original.repeat : rule;
    showRepeat();
    draftEdited();
}

void EventEditView::draftEdited() {
    showSaveBlockedReason(m_draft.whyNotSavable());
}

bool EventEditView::saveEvent() {
    if (!m_draft.canSave()) {
        return false;
    }
    QString error;
    const std::shared_ptr<Event> stored = m_draft.save(m_services.context, m_event, &error);
    if (!stored) {
        m_services.log.write(QStringLiteral("Error saving event: "), error);
        return false;
    }
    m_services.reminders.scheduleEventReminder(*stored);
    Q_EMIT saved(stored->id());
    accept();
    return true;
}

void EventEditView::confirmDelete() {
    if (!m_event || m_event->isDeleted()) {
        return;
    }
    const Confirmation::Question question =
        Confirmation::deletion(QStringLiteral("Elimina Evento"), m_event->title());
    m_services.confirmation.ask(this, question, [sheet = QPointer(this)](bool confirmed) {
        if (sheet && confirmed) {
            sheet->deleteEvent();
        }
    });
}

void EventEditView::deleteEvent() {
    if (!m_event || m_event->isDeleted()) {
        return;
    }
    const QString identifier = NotificationManager::identifierText(*m_event);
    ManagedObjectContext& context = m_services.context;
    context.deleteObject(m_event.get());
    QString error;
    if (!context.save(&error)) {
        // The deletion is the only change in the context: the event comes back whole.
        context.rollback();
        m_services.log.write(QStringLiteral("Error deleting event: "), error);
        return;
    }
    m_services.reminders.cancelEventNotifications(identifier);
    Q_EMIT deleted();
    accept();
}
