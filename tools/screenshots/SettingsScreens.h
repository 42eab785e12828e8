#pragma once

class ManagedObjectContext;
class ScreenCamera;

// The settings window's General, Notifications, Categorie (the fixture's categories) and
// About tabs, for a user who has not yet allowed notifications.
bool shootSettingsScreens(ScreenCamera& camera, ManagedObjectContext& context);
