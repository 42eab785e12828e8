#include "app/ContentView.h"

#include "agenda/EventEditView.h"
#include "agenda/TaskEditView.h"
#include "app/AppSettings.h"
#include "app/SidebarView.h"
#include "calendar/CalendarBook.h"
#include "calendar/CalendarWriter.h"
#include "contacts/ContactListView.h"
#include "importexport/ExportSheet.h"
#include "importexport/ImportSheet.h"
#include "importexport/RenewalReportSheet.h"
#include "model/Event.h"
#include "model/Task.h"
#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "platform/DesktopActions.h"
#include "platform/NotificationCenter.h"
#include "recovery/DamagedStorePage.h"
#include "recovery/RecoveryCommands.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "transfer/ColumnMapMemory.h"
#include "ui/Confirmation.h"
#include "ui/EditorSheet.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include <optional>

namespace {

constexpr QLatin1String kGeometryKey("mainWindow/geometry");
// Moves and resizes come in bursts; the geometry is written once the burst is over.
constexpr int kGeometrySaveDelayMs = 500;
// How long a shown window may go unpainted before start-up goes on without it.
constexpr int kFirstPaintPatienceMs = 1000;

} // namespace

PolicyListView::Services ContentView::Services::policies() const {
    return {.context = context,
            .reminders = reminders,
            .clock = clock,
            .log = log,
            .desktop = desktop,
            .confirmation = confirmation,
            .exporter = exporter,
            .documents = documents,
            .openContactEditor = openContactEditor};
}

ContactListView::Services ContentView::Services::contacts() const {
    return {.context = context, .clock = clock, .log = log, .confirmation = confirmation};
}

AgendaView::Services ContentView::Services::agenda() const {
    return {.context = context, .clock = clock, .log = log, .reminders = reminders};
}

RecoveryCommands::Services ContentView::Services::recovery() const {
    return {.context = context,
            .clock = clock,
            .log = log,
            .confirmation = confirmation,
            .desktop = desktop,
            .backups = backups,
            .restoreBackup = restoreBackup};
}

ContentView::ContentView(Services services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
    , m_geometrySave(new QTimer(this))
    , m_columnMaps(std::make_unique<ColumnMapMemory>(m_services.settings))
    , m_recovery(new RecoveryCommands(m_services.recovery(), this)) {
    setObjectName(QStringLiteral("mainWindow"));
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("Quintaver Scheduler"));
    setAccessibleName(QStringLiteral("Quintaver Scheduler"));

    auto* columns = new QSplitter(Qt::Horizontal, this);
    columns->setObjectName(QStringLiteral("mainColumns"));
    columns->setChildrenCollapsible(false);
    m_sidebar = new SidebarView(columns);
    m_sidebar->setMinimumWidth(200);
    m_sidebar->setMaximumWidth(300);
    columns->addWidget(m_sidebar);
    columns->addWidget(buildContent());
    columns->setStretchFactor(1, 1);
    columns->setSizes({250, 950});
    setCentralWidget(columns);
    connect(m_sidebar, &SidebarView::selectedTabChanged, this, &ContentView::showSection);
    // The window opens with the focus on the chosen section's row, unmarked until the keyboard
    // moves it.
    m_sidebar->focusChosenRow();

    buildToolBar();
    buildMenus();
    m_services.center.addObserver(NotificationName::newPolicy, this,
                                  [this] { openNewPolicySheet(); });
    m_services.center.addObserver(NotificationName::newEvent, this,
                                  [this] { openNewEventSheet(); });
    m_services.center.addObserver(NotificationName::newTask, this, [this] { openNewTaskSheet(); });
    connect(m_recovery, &RecoveryCommands::notice, this, &ContentView::showNotice);

    m_geometrySave->setSingleShot(true);
    m_geometrySave->setInterval(kGeometrySaveDelayMs);
    connect(m_geometrySave, &QTimer::timeout, this, &ContentView::saveWindowGeometry);
    restoreWindowGeometry();
}

