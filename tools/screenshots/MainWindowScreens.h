#pragma once

class Clock;
class ScreenCamera;
class LogChannel;

// The main window at a fixed size: with no policies, with policies of every status and one
// selected, while searching, with a row's context menu open, and on the contact section.
bool shootMainWindowScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log);
