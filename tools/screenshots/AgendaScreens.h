#pragma once

class Clock;
class ScreenCamera;
class LogChannel;

// The agenda section: the month with busy days, a day with events and tasks (done, undated and
// overdue ones), a search, and the dark look; from a store of its own.
bool shootAgendaScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log);
