#pragma once

class ScreenCamera;

// The settings window's three tabs, for a user who has not yet allowed notifications.
bool shootSettingsScreens(ScreenCamera& camera);
