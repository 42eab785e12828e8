#pragma once

#include "platform/DesktopActions.h"

#include <QDBusConnection>
#include <QObject>

// The desktop actions on a freedesktop desktop: links through the default handler, files
// revealed with org.freedesktop.FileManager1 (falling back to opening the file's folder when no
// file manager answers), windows activated with the XDG activation token on Wayland or the
// startup id on X11.
class LinuxDesktopActions final : public QObject, public DesktopActions {
    Q_OBJECT
public:
    explicit LinuxDesktopActions(QDBusConnection bus = QDBusConnection::sessionBus(),
                                 QObject* parent = nullptr);

    void openUrl(const QUrl& url) override;
    void revealFile(const QString& path) override;
    void bringForward(QWindow* window, const QString& activationToken) override;
    void quit() override;

private:
    QDBusConnection m_bus;
};