ContentView::~ContentView() = default;

QWidget* ContentView::buildContent() {
    auto* content = new QWidget(this);
    content->setObjectName(QStringLiteral("contentColumn"));
    content->setMinimumSize(600, 400);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(buildNotice());
    m_sections = new QStackedWidget(content);
    m_policyList = new PolicyListView(m_services.policies(), m_sections);
    connect(m_policyList, &PolicyListView::importRequested, this, [this] { openImportSheet(); });
    m_sections->addWidget(m_policyList);
    stack->addWidget(m_sections, 1);
    return content;
}

QWidget* ContentView::buildNotice() {
    m_notice = new QWidget(this);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setAutoFillBackground(true);
    QPalette colors = m_notice->palette();
    colors.setColor(QPalette::Window, Palette::withOpacity(Palette::color(ColorName::Blue), 0.12));
    m_notice->setPalette(colors);
    auto* row = new QHBoxLayout(m_notice);
    row->setContentsMargins(12, 8, 8, 8);
    m_noticeText = new QLabel(m_notice);
    m_noticeText->setObjectName(QStringLiteral("noticeText"));
    m_noticeText->setWordWrap(true);
    m_noticeText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* dismiss = new QToolButton(m_notice);
    dismiss->setObjectName(QStringLiteral("noticeDismissButton"));
    dismiss->setAccessibleName(QStringLiteral("Chiudi"));
    dismiss->setAutoRaise(true);
    dismiss->setIcon(
        Icons::icon(QStringLiteral("xmark.circle"), Palette::color(ColorName::Secondary)));
    connect(dismiss, &QToolButton::clicked, m_notice, &QWidget::hide);
    row->addWidget(m_noticeText, 1);
    row->addWidget(dismiss, 0, Qt::AlignTop);
    m_notice->hide();
    return m_notice;
}

void ContentView::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Nuova Polizza"));
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->toggleViewAction()->setVisible(false);
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    QAction* add = bar->addAction(
        Icons::icon(QStringLiteral("doc.badge.plus"), Palette::color(ColorName::Primary)),
        QStringLiteral("Nuova Polizza"));
    add->setObjectName(QStringLiteral("newPolicyToolButton"));
    bar->widgetForAction(add)->setObjectName(QStringLiteral("newPolicyToolButton"));
    bar->widgetForAction(add)->setAccessibleName(QStringLiteral("Nuova Polizza"));
    // A toolbar button takes no focus by default; this one is in the Tab chain.
    bar->widgetForAction(add)->setFocusPolicy(Qt::TabFocus);
    connect(add, &QAction::triggered, this, &ContentView::openNewPolicySheet);
    m_storeCommands << add;
}

