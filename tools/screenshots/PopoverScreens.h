#pragma once

class Clock;
class ScreenCamera;
class LogChannel;

// The panel popover over an empty store and over a busy one (light and dark).
bool shootPopoverScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log);
