#pragma once

#include "agenda/AgendaView.h"
#include "agenda/EventEditView.h"
#include "agenda/TaskEditView.h"
#include "contacts/ContactListView.h"
#include "policies/PolicyListView.h"
#include "recovery/RecoveryCommands.h"
#include "reminders/NotificationManager.h"

#include <QMainWindow>

#include <QDate>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

class ColumnMapMemory;
class DamagedStorePage;
class EditorSheet;
class NotificationCenter;
class QLabel;
class QSettings;
class QStackedWidget;
class QTimer;
class SidebarView;

// The main window: the sidebar beside the content column, which shows the policy section or
// the contact section; the toolbar's "Nuova Polizza"; the File menu with import, export (also as a
// calendar), backup, restore, preferences and quit; the "Scheduler" menu, whose entries post their
// names and nothing more; and the sheets it opens, unless a sheet of this window is already open:
// the new-policy sheet (the toolbar, every post of newPolicy), the new-event and new-task
// sheets (every post of newEvent and newTask), the import sheet (the menu, the
// empty state's button, a spreadsheet or CSV file dropped on the window), the export sheet, the
// renewal report sheet and the restore sheet. When the store could not be opened, a page saying so
// and offering a backup stands in for the sections.
//
// Its size and position are kept in the settings it is given between runs.
class ContentView final : public QMainWindow {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        NotificationManager& reminders;
        const Clock& clock;
        LogChannel& log;
        DesktopActions& desktop;
        Confirmation& confirmation;
        PDFShareExport exporter;
        DocumentRenderer& documents;
        // Opens the contact editor over a policy editor.
        std::function<void(QWidget* over)> openContactEditor;
        NotificationCenter& center;
        // Where the window's size and position are kept.
        QSettings& settings;
        BackupService& backups;
        // Closes the store, puts a backup in its place and opens it again.
        RestoreFlow::RestoreBackup restoreBackup;

        // What the window hands to its two sections.
        PolicyListView::Services policies() const;
        ContactListView::Services contacts() const;
        AgendaView::Services agenda() const;
        RecoveryCommands::Services recovery() const;
    };

    explicit ContentView(Services services, QWidget* parent = nullptr);
    ~ContentView() override;

    int selectedTab() const;
    void setSelectedTab(int tag);
    PolicyListView& policyList() const { return *m_policyList; }
    // Shows a message above the content column until the user dismisses it.
    void showNotice(const QString& text);
    bool hasOpenSheet() const;
    // The policy section, with that policy selected and its pane shown.
    void openPolicy(const QUuid& id);
    // The agenda on the stored event's day (that of `occurrence` when given) or the stored
    // task's, with it chosen; false, changing nothing, when it is not stored.
    bool openAgendaEvent(const QUuid& id, std::optional<Instant> occurrence = std::nullopt);
    bool openAgendaTask(const QUuid& id);
    // An opened reminder's event or task, as above.
    bool openRemindedItem(const NotificationManager::OpenedItem& item);
    // The agenda section while it is shown; null otherwise.
    AgendaView* agendaView() const { return m_agenda; }

    // Quit, from any menu: when editors hold changes the user is asked once whether to save
    // them. "Salva" saves each and quits only when every save worked (an editor that could
    // not save stays open), "Non Salvare" drops them, "Annulla" goes back. Editors without
    // changes close quietly.
    void quit();
    // The desktop session is ending: the same question, answered before this returns, when
    // `mayAsk` allows it (it is called only when an editor holds changes). False: the user
    // chose to stay, and the session should not end.
    bool agreeToSessionEnd(const std::function<bool()>& mayAsk);
    // Before the store is put back from a backup: asks about editors with changes as Quit
    // does, then closes every sheet but `keep` and those it opened over. `decided(false)`: the
    // user chose to stay, or the question is already on screen.
    void closeEditors(QWidget* keep, std::function<void(bool agreed)> decided);
    void openNewPolicySheet();
    // The event and task editors, one sheet at a time as for policies: a new event (on `day`
    // when given: its next whole hour today, 09:00 on any other day), a stored one by its id
    // (nothing for an id not stored), and the same for tasks. A new event takes the "Default
    // Reminder" preference of the settings the window was given.
    void openNewEventSheet(std::optional<QDate> day = {});
    void openEventEditor(const QUuid& id);
    void openNewTaskSheet();
    void openTaskEditor(const QUuid& id);
    // The import sheet over this window on a file; without one, the file dialog asks first.
    void openImportSheet(const QString& path = QString());
    void openExportSheet();
    // The renewal report sheet (File > Stampa Scadenze...), with the agency's line of the
    // preferences as they are now.
    void openRenewalReportSheet();
    // "Esporta Calendario...": the file dialog, then exportCalendarTo() with its answer.
    void chooseCalendarFile();
    // The book, the events and the tasks as an iCalendar file at `path`, made and written off
    // this thread and renamed into place whole; a notice says what it holds, or why it could
    // not be written (also one line, "Error exporting calendar: ").
    void exportCalendarTo(const QString& path);
    // A file the import reads, by its name: what a drop on the window opens.
    static bool isImportable(const QString& path);
    RecoveryCommands& recovery() const { return *m_recovery; }

    // The store could not be opened: a page saying why, offering the newest backup that
    // passes the check, stands in for the sections, and what needs the store is disabled.
    void showStoreProblem(const QString& why);
    // The sections again, once the store is open.
    void clearStoreProblem();
    DamagedStorePage* storeProblem() const { return m_storeProblem; }

Q_SIGNALS:
    void preferencesRequested();
    // Once, after the window's first paint (or a moment after it was shown, should the
    // desktop never expose it): what may wait until the user sees the window starts here.
    void firstPainted();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* buildContent();
    QWidget* buildNotice();
    void buildToolBar();
    void buildMenus();
    void showSection(int tag);
    void showAgenda();
    void restoreWindowGeometry();
    void saveWindowGeometry();
    void announceFirstPaint();
    QList<EditorSheet*> changedEditors() const;
    EventEditView::Services eventEditorServices() const;
    TaskEditView::Services taskEditorServices() const;
    void askAboutChanges(std::function<void(bool mayEnd)> decided);
    void keepQuitReachable();
    void setStoreCommandsEnabled(bool enabled);

    Services m_services;
    SidebarView* m_sidebar = nullptr;
    QStackedWidget* m_sections = nullptr;
    PolicyListView* m_policyList = nullptr;
    ContactListView* m_contactList = nullptr;
    AgendaView* m_agenda = nullptr;
    QWidget* m_notice = nullptr;
    QLabel* m_noticeText = nullptr;
    QTimer* m_geometrySave = nullptr;
    QAction* m_quit = nullptr;
    // What needs an open store: new policy, import, export, the renewal report, a backup to a
    // file.
    QList<QAction*> m_storeCommands;
    DamagedStorePage* m_storeProblem = nullptr;
    std::unique_ptr<ColumnMapMemory> m_columnMaps;
    RecoveryCommands* m_recovery;
    bool m_painted = false;
    bool m_askingAboutChanges = false;
};
