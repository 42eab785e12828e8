#pragma once

class Clock;
class LogChannel;
class ScreenCamera;

// The restore sheet with three backups, its question and a file it refuses; the main window's
// page for a store that could not be opened, offering a backup; the settings window's Backup
// tab with the last backup and with a failure.
bool shootRecoveryScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log);
