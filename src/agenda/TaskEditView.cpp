#include "agenda/TaskEditView.h"

#include "agenda/DateTimeFields.h"
#include "categories/CategoryPicker.h"
#include "model/Checklist.h"
#include "model/EventRules.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "ui/Confirmation.h"
#include "ui/FieldBlock.h"
#include "ui/Icons.h"
#include "ui/Palette.h"
#include "ui/RoundedPanel.h"
#include "ui/SegmentedControl.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kNotesHeight = 80;

QString titleFor(const std::shared_ptr<Task>& task) {
    return task ? QStringLiteral("Modifica Compito") : QStringLiteral("Nuovo Compito");
}

} // namespace

TaskEditView::TaskEditView(Services services, std::shared_ptr<Task> task, QWidget* parent)
    : EditorSheet(titleFor(task), QStringLiteral("Inserisci i dettagli del compito qui sotto"),
                  QStringLiteral("Salva Compito"), parent)
    , m_services(services)
    , m_task(std::move(task))
    , m_draft(m_task ? TaskDraft::of(*m_task) : TaskDraft::fresh()) {
    setObjectName(QStringLiteral("taskEditView"));
    setMinimumSize(600, 650);
    addSection(QStringLiteral("Dettagli Compito"), QStringLiteral("doc.text"), buildDetailsCard(),
               QStringLiteral("taskDetailsSection"));
    addSection(QStringLiteral("Scadenza e Promemoria"), QStringLiteral("calendar.badge.clock"),
               buildDatesCard(), QStringLiteral("taskDatesSection"));
    addSection(QStringLiteral("Checklist"), QStringLiteral("checklist"), buildChecklistCard(),
               QStringLiteral("checklistSection"));
    addSection(QStringLiteral("Note"), QStringLiteral("note.text"), buildNotesCard(),
               QStringLiteral("notesSection"));
    addSaveHint();
    if (m_task) {
        addAboveActions(buildDeleteRow());
    }
    showChecklist();
    draftEdited();
    m_title->setFocus();
    m_original = m_draft;
}

TaskEditView::~TaskEditView() = default;

QWidget* TaskEditView::buildDetailsCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    m_title = addField(card->body(), QStringLiteral("Titolo"),
                       QStringLiteral("es. Inviare i documenti di rinnovo"),
                       QStringLiteral("taskTitleField"), m_draft.title);
    auto* line = new QHBoxLayout;
    line->setSpacing(24);
    m_priority = new SegmentedControl(QStringLiteral("priorityPicker"), card);
    m_priority->addSegment(QStringLiteral("Bassa"), QStringLiteral("lowPrioritySegment"));
    m_priority->addSegment(QStringLiteral("Normale"), QStringLiteral("normalPrioritySegment"));
    m_priority->addSegment(QStringLiteral("Alta"), QStringLiteral("highPrioritySegment"));
    // A stored priority no segment names shows none and is kept until the user picks one.
    if (m_draft.priority >= 0 && m_draft.priority < m_priority->count()) {
        m_priority->setCurrentIndex(m_draft.priority);
    }
    connect(m_priority, &SegmentedControl::currentIndexChanged, this, [this](int index) {
        m_draft.priority = index;
        draftEdited();
    });
    line->addWidget(FieldBlock::captioned(QStringLiteral("Priorità"), m_priority, card));
    m_category = new CategoryPicker(m_services.context, QStringLiteral("Nessuna"),
                                    QStringLiteral("taskCategoryPicker"), card);
    m_category->setCategory(m_draft.category);
    m_draft.category = m_category->category();
    connect(m_category, &CategoryPicker::categoryChanged, this, [this] {
        m_draft.category = m_category->category();
        draftEdited();
    });
    line->addWidget(FieldBlock::captioned(QStringLiteral("Categoria"), m_category, card));
    line->addStretch(1);
    card->body()->addLayout(line);
    m_done = new QCheckBox(QStringLiteral("Completato"), card);
    m_done->setObjectName(QStringLiteral("completedToggle"));
    m_done->setAccessibleName(m_done->text());
    m_done->setChecked(m_draft.done);
    connect(m_done, &QCheckBox::toggled, this, [this](bool on) {
        m_draft.done = on;
        draftEdited();
    });
    card->body()->addWidget(m_done);
    return card;
}

