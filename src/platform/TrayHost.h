#pragma once

#include <QObject>

// Whether the desktop shows tray icons at all: a StatusNotifierItem host or an XEmbed system
// tray. Stock GNOME without an extension has neither. A panel may come up after the program
// (at login) or go away (a crash), so the answer can change while the program runs.
class TrayHost : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool isAvailable() const = 0;

Q_SIGNALS:
    void availabilityChanged(bool available);
};
