#pragma once

#include "documents/DocumentRenderer.h"
#include "platform/InMemoryNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/LinuxDesktopActions.h"
#include "platform/NotificationCenter.h"
#include "policies/PolicyListView.h"
#include "reminders/NotificationManager.h"
#include "ui/DialogConfirmation.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>

// What the policy screens are given while they are drawn: reminders kept in memory (as in a
// program that is not installed), the real desktop actions and confirmation (nothing is
// clicked), a private folder for exports, and the contact editor over a sheet.
class ScreenServices final {
public:
    ScreenServices(ManagedObjectContext& context, const Clock& clock, LogChannel& log);

    PolicyEditView::Services edit();
    PolicyListView::Services list() { return {edit(), confirmation}; }
    const QTemporaryDir& folder() const { return m_folder; }
    DesktopActions& desktop() { return m_desktop; }
    DocumentRenderer& documents() { return m_documents; }

    NotificationCenter center;
    DialogConfirmation confirmation;

private:
    class NotInstalled final : public InstallationCheck {
    public:
        bool isInstalledApplication() const override { return false; }
    };

    ManagedObjectContext& m_context;
    const Clock& m_clock;
    LogChannel& m_log;
    InMemoryNotificationService m_service;
    NotInstalled m_notInstalled;
    std::unique_ptr<NotificationManager> m_reminders;
    LinuxDesktopActions m_desktop;
    QTemporaryDir m_folder;
    DocumentRenderer m_documents;
};

// Runs the event loop until the condition holds (pages drawn by the document renderer, say) or
// ten seconds have passed; whether it holds.
bool waitFor(const std::function<bool()>& condition);