QWidget* TaskEditView::optionalDateRow(const QString& caption, const QString& name,
                                       std::optional<Instant>& value,
                                       const std::function<Instant()>& made) {
    auto* holder = new QWidget;
    auto* line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    auto* toggle = new QCheckBox(caption, holder);
    toggle->setObjectName(name + QStringLiteral("Toggle"));
    toggle->setAccessibleName(caption);
    QDateEdit* date = DateTimeFields::dateField(name + QStringLiteral("DatePicker"),
                                                caption + QStringLiteral(", data"),
                                                m_services.clock.locale(), holder);
    QTimeEdit* time = DateTimeFields::timeField(name + QStringLiteral("TimePicker"),
                                                caption + QStringLiteral(", ora"), holder);
    line->addWidget(toggle);
    line->addWidget(date);
    line->addWidget(time);
    line->addStretch(1);

    const QTimeZone zone = m_services.clock.timeZone();
    const auto show = [&value, toggle, date, time, zone] {
        const QSignalBlocker quiet(toggle);
        toggle->setChecked(value.has_value());
        date->setEnabled(value.has_value());
        time->setEnabled(value.has_value());
        if (value) {
            DateTimeFields::show(*value, zone, date, time);
        } else {
            DateTimeFields::showNone(date, time);
        }
    };
    show();
    connect(toggle, &QCheckBox::toggled, this, [this, &value, made, show](bool on) {
        value = on ? std::optional<Instant>(made()) : std::nullopt;
        show();
        draftEdited();
    });
    const auto edited = [this, &value, date, time, zone] {
        if (const std::optional<Instant> at = DateTimeFields::read(date, time, zone)) {
            value = at;
            draftEdited();
        }
    };
    connect(date, &QDateEdit::dateChanged, this, edited);
    connect(time, &QTimeEdit::timeChanged, this, edited);
    return holder;
}

QWidget* TaskEditView::buildDatesCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    const Clock& clock = m_services.clock;
    QWidget* due = optionalDateRow(
        QStringLiteral("Scadenza"), QStringLiteral("dueDate"), m_draft.dueDate,
        [&clock] { return EventRules::nextWholeHour(clock.now(), clock.timeZone()); });
    // A new reminder is at the due time while that is still to come.
    QWidget* reminder =
        optionalDateRow(QStringLiteral("Promemoria"), QStringLiteral("reminderDate"),
                        m_draft.reminderDate, [this, &clock] {
                            const Instant now = clock.now();
                            return m_draft.dueDate && *m_draft.dueDate > now
                                       ? *m_draft.dueDate
                                       : EventRules::nextWholeHour(now, clock.timeZone());
                        });
    // The two dates start on one line, whatever their captions' widths.
    auto* dueToggle = due->findChild<QCheckBox*>();
    auto* reminderToggle = reminder->findChild<QCheckBox*>();
    const int captionWidth =
        std::max(dueToggle->sizeHint().width(), reminderToggle->sizeHint().width());
    dueToggle->setMinimumWidth(captionWidth);
    reminderToggle->setMinimumWidth(captionWidth);
    card->body()->addWidget(due);
    card->body()->addWidget(reminder);
    return card;
}

QWidget* TaskEditView::buildChecklistCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(8));
    m_checklistRows = new QWidget(card);
    m_checklistRows->setObjectName(QStringLiteral("checklistRows"));
    m_checklistLayout = new QVBoxLayout(m_checklistRows);
    m_checklistLayout->setContentsMargins(0, 0, 0, 0);
    m_checklistLayout->setSpacing(4);
    card->body()->addWidget(m_checklistRows);

    auto* line = new QHBoxLayout;
    m_newItem = new QLineEdit(card);
    m_newItem->setObjectName(QStringLiteral("newChecklistItemField"));
    m_newItem->setAccessibleName(QStringLiteral("Nuova voce"));
    m_newItem->setPlaceholderText(QStringLiteral("Nuova voce"));
    m_addItem = new QPushButton(QStringLiteral("Aggiungi"), card);
    m_addItem->setObjectName(QStringLiteral("addChecklistItemButton"));
    m_addItem->setAccessibleName(QStringLiteral("Aggiungi voce"));
    m_addItem->setAutoDefault(false);
    m_addItem->setEnabled(false);
    line->addWidget(m_newItem, 1);
    line->addWidget(m_addItem);
    card->body()->addLayout(line);
    connect(m_newItem, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_addItem->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_newItem, &QLineEdit::returnPressed, this, &TaskEditView::addChecklistItem);
    connect(m_addItem, &QPushButton::clicked, this, &TaskEditView::addChecklistItem);
    return card;
}