void ContentView::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    QAction* import = file->addAction(QStringLiteral("Importa..."));
    import->setObjectName(QStringLiteral("importAction"));
    import->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(import, &QAction::triggered, this, [this] { openImportSheet(); });
    QAction* exportBook = file->addAction(QStringLiteral("Esporta..."));
    exportBook->setObjectName(QStringLiteral("exportAction"));
    exportBook->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(exportBook, &QAction::triggered, this, &ContentView::openExportSheet);
    QAction* exportCalendar = file->addAction(QStringLiteral("Esporta Calendario..."));
    exportCalendar->setObjectName(QStringLiteral("exportCalendarAction"));
    connect(exportCalendar, &QAction::triggered, this, &ContentView::chooseCalendarFile);
    QAction* printRenewals = file->addAction(QStringLiteral("Stampa Scadenze..."));
    printRenewals->setObjectName(QStringLiteral("printRenewalsAction"));
    printRenewals->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    connect(printRenewals, &QAction::triggered, this, &ContentView::openRenewalReportSheet);
    file->addSeparator();
    QAction* backUp = file->addAction(QStringLiteral("Esegui Backup..."));
    backUp->setObjectName(QStringLiteral("backUpToFileAction"));
    connect(backUp, &QAction::triggered, this, [this] {
        if (!hasOpenSheet() && !m_storeProblem) {
            m_recovery->backUpToChosenFile();
        }
    });
    QAction* restore = file->addAction(QStringLiteral("Ripristina Backup..."));
    restore->setObjectName(QStringLiteral("restoreBackupAction"));
    connect(restore, &QAction::triggered, this, [this] {
        if (!hasOpenSheet()) {
            m_recovery->openRestoreSheet();
        }
    });
    m_storeCommands << import << exportBook << printRenewals << exportCalendar << backUp;
    file->addSeparator();
    QAction* preferences = file->addAction(QStringLiteral("Preferences..."));
    preferences->setObjectName(QStringLiteral("preferencesAction"));
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);
    connect(preferences, &QAction::triggered, this, &ContentView::preferencesRequested);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Quit"));
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &ContentView::quit);
    m_quit = quit;
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &ContentView::keepQuitReachable);

    struct Command {
        const char* label;
        QKeyCombination keys;
        const QString& name;
        const char* objectName;
    };
    const Command commands[] = {
        {"New Event", Qt::CTRL | Qt::Key_N, NotificationName::newEvent, "newEventAction"},
        {"New Task", Qt::CTRL | Qt::Key_T, NotificationName::newTask, "newTaskAction"},
        {"Nuova Polizza", Qt::CTRL | Qt::Key_P, NotificationName::newPolicy, "newPolicyAction"},
        {"Share...", Qt::CTRL | Qt::SHIFT | Qt::Key_S, NotificationName::showSharing,
         "shareAction"},
    };
    QMenu* scheduler = menuBar()->addMenu(QStringLiteral("Scheduler"));
    scheduler->setObjectName(QStringLiteral("schedulerMenu"));
    for (const Command& command : commands) {
        if (&command.name == &NotificationName::showSharing) {
            scheduler->addSeparator();
        }
        QAction* action = scheduler->addAction(QString::fromUtf8(command.label));
        action->setObjectName(QLatin1String(command.objectName));
        action->setShortcut(QKeySequence(command.keys));
        connect(action, &QAction::triggered, this,
                [this, name = &command.name] { m_services.center.post(*name); });
        if (&command.name != &NotificationName::showSharing) {
            m_storeCommands << action;
        }
    }
}

int ContentView::selectedTab() const {
    return m_sidebar->selectedTab();
}

void ContentView::setSelectedTab(int tag) {
    m_sidebar->setSelectedTab(tag);
}

void ContentView::showSection(int tag) {
    // Each section starts afresh when it is shown again: the policy list is reset (building
    // its rows again would cost more), the contact and agenda sections are made anew.
    if (m_contactList) {
        m_sections->removeWidget(m_contactList);
        m_contactList->deleteLater();
        m_contactList = nullptr;
    }
    if (m_agenda) {
        m_sections->removeWidget(m_agenda);
        m_agenda->deleteLater();
        m_agenda = nullptr;
    }
    if (tag == SidebarView::kContacts) {
        m_policyList->reset();
        m_contactList = new ContactListView(m_services.contacts(), m_sections);
        connect(m_contactList, &ContactListView::policyActivated, this, &ContentView::openPolicy);
        m_sections->addWidget(m_contactList);
        m_sections->setCurrentWidget(m_contactList);
    } else if (tag == SidebarView::kAgenda) {
        m_policyList->reset();
        showAgenda();
    } else {
        m_sections->setCurrentWidget(m_policyList);
    }
}

void ContentView::showAgenda() {
    m_agenda = new AgendaView(m_services.agenda(), m_sections);
    connect(m_agenda, &AgendaView::newEventRequested, this,
            [this](QDate day) { openNewEventSheet(day); });
    connect(m_agenda, &AgendaView::eventActivated, this, &ContentView::openEventEditor);
    connect(m_agenda, &AgendaView::taskActivated, this, &ContentView::openTaskEditor);
    m_sections->addWidget(m_agenda);
    m_sections->setCurrentWidget(m_agenda);
}

