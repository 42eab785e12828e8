#include "ScreenWorld.h"

ScreenWorld::ScreenWorld(int policies)
    : PolicyWorld::InMemory(policies)
    , reminders(NotificationManager::make({service, installation, clock, log, center})) {}

PolicyEditView::Services ScreenWorld::editServices() {
    return {context(), *reminders, clock, log, desktop, PDFShareExport(exports.path(), QString()),
            {},        documents};
}
