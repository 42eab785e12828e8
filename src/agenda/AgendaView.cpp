#include "agenda/AgendaView.h"

#include "agenda/AgendaData.h"
#include "agenda/AgendaDayModel.h"
#include "agenda/AgendaDayRow.h"
#include "agenda/AgendaSearchModel.h"
#include "agenda/MonthDayDelegate.h"
#include "agenda/MonthGridModel.h"
#include "model/Event.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "ui/Divider.h"
#include "ui/Icons.h"
#include "ui/ItemDataRole.h"
#include "ui/Palette.h"
#include "ui/RowDelegate.h"
#include "ui/SearchField.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kDayColumnWidth = 320;

template <typename T>
std::shared_ptr<T> storedById(ManagedObjectContext& context, const QUuid& id) {
    FetchRequest<T> request = T::fetchRequest();
    request.setPredicate(Predicate::format(QStringLiteral("id == %@"), {Value(id)}));
    const auto found = context.fetch(request);
    return found.empty() ? nullptr : found.front();
}

QUuid idOf(const ManagedObject* object) {
    if (const auto* event = dynamic_cast<const Event*>(object)) {
        return event->id();
    }
    if (const auto* task = dynamic_cast<const Task*>(object)) {
        return task->id();
    }
    return {};
}

RowPainter::Look matchLook() {
    return {.leading = RowPainter::Leading::Stripe,
            .leadingSize = 30,
            .left = {{{TitleRole, Typography::system(13, QFont::Medium), ColorName::Primary, 1},
                      {SubtitleRole, Typography::system(11), ColorName::Secondary, 0.8}}},
            .right = {{{DetailRole, Typography::system(11), ColorName::Secondary, 0.9}, {}}}};
}

QToolButton* arrowButton(const QString& icon, const QString& objectName, const QString& name) {
    auto* button = new QToolButton;
    button->setObjectName(objectName);
    button->setAccessibleName(name);
    button->setToolTip(name);
    button->setAutoRaise(true);
    button->setIcon(Icons::icon(icon, Palette::color(ColorName::Primary)));
    return button;
}

} // namespace

