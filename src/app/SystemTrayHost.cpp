#include "app/SystemTrayHost.h"

#include <QSystemTrayIcon>

namespace {

constexpr int kPollMs = 3000;

} // namespace

SystemTrayHost::SystemTrayHost(QObject* parent)
    : TrayHost(parent)
    , m_available(QSystemTrayIcon::isSystemTrayAvailable()) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &SystemTrayHost::check);
    m_poll.start();
}

void SystemTrayHost::check() {
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available != m_available) {
        m_available = available;
        Q_EMIT availabilityChanged(available);
    }
}
