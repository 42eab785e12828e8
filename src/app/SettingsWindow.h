#pragma once

#include <QObject>

#include <memory>

class AppSettings;
class AutostartEntry;
class LogChannel;
class NotificationService;
class SettingsView;

// The program's one settings window, built the first time it is asked for: every later
// present() brings the same window forward ("Preferences..." in the main menu and in the
// panel's popover both call it).
class SettingsWindow final : public QObject {
    Q_OBJECT
public:
    SettingsWindow(AppSettings& settings, NotificationService& notifications,
                   AutostartEntry& autostart, LogChannel& log, QObject* parent = nullptr);
    ~SettingsWindow() override;

    void present();
    // Nothing until the first present().
    SettingsView* view() const { return m_view.get(); }

private:
    AppSettings& m_settings;
    NotificationService& m_notifications;
    AutostartEntry& m_autostart;
    LogChannel& m_log;
    std::unique_ptr<SettingsView> m_view;
};