AgendaView::AgendaView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_data(new AgendaData(m_services.context, m_services.clock,
                            m_services.reminders.repeatRuleLog(), this))
    , m_grid(new MonthGridModel(*m_data, m_services.clock, this))
    , m_dayModel(new AgendaDayModel(*m_data, m_services.clock, this))
    , m_searchModel(new AgendaSearchModel(m_services.context, m_services.clock, this))
    , m_day(m_data->dayOf(m_services.clock.now())) {
    setObjectName(QStringLiteral("agendaView"));
    setAccessibleName(QStringLiteral("Agenda"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(buildHeader());
    stack->addWidget(new Divider(Qt::Horizontal));
    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    buildGrid();
    body->addWidget(m_gridView, 1);
    body->addWidget(new Divider(Qt::Vertical));
    body->addWidget(buildDayColumn());
    stack->addLayout(body, 1);
    // Rows come back after every change: the chosen one is chosen again wherever it now is.
    connect(m_dayModel, &QAbstractItemModel::modelReset, this, &AgendaView::showChosenRow);
    connect(m_data, &AgendaData::changed, this,
            [this] { m_gridView->setCurrentIndex(m_grid->indexOf(m_day)); });
    connect(m_searchModel, &QAbstractItemModel::modelReset, this, &AgendaView::showColumnTitle);
    showSelectedDay();
}

AgendaView::~AgendaView() = default;

QWidget* AgendaView::buildHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(12, 8, 12, 8);
    m_monthTitle = new TextLabel(QString(), TextStyle::Title2, ColorName::Primary);
    m_monthTitle->setObjectName(QStringLiteral("agendaMonthTitle"));
    m_monthTitle->setMinimumWidth(180);
    row->addWidget(m_monthTitle);
    auto* previous =
        arrowButton(QStringLiteral("chevron.left"), QStringLiteral("agendaPreviousMonth"),
                    QStringLiteral("Mese precedente"));
    connect(previous, &QToolButton::clicked, this, [this] { showMonth(-1); });
    auto* today = new QPushButton(QStringLiteral("Oggi"));
    today->setObjectName(QStringLiteral("agendaTodayButton"));
    today->setAccessibleName(today->text());
    connect(today, &QPushButton::clicked, this, &AgendaView::showToday);
    auto* next = arrowButton(QStringLiteral("chevron.right"), QStringLiteral("agendaNextMonth"),
                             QStringLiteral("Mese successivo"));
    connect(next, &QToolButton::clicked, this, [this] { showMonth(1); });
    row->addWidget(previous);
    row->addWidget(today);
    row->addWidget(next);
    row->addStretch();
    m_showCompleted = new QCheckBox(QStringLiteral("Mostra Completati"));
    m_showCompleted->setObjectName(QStringLiteral("agendaShowCompleted"));
    m_showCompleted->setAccessibleName(m_showCompleted->text());
    connect(m_showCompleted, &QCheckBox::toggled, m_data, &AgendaData::setShowCompleted);
    row->addWidget(m_showCompleted);
    m_search = new SearchField(QStringLiteral("Cerca eventi e compiti..."),
                               QStringLiteral("agendaSearchField"));
    m_search->setFixedWidth(260);
    connect(m_search, &SearchField::textChanged, this, &AgendaView::searchChanged);
    row->addWidget(m_search);
    return header;
}

void AgendaView::buildGrid() {
    m_gridView = new QTableView;
    m_gridView->setObjectName(QStringLiteral("agendaMonthGrid"));
    m_gridView->setAccessibleName(QStringLiteral("Mese"));
    m_gridView->setModel(m_grid);
    m_gridView->setItemDelegate(new MonthDayDelegate(m_gridView));
    m_gridView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_gridView->setShowGrid(false);
    m_gridView->setFrameShape(QFrame::NoFrame);
    m_gridView->verticalHeader()->hide();
    m_gridView->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_gridView->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_gridView->horizontalHeader()->setHighlightSections(false);
    m_gridView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_gridView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_gridView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The arrows move between days; Tab leaves the month for the day's list.
    m_gridView->setTabKeyNavigation(false);
    m_gridView->installEventFilter(this);
    connect(m_gridView, &QTableView::clicked, this,
            [this](const QModelIndex& index) { selectDay(m_grid->dateAt(index)); });
    connect(m_gridView, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { Q_EMIT newEventRequested(m_grid->dateAt(index)); });
}

QWidget* AgendaView::buildDayColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(kDayColumnWidth);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    m_dayTitle = new TextLabel(QString(), TextStyle::Headline, ColorName::Primary);
    m_dayTitle->setObjectName(QStringLiteral("agendaDayTitle"));
    m_dayTitle->setContentsMargins(16, 10, 16, 6);
    stack->addWidget(m_dayTitle);
    m_dayPane = new QStackedWidget;
    m_dayList = new QListView;
    m_dayList->setObjectName(QStringLiteral("agendaDayList"));
    m_dayList->setAccessibleName(QStringLiteral("Giorno"));
    m_dayList->setModel(m_dayModel);
    m_dayRows = new AgendaDayRow(m_dayList);
    m_dayList->setItemDelegate(m_dayRows);
    m_dayList->setFrameShape(QFrame::NoFrame);
    m_dayList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_dayList->installEventFilter(this);
    connect(m_dayRows, &AgendaDayRow::taskTicked, this, &AgendaView::toggleTask);
    connect(m_dayList, &QListView::activated, this, &AgendaView::activate);
    connect(m_dayList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                if (const AgendaDayEntry* entry = m_dayModel->entryAt(index.row());
                    entry && entry->object) {
                    m_selected = entry->object;
                }
            });
    m_matches = new QListView;
    m_matches->setObjectName(QStringLiteral("agendaSearchResults"));
    m_matches->setAccessibleName(QStringLiteral("Risultati della ricerca"));
    m_matches->setModel(m_searchModel);
    m_matches->setItemDelegate(new RowDelegate(matchLook(), 54, m_matches));
    m_matches->setUniformItemSizes(true);
    m_matches->setFrameShape(QFrame::NoFrame);
    m_matches->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_matches, &QListView::activated, this, &AgendaView::openMatch);
    connect(m_matches, &QListView::clicked, this, &AgendaView::openMatch);
    m_dayPane->addWidget(m_dayList);
    m_dayPane->addWidget(m_matches);
    stack->addWidget(m_dayPane, 1);
    return column;
}

void AgendaView::selectDay(QDate day) {
    if (!day.isValid()) {
        return;
    }
    m_day = day;
    showSelectedDay();
}

void AgendaView::showMonth(int offset) {
    selectDay(m_day.addMonths(offset));
}

void AgendaView::showToday() {
    selectDay(m_data->dayOf(m_services.clock.now()));
}

void AgendaView::showSelectedDay() {
    if (m_data->month() != QDate(m_day.year(), m_day.month(), 1)) {
        m_dayModel->setDayForNextRefresh(m_day);
    }
    m_data->setMonth(m_day);
    m_dayModel->setDay(m_day);
    const QLocale locale = m_services.clock.locale();
    QString month = locale.standaloneMonthName(m_day.month(), QLocale::LongFormat);
    if (!month.isEmpty()) {
        month[0] = month[0].toUpper();
    }
    m_monthTitle->setText(month + u' ' + QString::number(m_day.year()));
    m_monthTitle->setAccessibleName(m_monthTitle->text());
    showColumnTitle();
    m_gridView->setCurrentIndex(m_grid->indexOf(m_day));
}

