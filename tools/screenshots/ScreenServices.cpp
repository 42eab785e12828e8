#include "ScreenServices.h"

#include "contacts/ContactEditView.h"

ScreenServices::ScreenServices(ManagedObjectContext& context, const Clock& clock, LogChannel& log)
    : m_context(context)
    , m_clock(clock)
    , m_log(log)
    , m_reminders(NotificationManager::make({m_service, m_notInstalled, clock, log, center})) {}

PolicyEditView::Services ScreenServices::edit() {
    return {
        m_context,
        *m_reminders,
        m_clock,
        m_log,
        m_desktop,
        PdfShareExport(m_folder.path(), QString()),
        [this](QWidget* over) { (new ContactEditView(m_context, nullptr, m_log, over))->open(); }};
}
