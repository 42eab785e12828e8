#pragma once

#include <QString>

// Names on the session bus shared by the program and its reminder agent.
namespace ReminderBus {

inline const QString kAgentService = QStringLiteral("org.quintaver.Scheduler.Reminders");
inline const QString kAgentPath = QStringLiteral("/org/quintaver/Scheduler/Reminders");
inline const QString kAgentInterface = QStringLiteral("org.quintaver.Scheduler.Reminders");

// The program itself, activatable as the freedesktop Desktop Entry specification describes.
inline const QString kApplicationService = QStringLiteral("org.quintaver.Scheduler");
inline const QString kApplicationPath = QStringLiteral("/org/quintaver/Scheduler");
inline const QString kApplicationInterface = QStringLiteral("org.freedesktop.Application");
// The action by which the agent hands an opened notification's identifier to the program.
inline const QString kOpenReminderAction = QStringLiteral("open-reminder");

} // namespace ReminderBus
