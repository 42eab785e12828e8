#include "platform/LinuxDesktopActions.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QWindow>

LinuxDesktopActions::LinuxDesktopActions(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {}

void LinuxDesktopActions::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void LinuxDesktopActions::revealFile(const QString& path) {
    const QFileInfo file(path);
    const QUrl folder = QUrl::fromLocalFile(file.absolutePath());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
    if (!m_bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [folder](QDBusPendingCallWatcher* finished) {
                if (finished->isError()) {
                    QDesktopServices::openUrl(folder);
                }
                finished->deleteLater();
            });
}

void LinuxDesktopActions::bringForward(QWindow* window, const QString& activationToken) {
    if (window == nullptr) {
        return;
    }
    if (!activationToken.isEmpty()) {
        // Qt's Wayland and X11 backends take the token that allows activation from these.
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
        qputenv("DESKTOP_STARTUP_ID", activationToken.toUtf8());
    }
    window->show();
    window->raise();
    window->requestActivate();
}

void LinuxDesktopActions::quit() {
    QCoreApplication::quit();
}
