#include "app/SettingsWindow.h"

#include "app/SettingsView.h"

SettingsWindow::SettingsWindow(AppSettings& settings, NotificationService& notifications,
                               AutostartEntry& autostart, LogChannel& log, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_notifications(notifications)
    , m_autostart(autostart)
    , m_log(log) {}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::present() {
    if (!m_view) {
        m_view = std::make_unique<SettingsView>(m_settings, m_notifications, m_autostart, m_log);
    }
    m_view->present();
}
