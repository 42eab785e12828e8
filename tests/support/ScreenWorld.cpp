#include "support/ScreenWorld.h"

#include "contacts/ContactEditView.h"
#include "support/WaitUntil.h"

ScreenWorld::ScreenWorld(const Clock& clock, LogChannel& log)
    : ScreenWorld(clock, log, Setup{}) {}

ScreenWorld::ScreenWorld(const Clock& clock, LogChannel& log, const Setup& setup)
    : clock(clock)
    , log(log)
    , installation(setup.installed)
    , reminders(NotificationManager::make({.notifications = notifications,
                                           .installation = installation,
                                           .clock = clock,
                                           .log = log,
                                           .center = center}))
    , confirmation(setup.confirmation ? *setup.confirmation : answers)
    , documents(QStringLiteral(QS_PDF_RENDERER), log, setup.limits)
    , backups({clock, log}, exports.filePath(QStringLiteral("QuintaverModel.sqlite")),
              exports.filePath(QStringLiteral("backups"))) {}

ScreenWorld::~ScreenWorld() = default;

PDFShareExport ScreenWorld::exporter() const {
    return PDFShareExport(exports.path(), QString());
}

PolicyEditView::Services ScreenWorld::editor(ManagedObjectContext& context) {
    return pane(context).editor();
}

PolicyDetailView::Services ScreenWorld::pane(ManagedObjectContext& context) {
    return policies(context);
}

PolicyListView::Services ScreenWorld::policies(ManagedObjectContext& context) {
    return {.context = context,
            .reminders = *reminders,
            .clock = clock,
            .log = log,
            .desktop = desktop,
            .confirmation = confirmation,
            .exporter = exporter(),
            .documents = documents,
            .openContactEditor = [&context = context, &log = log](QWidget* over) {
                (new ContactEditView({.context = context, .log = log}, nullptr, over))->open();
            }};
}

ContactEditView::Services ScreenWorld::contactEditor(ManagedObjectContext& context) {
    return {.context = context, .log = log};
}

ContactDetailView::Services ScreenWorld::contactPage(ManagedObjectContext& context) {
    return contacts(context).page();
}

ContactListView::Services ScreenWorld::contacts(ManagedObjectContext& context) {
    return {.context = context, .clock = clock, .log = log, .confirmation = confirmation};
}

AgendaView::Services ScreenWorld::agenda(ManagedObjectContext& context) {
    return {.context = context, .clock = clock, .log = log, .reminders = *reminders};
}

ContentView::Services ScreenWorld::window(ManagedObjectContext& context, QSettings& settings) {
    const PolicyListView::Services shared = policies(context);
    return {.context = context,
            .reminders = shared.reminders,
            .clock = clock,
            .log = log,
            .desktop = desktop,
            .confirmation = confirmation,
            .exporter = shared.exporter,
            .documents = documents,
            .openContactEditor = shared.openContactEditor,
            .center = center,
            .settings = settings,
            .backups = backups,
            .restoreBackup = restoreBackup()};
}

MenuBarView::Services ScreenWorld::popover(ManagedObjectContext& context) {
    return {
        .context = context, .clock = clock, .desktop = desktop, .center = center, .mainWindow = {}};
}

PDFViewer::Services ScreenWorld::viewer() {
    return {.desktop = desktop, .log = log, .exporter = exporter(), .documents = documents};
}

QStringList ScreenWorld::pendingReminders() {
    waitUntil([this] { return notifications.hasAnsweredAll(); });
    QStringList identifiers;
    for (const NotificationRequest& request : notifications.pending()) {
        identifiers << request.identifier;
    }
    return identifiers;
}

RestoreFlow::RestoreBackup ScreenWorld::restoreBackup() {
    return {
        .restore = [this](const QString& chosen, std::function<void(const RestoreOutcome&)> done) {
            restoresAsked << chosen;
            pendingRestore = std::move(done);
        }};
}
