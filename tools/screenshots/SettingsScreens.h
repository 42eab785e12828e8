#pragma once

class ScreenCamera;

// The settings window's General, Notifications and About tabs, for a user who has not yet
// allowed notifications.
bool shootSettingsScreens(ScreenCamera& camera);
