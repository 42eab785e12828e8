#pragma once

#include <QWidget>

class AppSettings;
class AutostartEntry;
class BackupService;
class Clock;
class LiveCalendar;
class Confirmation;
class DesktopActions;
class LogChannel;
class ManagedObjectContext;
class NotificationService;
class NotificationSettingsView;
class QTabWidget;

// The settings window: General, Notifications, Backup, Calendario, Categorie and About. The program
// keeps one; present() shows it, or brings it forward when it is already open.
class SettingsView final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        AppSettings& settings;
        NotificationService& notifications;
        AutostartEntry& autostart;
        LogChannel& log;
        BackupService& backups;
        DesktopActions& desktop;
        const Clock& clock;
        // The store whose categories the "Categorie" tab lists and changes.
        ManagedObjectContext& context;
        Confirmation& confirmation;
        // The calendar file the "Calendario" tab turns on and shows the address of.
        LiveCalendar& calendar;
    };

    explicit SettingsView(const Services& services, QWidget* parent = nullptr);

    void present();
    // Asks the service whether the desktop shows notifications and sets the status row: only
    // an authorized answer counts as enabled.
    void checkNotificationAuthorization();

protected:
    void showEvent(QShowEvent* event) override;
    // A light or dark theme chosen while the window exists recolours its texts and icons.
    void changeEvent(QEvent* event) override;

private:
    void applyLook();
    void fitTabs();

    NotificationService& m_notifications;
    QTabWidget* m_tabs;
    NotificationSettingsView* m_notificationTab;
};
