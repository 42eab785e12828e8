#include "app/AppDelegate.h"

#include "app/MenuBarView.h"
#include "app/Popover.h"
#include "platform/DesktopActions.h"
#include "platform/PopoverPlacement.h"
#include "platform/TrayHost.h"
#include "ui/Icons.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>

namespace {

// The calendar in a light grey for the dark panels most desktops have, ringed in dark so that
// it still reads on a light one. An icon theme's symbolic icon, which the panel recolours,
// comes first.
QIcon trayIcon() {
    QIcon drawn;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        const QPixmap halo = Icons::pixmap(QStringLiteral("calendar"), size - 2, QColor(0x202020));
        const QPixmap glyph = Icons::pixmap(QStringLiteral("calendar"), size - 2, QColor(0xECECEC));
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        for (const QPoint offset : {QPoint(0, 1), QPoint(2, 1), QPoint(1, 0), QPoint(1, 2)}) {
            painter.drawPixmap(offset, halo);
        }
        painter.drawPixmap(QPoint(1, 1), glyph);
        painter.end();
        drawn.addPixmap(pixmap);
    }
    return QIcon::fromTheme(QStringLiteral("org.quintaver.Scheduler-symbolic"), drawn);
}

} // namespace

AppDelegate::AppDelegate(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services)) {
    connect(&m_services.trayHost, &TrayHost::availabilityChanged, this,
            &AppDelegate::updateTrayPresence);
}

AppDelegate::~AppDelegate() = default;

QString AppDelegate::noTrayNotice() {
    return QStringLiteral(
        "Your desktop shows no tray icons, so Quintaver's calendar icon cannot appear in the "
        "panel. Reminders still arrive. On GNOME, install and enable the AppIndicator "
        "extension (package gnome-shell-extension-appindicator) to get the icon; until then, "
        "closing this window quits Quintaver.");
}

void AppDelegate::applicationDidFinishLaunching() {
    setupMenuBar();
    if (m_services.requestAuthorization) {
        m_services.requestAuthorization();
    }
    QTimer::singleShot(m_services.noTrayNoticeDelayMs, this, &AppDelegate::noticeIfNoTray);
}

void AppDelegate::setupMenuBar() {
    if (m_statusBarItem) {
        return;
    }
    m_view = new MenuBarView({.context = m_services.context,
                              .clock = m_services.clock,
                              .desktop = m_services.desktop,
                              .center = m_services.center,
                              .mainWindow = m_services.mainWindow});
    connect(m_view, &MenuBarView::preferencesRequested, this, &AppDelegate::preferencesRequested);
    connect(m_view, &MenuBarView::quitRequested, this, &AppDelegate::quitRequested);
    connect(m_view, &MenuBarView::eventOpenRequested, this, &AppDelegate::eventOpenRequested);
    m_popover = std::make_unique<Popover>(m_view);

    m_statusBarItem = new QSystemTrayIcon(trayIcon(), this);
    m_statusBarItem->setToolTip(QStringLiteral("Quintaver"));
    connect(m_statusBarItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    togglePopover();
                }
            });
    buildContextMenu();
    updateTrayPresence();
}

void AppDelegate::buildContextMenu() {
    m_menu = std::make_unique<QMenu>();
    connect(m_menu->addAction(QStringLiteral("Open App")), &QAction::triggered, this,
            &AppDelegate::bringMainWindowForward);
    connect(m_menu->addAction(QStringLiteral("Preferences...")), &QAction::triggered, this, [this] {
        bringMainWindowForward();
        Q_EMIT preferencesRequested();
    });
    m_menu->addSeparator();
    connect(m_menu->addAction(QStringLiteral("Quit")), &QAction::triggered, this,
            &AppDelegate::quitRequested);
    m_statusBarItem->setContextMenu(m_menu.get());
}

void AppDelegate::togglePopover() {
    if (!m_statusBarItem || !m_popover) {
        return;
    }
    if (m_popover->isVisible()) {
        m_popover->close();
        return;
    }
    if (m_popover->closedJustNow()) {
        return;
    }
    const QPoint pointer = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(pointer);
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const bool pointerKnown = QGuiApplication::platformName() == QLatin1String("xcb");
    const QRect area = screen ? screen->availableGeometry() : QRect();
    m_popover->move(PopoverPlacement::topLeft(
        m_popover->size(), m_statusBarItem->geometry(),
        pointerKnown ? std::optional<QPoint>(pointer) : std::nullopt, area));
    m_view->takeNow();
    m_popover->show();
    m_popover->raise();
    m_popover->activateWindow();
}

void AppDelegate::setTrayIconShown(bool shown) {
    m_wantShown = shown;
    updateTrayPresence();
}

bool AppDelegate::isTrayIconVisible() const {
    return m_statusBarItem && m_wantShown && m_services.trayHost.isAvailable();
}

void AppDelegate::updateTrayPresence() {
    const bool visible = isTrayIconVisible();
    if (m_statusBarItem) {
        m_statusBarItem->setVisible(visible);
    }
    if (!visible && m_popover) {
        m_popover->close();
    }
    QGuiApplication::setQuitOnLastWindowClosed(!visible);
    // A program whose window was closed to the icon must not live on unseen.
    QWindow* window = m_services.mainWindow ? m_services.mainWindow() : nullptr;
    if (!visible && m_statusBarItem && (!window || !window->isVisible())) {
        bringMainWindowForward();
    }
}

void AppDelegate::noticeIfNoTray() {
    if (m_noticeGiven || m_services.trayHost.isAvailable()) {
        return;
    }
    m_noticeGiven = true;
    Q_EMIT noticeRequested(noTrayNotice());
}

void AppDelegate::bringMainWindowForward() {
    m_services.desktop.bringForward(m_services.mainWindow ? m_services.mainWindow() : nullptr,
                                    QString());
}