bool ContentView::openAgendaEvent(const QUuid& id, std::optional<Instant> occurrence) {
    FetchRequest<Event> request = Event::fetchRequest();
    request.setPredicate(Predicate::format(QStringLiteral("id == %@"), {Value(id)}));
    if (m_storeProblem || m_services.context.fetch(request).empty()) {
        return false;
    }
    setSelectedTab(SidebarView::kAgenda);
    return m_agenda && m_agenda->openEvent(id, occurrence);
}

bool ContentView::openRemindedItem(const NotificationManager::OpenedItem& item) {
    return item.kind == NotificationManager::OpenedItem::Kind::Event
               ? openAgendaEvent(item.id, item.occurrence)
               : openAgendaTask(item.id);
}

bool ContentView::openAgendaTask(const QUuid& id) {
    FetchRequest<Task> request = Task::fetchRequest();
    request.setPredicate(Predicate::format(QStringLiteral("id == %@"), {Value(id)}));
    if (m_storeProblem || m_services.context.fetch(request).empty()) {
        return false;
    }
    setSelectedTab(SidebarView::kAgenda);
    return m_agenda && m_agenda->openTask(id);
}

void ContentView::openPolicy(const QUuid& id) {
    setSelectedTab(SidebarView::kPolicies);
    m_policyList->selectPolicy(id);
}

// A window-modal sheet blocks this window's menu and with it Ctrl+Q: every dialog over this
// window that takes the focus carries the Quit action too.
void ContentView::keepQuitReachable() {
    QWidget* active = QApplication::activeWindow();
    if (!active || active == this || active->actions().contains(m_quit)) {
        return;
    }
    for (QObject* owner = active->parent(); owner; owner = owner->parent()) {
        if (owner == this) {
            active->addAction(m_quit);
            return;
        }
    }
}

// The innermost first: a contact made from a policy's editor is saved before the policy.
QList<EditorSheet*> ContentView::changedEditors() const {
    QList<EditorSheet*> changed;
    const QList<EditorSheet*> editors = findChildren<EditorSheet*>();
    for (auto editor = editors.rbegin(); editor != editors.rend(); ++editor) {
        if ((*editor)->isVisible() && (*editor)->hasChanges()) {
            changed.append(*editor);
        }
    }
    return changed;
}

void ContentView::askAboutChanges(std::function<void(bool mayEnd)> decided) {
    const QList<EditorSheet*> changed = changedEditors();
    if (changed.isEmpty()) {
        decided(true);
        return;
    }
    if (m_askingAboutChanges) {
        return; // the question is already on screen
    }
    m_askingAboutChanges = true;
    m_services.desktop.bringForward(windowHandle(), QString());
    const QList<QPointer<EditorSheet>> editors(changed.begin(), changed.end());
    const Confirmation::SaveQuestion question{
        QStringLiteral("Salvare le modifiche?"),
        QStringLiteral("Se non salvi, le modifiche andranno perse."), QStringLiteral("Salva"),
        QStringLiteral("Non Salvare"), QStringLiteral("Annulla")};
    m_services.confirmation.askToSave(
        changed.first(), question,
        [self = QPointer(this), editors,
         decided = std::move(decided)](Confirmation::SaveAnswer answer) {
            if (!self) {
                return;
            }
            self->m_askingAboutChanges = false;
            if (answer == Confirmation::SaveAnswer::Cancel) {
                decided(false);
                return;
            }
            for (const QPointer<EditorSheet>& editor : editors) {
                if (!editor) {
                    continue;
                }
                if (answer == Confirmation::SaveAnswer::DontSave) {
                    editor->reject();
                } else if (!editor->saveNow()) {
                    decided(false);
                    return;
                }
            }
            decided(true);
        });
}

void ContentView::quit() {
    askAboutChanges([this](bool mayEnd) {
        if (mayEnd) {
            m_services.desktop.quit();
        }
    });
}

