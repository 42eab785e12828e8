#include "app/SettingsView.h"

#include "app/AboutView.h"
#include "app/BackupSettingsView.h"
#include "app/CalendarSettingsView.h"
#include "app/GeneralSettingsView.h"
#include "app/NotificationSettingsView.h"
#include "app/SettingsSection.h"
#include "categories/CategorySettingsView.h"
#include "platform/NotificationService.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

SettingsView::SettingsView(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_notifications(services.notifications)
    , m_tabs(new QTabWidget(this))
    , m_notificationTab(
          new NotificationSettingsView(services.settings, services.notifications, m_tabs)) {
    setObjectName(QStringLiteral("settingsView"));
    setWindowTitle(QStringLiteral("Preferences"));
    m_tabs->setObjectName(QStringLiteral("settingsTabs"));
    // As every desktop dialog does; the main window alone stays open on Escape.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    m_tabs->addTab(
        new GeneralSettingsView(services.settings, services.autostart, services.log, m_tabs),
        QStringLiteral("General"));
    m_tabs->addTab(m_notificationTab, QStringLiteral("Notifications"));
    auto* backup = new BackupSettingsView({.settings = services.settings,
                                           .backups = services.backups,
                                           .desktop = services.desktop,
                                           .clock = services.clock},
                                          m_tabs);
    backup->setObjectName(QStringLiteral("backupSettings"));
    m_tabs->addTab(backup, QStringLiteral("Backup"));
    auto* calendar = new CalendarSettingsView(
        {.settings = services.settings, .calendar = services.calendar}, m_tabs);
    calendar->setObjectName(QStringLiteral("calendarSettings"));
    m_tabs->addTab(calendar, QStringLiteral("Calendario"));
    m_tabs->addTab(new CategorySettingsView({.context = services.context,
                                             .log = services.log,
                                             .confirmation = services.confirmation},
                                            m_tabs),
                   QStringLiteral("Categorie"));
    m_tabs->addTab(new AboutView(m_tabs), QStringLiteral("About"));
    // Every tab in sight with its whole name, rather than some behind scroll arrows.
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setElideMode(Qt::ElideNone);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    applyLook();
}

// 500 × 400, wider only as far as the six tabs with their icons need.
void SettingsView::fitTabs() {
    constexpr int kSlack = 8;
    m_tabs->setFixedSize(std::max(500, m_tabs->tabBar()->sizeHint().width() + kSlack), 400);
}

void SettingsView::applyLook() {
    const QColor iconColor = Palette::color(ColorName::Primary, palette());
    const char16_t* const icons[] = {u"gear",     u"bell",   u"cylinder.split.1x2",
                                     u"calendar", u"number", u"info.circle"};
    for (int tab = 0; tab < m_tabs->count(); ++tab) {
        m_tabs->setTabIcon(tab, Icons::icon(icons[tab], iconColor));
    }
    fitTabs();
    SettingsSection::repaint(this);
}

void SettingsView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyLook();
    }
}

void SettingsView::present() {
    if (!isVisible()) {
        m_tabs->setCurrentIndex(0);
    }
    show();
    raise();
    activateWindow();
}

void SettingsView::checkNotificationAuthorization() {
    m_notifications.authorizationStatus(
        [tab = QPointer(m_notificationTab)](NotificationService::AuthorizationStatus status) {
            if (tab) {
                tab->setNotificationsAuthorized(
                    status == NotificationService::AuthorizationStatus::Authorized);
            }
        });
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Un-minimizing is no new showing.
    if (!event->spontaneous()) {
        checkNotificationAuthorization();
    }
}
