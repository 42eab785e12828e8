#include "app/SettingsWindow.h"

SettingsWindow::SettingsWindow(const SettingsView::Services& services, QObject* parent)
    : QObject(parent)
    , m_services(services) {}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::present() {
    if (!m_view) {
        m_view = std::make_unique<SettingsView>(m_services);
    }
    m_view->present();
}