bool ContentView::agreeToSessionEnd(const std::function<bool()>& mayAsk) {
    if (changedEditors().isEmpty()) {
        return true;
    }
    if (m_askingAboutChanges) {
        return false; // the user has not answered the question on screen yet
    }
    // Not allowed to ask (a forced logout): nothing the user did not confirm is written, and
    // the unsaved values go with the session.
    if (!mayAsk()) {
        return true;
    }
    // The session manager waits for the answer before it goes on.
    QEventLoop loop;
    std::optional<bool> agreed;
    askAboutChanges([&loop, &agreed](bool mayEnd) {
        agreed = mayEnd;
        loop.quit();
    });
    if (!agreed) {
        loop.exec();
    }
    return agreed.value_or(false);
}

void ContentView::closeEditors(QWidget* keep, std::function<void(bool agreed)> decided) {
    if (m_askingAboutChanges) {
        decided(false);
        return;
    }
    askAboutChanges(
        [self = QPointer(this), keep = QPointer(keep), decided = std::move(decided)](bool agreed) {
            if (self && agreed) {
                const QList<EditorSheet*> sheets = self->findChildren<EditorSheet*>();
                for (EditorSheet* sheet : sheets) {
                    const bool kept = keep && (sheet == keep || sheet->isAncestorOf(keep) ||
                                               keep->isAncestorOf(sheet));
                    if (!kept && sheet->isVisible()) {
                        sheet->reject();
                    }
                }
            }
            decided(agreed);
        });
}

void ContentView::showNotice(const QString& text) {
    m_noticeText->setText(text);
    m_noticeText->setAccessibleName(text);
    m_notice->show();
}

bool ContentView::hasOpenSheet() const {
    const QList<QDialog*> dialogs = findChildren<QDialog*>();
    return std::any_of(dialogs.begin(), dialogs.end(),
                       [](const QDialog* dialog) { return dialog->isVisible(); });
}

void ContentView::openNewPolicySheet() {
    if (hasOpenSheet() || m_storeProblem) {
        return;
    }
    auto* editor = new PolicyEditView(m_services.policies().editor(), nullptr, this);
    editor->open();
}

EventEditView::Services ContentView::eventEditorServices() const {
    // Read afresh at each new event: the preference may have changed since the last one.
    const AppSettings preferences(m_services.settings, m_services.log);
    return {.context = m_services.context,
            .reminders = m_services.reminders,
            .clock = m_services.clock,
            .log = m_services.log,
            .confirmation = m_services.confirmation,
            .defaultReminderMinutes = preferences.defaultReminderTime()};
}

TaskEditView::Services ContentView::taskEditorServices() const {
    return {.context = m_services.context,
            .reminders = m_services.reminders,
            .clock = m_services.clock,
            .log = m_services.log,
            .confirmation = m_services.confirmation};
}

void ContentView::openNewEventSheet(std::optional<QDate> day) {
    if (hasOpenSheet() || m_storeProblem) {
        return;
    }
    (new EventEditView(eventEditorServices(), nullptr, day, this))->open();
}

void ContentView::openEventEditor(const QUuid& id) {
    if (hasOpenSheet() || m_storeProblem) {
        return;
    }
    auto event = std::dynamic_pointer_cast<Event>(
        m_services.context.existingObject(Event::entityName(), id));
    if (event) {
        (new EventEditView(eventEditorServices(), event, std::nullopt, this))->open();
    }
}

void ContentView::openNewTaskSheet() {
    if (hasOpenSheet() || m_storeProblem) {
        return;
    }
    (new TaskEditView(taskEditorServices(), nullptr, this))->open();
}

void ContentView::openTaskEditor(const QUuid& id) {
    if (hasOpenSheet() || m_storeProblem) {
        return;
    }
    auto task =
        std::dynamic_pointer_cast<Task>(m_services.context.existingObject(Task::entityName(), id));
    if (task) {
        (new TaskEditView(taskEditorServices(), task, this))->open();
    }
}