bool AgendaView::openEvent(const QUuid& id, std::optional<Instant> occurrence) {
    const auto event = storedById<Event>(m_services.context, id);
    if (!event) {
        return false;
    }
    m_search->setText(QString());
    selectDay(m_data->dayOf(occurrence.value_or(event->startDate())));
    chooseItem(event);
    return true;
}

bool AgendaView::openTask(const QUuid& id) {
    const auto task = storedById<Task>(m_services.context, id);
    if (!task) {
        return false;
    }
    m_search->setText(QString());
    const std::optional<Instant> due = task->dueDate();
    selectDay(due ? m_data->dayOf(*due) : m_data->dayOf(m_services.clock.now()));
    // A done task is listed only while done ones are shown.
    if (task->isCompleted() && m_dayModel->rowOf(task.get()) < 0) {
        m_showCompleted->setChecked(true);
    }
    chooseItem(task);
    return true;
}

void AgendaView::chooseItem(const std::shared_ptr<ManagedObject>& object) {
    m_selected = object;
    showChosenRow();
}

void AgendaView::showChosenRow() {
    const int row = m_dayModel->rowOf(m_selected.get());
    if (row >= 0) {
        m_dayList->setCurrentIndex(m_dayModel->index(row));
        m_dayList->scrollTo(m_dayModel->index(row));
    }
}

void AgendaView::activate(const QModelIndex& index) {
    const AgendaDayEntry* entry = m_dayModel->entryAt(index.row());
    if (!entry || !entry->object) {
        return;
    }
    if (entry->kind == AgendaDayEntry::Kind::Event) {
        Q_EMIT eventActivated(idOf(entry->object.get()));
    } else {
        Q_EMIT taskActivated(idOf(entry->object.get()));
    }
}

void AgendaView::toggleTask(const QModelIndex& index) {
    const AgendaDayEntry* entry = m_dayModel->entryAt(index.row());
    if (!entry || entry->kind != AgendaDayEntry::Kind::Task) {
        return;
    }
    const auto task = std::static_pointer_cast<Task>(entry->object);
    task->setDone(!task->isCompleted(), m_services.clock.now());
    QString error;
    if (!m_services.context.save(&error)) {
        m_services.log.write(QStringLiteral("Error saving task: "), error);
        m_services.context.rollback();
        return;
    }
    // Done: its reminder goes; undone: it comes back if still to come.
    m_services.reminders.scheduleTaskReminder(*task);
}

void AgendaView::openMatch(const QModelIndex& index) {
    const AgendaSearchModel::Match* match = m_searchModel->matchAt(index.row());
    if (!match) {
        return;
    }
    const QUuid id = idOf(match->object.get());
    if (match->isEvent) {
        openEvent(id, match->date);
    } else {
        openTask(id);
    }
}

void AgendaView::searchChanged(const QString& text) {
    m_searchModel->setSearchText(text);
    m_dayPane->setCurrentWidget(text.isEmpty() ? static_cast<QWidget*>(m_dayList) : m_matches);
    showColumnTitle();
}

// The day shown, or while searching how many matches there are.
void AgendaView::showColumnTitle() {
    const int matches = m_searchModel->rowCount();
    const QString title = !m_search->text().isEmpty()
                              ? (matches == 0   ? QStringLiteral("Nessun risultato")
                                 : matches == 1 ? QStringLiteral("1 risultato")
                                                : QStringLiteral("%L1 risultati").arg(matches))
                              : m_services.clock.locale().toString(m_day, QLocale::LongFormat);
    m_dayTitle->setText(title);
    m_dayTitle->setAccessibleName(title);
}

bool AgendaView::moveByKey(int key) {
    switch (key) {
    case Qt::Key_Left:
        selectDay(m_day.addDays(-1));
        return true;
    case Qt::Key_Right:
        selectDay(m_day.addDays(1));
        return true;
    case Qt::Key_Up:
        selectDay(m_day.addDays(-7));
        return true;
    case Qt::Key_Down:
        selectDay(m_day.addDays(7));
        return true;
    case Qt::Key_PageUp:
        showMonth(-1);
        return true;
    case Qt::Key_PageDown:
        showMonth(1);
        return true;
    default:
        return false;
    }
}

bool AgendaView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == m_gridView) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Q_EMIT newEventRequested(m_day);
            return true;
        }
        return moveByKey(key);
    }
    if (watched == m_dayList && key == Qt::Key_Space) {
        toggleTask(m_dayList->currentIndex());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
