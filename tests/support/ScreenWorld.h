#pragma once

#include "agenda/AgendaView.h"
#include "app/ContentView.h"
#include "app/MenuBarView.h"
#include "backup/BackupService.h"
#include "contacts/ContactListView.h"
#include "documents/DocumentRenderer.h"
#include "platform/InstallationCheck.h"
#include "platform/NotificationCenter.h"
#include "policies/PolicyListView.h"
#include "reminders/NotificationManager.h"
#include "support/FakeConfirmation.h"
#include "support/FakeDesktopActions.h"
#include "support/InMemoryNotificationService.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// What every screen is given in the tests, the benchmarks and the screenshot tool, beside the
// store, the clock and the log, which are the caller's: reminders kept in memory, a desktop and
// confirmations that record what was asked (or the real dialogs, for their pictures), a
// notification center of its own, a private folder for exports, the document renderer as
// built, the contact editor over a sheet, backups of a store file in the private folder, and a
// restore that records what it was asked and waits for the caller's answer.
class ScreenWorld final {
public:
    struct Setup {
        // Reminders act only in an installed program; the benchmarks and the pictures leave
        // them idle, as a program run from its build folder does.
        bool installed = true;
        DocumentRenderer::Limits limits = {};
        // Asked instead of the recording confirmation.
        Confirmation* confirmation = nullptr;
    };

    ScreenWorld(const Clock& clock, LogChannel& log);
    ScreenWorld(const Clock& clock, LogChannel& log, const Setup& setup);
    ~ScreenWorld();

    // Each screen's services over the given store.
    PolicyEditView::Services editor(ManagedObjectContext& context);
    PolicyDetailView::Services pane(ManagedObjectContext& context);
    PolicyListView::Services policies(ManagedObjectContext& context);
    ContactEditView::Services contactEditor(ManagedObjectContext& context);
    ContactDetailView::Services contactPage(ManagedObjectContext& context);
    ContactListView::Services contacts(ManagedObjectContext& context);
    AgendaView::Services agenda(ManagedObjectContext& context);
    ContentView::Services window(ManagedObjectContext& context, QSettings& settings);
    MenuBarView::Services popover(ManagedObjectContext& context);
    PDFViewer::Services viewer();
    PDFShareExport exporter() const;

    // The pending reminders' identifiers once every request made so far has been answered.
    QStringList pendingReminders();
    // Records each file asked for in `restoresAsked` and keeps its `done` in `pendingRestore`.
    RestoreFlow::RestoreBackup restoreBackup();

    class Installation final : public InstallationCheck {
    public:
        explicit Installation(bool installed)
            : m_installed(installed) {}
        bool isInstalledApplication() const override { return m_installed; }

    private:
        bool m_installed;
    };

    const Clock& clock;
    LogChannel& log;
    InMemoryNotificationService notifications;
    Installation installation;
    NotificationCenter center;
    std::unique_ptr<NotificationManager> reminders;
    FakeDesktopActions desktop;
    FakeConfirmation answers;
    // The recording one, unless the setup named another.
    Confirmation& confirmation;
    QTemporaryDir exports;
    DocumentRenderer documents;
    BackupService backups;
    QStringList restoresAsked;
    std::function<void(const RestoreOutcome&)> pendingRestore;
};
