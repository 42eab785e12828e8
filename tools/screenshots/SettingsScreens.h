#pragma once

#include <QDir>

// The settings window's three tabs, for a user who has not yet allowed notifications.
bool shootSettingsScreens(const QDir& out);
