#pragma once

#include "platform/LogChannel.h"

#include <QDBusConnection>
#include <QObject>

// Hands an opened notification to the main program through its org.freedesktop.Application
// object; the bus starts the program when it is not running.
class ProgramHandOver final : public QObject {
    Q_OBJECT
public:
    ProgramHandOver(QDBusConnection bus, LogChannel& log, QObject* parent = nullptr);

    void open(const QString& identifier, const QString& activationToken);

private:
    QDBusConnection m_bus;
    LogChannel& m_log;
};
