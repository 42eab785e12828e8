#pragma once

#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>

class Clock;
class DesktopActions;
class ManagedObjectContext;
class MenuBarView;
class NotificationCenter;
class Popover;
class QMenu;
class QSystemTrayIcon;
class QWindow;
class TrayHost;

// Finishes start-up: puts the program's icon into the desktop's panel with the summary popover
// it toggles, then asks for permission to notify. It knows the main window only as something
// to bring forward.
//
// Where the desktop shows no tray icons, the program runs on (its reminders come from the
// reminder agent anyway), says once how to get the icon, and quits when its last window
// closes, rather than living on unseen. The same holds while the icon is hidden by choice.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        DesktopActions& desktop;
        NotificationCenter& center;
        TrayHost& trayHost;
        // The window brought forward; may be null while it does not exist.
        std::function<QWindow*()> mainWindow;
        // Asks for permission to notify.
        std::function<void()> requestAuthorization;
        // How long a tray may take to appear after start-up (a panel started at login along
        // with the program) before the user is told there is none.
        int noTrayNoticeDelayMs = 5000;
    };

    explicit AppDelegate(Services services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Called once, when start-up has finished.
    void applicationDidFinishLaunching();
    void setupMenuBar();
    // Shows the popover below the icon, its fetches starting now, or closes it.
    void togglePopover();

    // Shows or hides the panel icon at once; while hidden, closing the last window quits.
    void setTrayIconShown(bool shown);
    // Whether the icon is in the panel now: wanted, and a tray is there to show it.
    bool isTrayIconVisible() const;

    QSystemTrayIcon* statusBarItem() const { return m_statusBarItem; }
    Popover* popover() const { return m_popover.get(); }
    MenuBarView* menuBarView() const { return m_view; }

    static QString noTrayNotice();

Q_SIGNALS:
    // "Preferences..." was chosen in the popover or the icon's menu.
    void preferencesRequested();
    // A message for the user, shown in the main window.
    void noticeRequested(const QString& text);
    // "Quit" was chosen in the popover or the icon's menu.
    void quitRequested();
    // The popover's next event was clicked.
    void eventOpenRequested(const QUuid& id);

private:
    void buildContextMenu();
    void updateTrayPresence();
    void noticeIfNoTray();
    void bringMainWindowForward();

    Services m_services;
    bool m_wantShown = true;
    bool m_noticeGiven = false;
    QSystemTrayIcon* m_statusBarItem = nullptr;
    std::unique_ptr<Popover> m_popover;
    MenuBarView* m_view = nullptr;
    std::unique_ptr<QMenu> m_menu;
};
