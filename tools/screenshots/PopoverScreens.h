#pragma once

#include <QDir>

class Clock;
class LogChannel;

// The panel popover over an empty store and over a busy one (light and dark).
bool shootPopoverScreens(const QDir& out, const Clock& clock, LogChannel& log);