bool ContentView::isImportable(const QString& path) {
    static constexpr QLatin1StringView kSuffixes[] = {
        QLatin1StringView("csv"), QLatin1StringView("tsv"), QLatin1StringView("txt"),
        QLatin1StringView("xlsx"), QLatin1StringView("ods")};
    const QString suffix = QFileInfo(path).suffix();
    return std::any_of(std::begin(kSuffixes), std::end(kSuffixes), [&suffix](auto known) {
        return suffix.compare(known, Qt::CaseInsensitive) == 0;
    });
}

void ContentView::openImportSheet(const QString& path) {
    if (hasOpenSheet() || m_storeProblem) {
        return;
    }
    if (path.isEmpty()) {
        auto* dialog = new QFileDialog(this);
        dialog->setObjectName(QStringLiteral("importFileDialog"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setNameFilters(
            {QStringLiteral("Fogli di calcolo e CSV (*.csv *.tsv *.txt *.xlsx *.ods *.CSV *.TSV "
                            "*.TXT *.XLSX *.ODS)"),
             QStringLiteral("Tutti i file (*)")});
        // Once the dialog has closed: it is still on screen while it tells its choice.
        connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& chosen) {
            QMetaObject::invokeMethod(
                this, [this, chosen] { openImportSheet(chosen); }, Qt::QueuedConnection);
        });
        dialog->open();
        return;
    }
    auto* sheet = new ImportSheet({.context = m_services.context,
                                   .reminders = m_services.reminders,
                                   .clock = m_services.clock,
                                   .log = m_services.log,
                                   .memory = m_columnMaps.get()},
                                  path, this);
    // What the import could not schedule, or a reminder lost meanwhile, is put right at once.
    connect(sheet, &ImportSheet::imported, this,
            [this] { m_services.reminders.matchPendingToStore(m_services.context); });
    sheet->open();
}

void ContentView::openExportSheet() {
    if (hasOpenSheet() || m_storeProblem) {
        return;
    }
    auto* sheet =
        new ExportSheet({.context = m_services.context,
                         .clock = m_services.clock,
                         .log = m_services.log,
                         .shownPolicies = [this] { return m_policyList->filteredPolicies(); }},
                        this);
    connect(sheet, &ExportSheet::exported, this, [this](const QString& path, int rows) {
        showNotice(QStringLiteral("Esportate %1 righe in %2")
                       .arg(m_services.clock.locale().toString(rows), path));
    });
    sheet->open();
}

void ContentView::openRenewalReportSheet() {
    if (hasOpenSheet() || m_storeProblem) {
        return;
    }
    // Read afresh at each report: the preference may have changed since the last one.
    const AppSettings preferences(m_services.settings, m_services.log);
    auto* sheet = new RenewalReportSheet({.context = m_services.context,
                                          .clock = m_services.clock,
                                          .log = m_services.log,
                                          .heading = preferences.reportHeading()},
                                         this);
    connect(sheet, &RenewalReportSheet::saved, this, [this](const QString& path, int policies) {
        showNotice(QStringLiteral("Scadenze di %1 polizze salvate in %2")
                       .arg(m_services.clock.locale().toString(policies), path));
    });
    connect(sheet, &RenewalReportSheet::printed, this, [this](int policies) {
        showNotice(QStringLiteral("Scadenze di %1 polizze inviate alla stampante")
                       .arg(m_services.clock.locale().toString(policies)));
    });
    sheet->open();
}