void TaskEditView::showChecklist() {
    while (QLayoutItem* item = m_checklistLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const Checklist checklist = Checklist::read(m_draft.subtasks);
    const std::vector<Checklist::Line>& lines = checklist.lines();
    const QColor iconColor = Palette::color(ColorName::Secondary, palette());
    for (size_t at = 0; at < lines.size(); ++at) {
        // Lines that are not items (notes written elsewhere) are kept, not shown.
        if (!lines[at].isItem) {
            continue;
        }
        auto* holder = new QWidget(m_checklistRows);
        auto* line = new QHBoxLayout(holder);
        line->setContentsMargins(0, 0, 0, 0);
        auto* item = new QCheckBox(lines[at].text, holder);
        item->setObjectName(QStringLiteral("checklistItem%1").arg(at));
        item->setAccessibleName(lines[at].text);
        item->setChecked(lines[at].done);
        auto* remove = new QToolButton(holder);
        remove->setObjectName(QStringLiteral("removeChecklistItem%1").arg(at));
        remove->setAccessibleName(QStringLiteral("Rimuovi ") + lines[at].text);
        remove->setToolTip(QStringLiteral("Rimuovi voce"));
        remove->setAutoRaise(true);
        remove->setIcon(Icons::icon(u"trash", iconColor));
        line->addWidget(item, 1);
        line->addWidget(remove);
        m_checklistLayout->addWidget(holder);
        connect(item, &QCheckBox::toggled, this, [this, at](bool on) {
            m_draft.setChecklistItemDone(at, on);
            draftEdited();
        });
        connect(remove, &QToolButton::clicked, this, [this, at] {
            m_draft.removeChecklistLine(at);
            draftEdited();
            // Not from inside the row's own click.
            QMetaObject::invokeMethod(this, &TaskEditView::showChecklist, Qt::QueuedConnection);
        });
    }
    QMetaObject::invokeMethod(this, &EditorSheet::refreshTabOrder, Qt::QueuedConnection);
}

void TaskEditView::addChecklistItem() {
    const QString text = m_newItem->text().trimmed();
    if (text.isEmpty()) {
        return;
    }
    m_draft.addChecklistItem(text);
    m_newItem->clear();
    showChecklist();
    draftEdited();
}

QWidget* TaskEditView::buildNotesCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    addNotes(card->body(), kNotesHeight, m_draft.notes);
    return card;
}

QWidget* TaskEditView::buildDeleteRow() {
    auto* holder = new QWidget;
    auto* line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 0, 0, 0);
    auto* remove = new QPushButton(QStringLiteral("Elimina Compito"), holder);
    remove->setObjectName(QStringLiteral("deleteTaskButton"));
    remove->setAccessibleName(remove->text());
    remove->setAutoDefault(false);
    line->addWidget(remove);
    line->addStretch(1);
    connect(remove, &QPushButton::clicked, this, &TaskEditView::confirmDelete);
    return holder;
}

void TaskEditView::draftEdited() {
    showSaveBlockedReason(m_draft.whyNotSavable());
}

bool TaskEditView::saveTask() {
    if (!m_draft.canSave()) {
        return false;
    }
    QString error;
    const std::shared_ptr<Task> stored =
        m_draft.save(m_services.context, m_task, m_services.clock.now(), &error);
    if (!stored) {
        m_services.log.write(QStringLiteral("Error saving task: "), error);
        return false;
    }
    m_services.reminders.scheduleTaskReminder(*stored);
    Q_EMIT saved(stored->id());
    accept();
    return true;
}

void TaskEditView::confirmDelete() {
    if (!m_task || m_task->isDeleted()) {
        return;
    }
    const Confirmation::Question question =
        Confirmation::deletion(QStringLiteral("Elimina Compito"), m_task->title());
    m_services.confirmation.ask(this, question, [sheet = QPointer(this)](bool confirmed) {
        if (sheet && confirmed) {
            sheet->deleteTask();
        }
    });
}

void TaskEditView::deleteTask() {
    if (!m_task || m_task->isDeleted()) {
        return;
    }
    const QString identifier = NotificationManager::identifierText(*m_task);
    ManagedObjectContext& context = m_services.context;
    context.deleteObject(m_task.get());
    QString error;
    if (!context.save(&error)) {
        context.rollback();
        m_services.log.write(QStringLiteral("Error deleting task: "), error);
        return;
    }
    m_services.reminders.cancelTaskNotifications(identifier);
    Q_EMIT deleted();
    accept();
}
