#pragma once

#include "platform/TrayHost.h"

#include <QTimer>

// The desktop's tray as Qt sees it (a StatusNotifierItem host on the session bus, or an XEmbed
// tray on X11), asked again every few seconds so that a panel started after the program, or
// one that went away, is noticed.
class SystemTrayHost final : public TrayHost {
    Q_OBJECT
public:
    explicit SystemTrayHost(QObject* parent = nullptr);

    bool isAvailable() const override { return m_available; }

private:
    void check();

    bool m_available;
    QTimer m_poll;
};