void ContentView::chooseCalendarFile() {
    if (hasOpenSheet() || m_storeProblem) {
        return;
    }
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("calendarFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("ics"));
    dialog->setNameFilters(
        {QStringLiteral("Calendario (*.ics)"), QStringLiteral("Tutti i file (*)")});
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->selectFile(QStringLiteral("Quintaver.ics"));
    connect(dialog, &QFileDialog::fileSelected, this, &ContentView::exportCalendarTo);
    dialog->open();
}

void ContentView::exportCalendarTo(const QString& path) {
    CalendarBook book = CalendarBook::of(m_services.context);
    const QLocale locale = m_services.clock.locale();
    const QString contents = QStringLiteral("%1 scadenze, %2 eventi e %3 attività")
                                 .arg(locale.toString(qsizetype(book.policies.size())),
                                      locale.toString(qsizetype(book.events.size())),
                                      locale.toString(qsizetype(book.tasks.size())));
    // Made and written beside the window: a large book takes a while.
    runInBackground<std::optional<QString>>(
        this,
        [book = std::move(book), zone = m_services.clock.timeZone(), path] {
            return CalendarWriter::writeFile(path, CalendarWriter::text(book, zone));
        },
        [this, path, contents](const std::optional<QString>& error) {
            if (error) {
                m_services.log.write(QStringLiteral("Error exporting calendar: "), *error);
                showNotice(QStringLiteral("Calendario non esportato: ") + *error);
                return;
            }
            showNotice(QStringLiteral("Calendario esportato in %1: %2").arg(path, contents));
        });
}

void ContentView::showStoreProblem(const QString& why) {
    // A page of its own each time: it looks for the newest good backup afresh.
    clearStoreProblem();
    QWidget* column = m_sections->parentWidget();
    m_storeProblem = m_recovery->damagedStorePage(why, column);
    connect(m_storeProblem, &DamagedStorePage::otherBackupRequested, this, [this] {
        if (!hasOpenSheet()) {
            m_recovery->openRestoreSheet();
        }
    });
    static_cast<QVBoxLayout*>(column->layout())->addWidget(m_storeProblem, 1);
    m_sections->hide();
    m_storeProblem->show();
    m_sidebar->setEnabled(false);
    setStoreCommandsEnabled(false);
}

void ContentView::clearStoreProblem() {
    if (!m_storeProblem) {
        return;
    }
    // It may be what asked for this, from inside its own restore.
    m_storeProblem->hide();
    m_storeProblem->parentWidget()->layout()->removeWidget(m_storeProblem);
    m_storeProblem->deleteLater();
    m_storeProblem = nullptr;
    m_sections->show();
    m_sidebar->setEnabled(true);
    setStoreCommandsEnabled(true);
}

void ContentView::setStoreCommandsEnabled(bool enabled) {
    for (QAction* action : std::as_const(m_storeCommands)) {
        action->setEnabled(enabled);
    }
}

void ContentView::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile() &&
        isImportable(urls.first().toLocalFile()) && !hasOpenSheet() && !m_storeProblem) {
        event->acceptProposedAction();
    }
}

void ContentView::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile() &&
        isImportable(urls.first().toLocalFile())) {
        event->acceptProposedAction();
        // Not from inside the drop: the sheet's own loop must not run under it.
        QMetaObject::invokeMethod(
            this, [this, path = urls.first().toLocalFile()] { openImportSheet(path); },
            Qt::QueuedConnection);
    }
}

void ContentView::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    if (!m_painted) {
        // Told on the next turn, once this paint has reached the screen.
        QTimer::singleShot(0, this, &ContentView::announceFirstPaint);
    }
}

void ContentView::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    QTimer::singleShot(kFirstPaintPatienceMs, this, &ContentView::announceFirstPaint);
}

void ContentView::announceFirstPaint() {
    if (!m_painted) {
        m_painted = true;
        Q_EMIT firstPainted();
    }
}

void ContentView::closeEvent(QCloseEvent* event) {
    saveWindowGeometry();
    QMainWindow::closeEvent(event);
}

void ContentView::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    m_geometrySave->start();
}

void ContentView::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_geometrySave->start();
}

void ContentView::restoreWindowGeometry() {
    const QByteArray geometry = m_services.settings.value(kGeometryKey).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        resize(1100, 720);
    }
}

void ContentView::saveWindowGeometry() {
    if (!isVisible()) {
        return;
    }
    m_services.settings.setValue(kGeometryKey, saveGeometry());
}
