#include "ScreenServices.h"

#include "contacts/ContactEditView.h"

#include <QApplication>
#include <QDeadlineTimer>

ScreenServices::ScreenServices(ManagedObjectContext& context, const Clock& clock, LogChannel& log)
    : m_context(context)
    , m_clock(clock)
    , m_log(log)
    , m_reminders(NotificationManager::make({m_service, m_notInstalled, clock, log, center}))
    , m_documents(QStringLiteral(QS_PDF_RENDERER), log) {}

PolicyEditView::Services ScreenServices::edit() {
    return {
        m_context,
        *m_reminders,
        m_clock,
        m_log,
        m_desktop,
        PDFShareExport(m_folder.path(), QString()),
        [this](QWidget* over) { (new ContactEditView(m_context, nullptr, m_log, over))->open(); },
        m_documents};
}

bool waitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return condition();
}
