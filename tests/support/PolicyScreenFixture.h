#pragma once

#include "platform/InMemoryNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/NotificationCenter.h"
#include "policies/PolicyListView.h"
#include "reminders/NotificationManager.h"
#include "support/FakeConfirmation.h"
#include "support/FakeDesktopActions.h"
#include "support/StoreFixture.h"
#include "support/TestRenderer.h"
#include "support/WaitUntil.h"

#include <QApplication>

// An in-memory store with what the policy screens are given: reminders kept in memory (as in
// an installed program), a desktop and confirmations that record what was asked, a
// notification center of the test's own and the freshly built document renderer.
class PolicyScreenFixture : public StoreFixture {
protected:
    class Installed final : public InstallationCheck {
    public:
        bool isInstalledApplication() const override { return true; }
    };

    PolicyScreenFixture()
        : m_controller(openInMemory())
        , m_reminders(
              NotificationManager::make({m_service, m_installed, m_clock, *m_log, m_center})) {}

    ManagedObjectContext& context() { return m_controller->container().viewContext(); }

    PolicyListView::Services policyServices() {
        return {{context(), *m_reminders, m_clock, *m_log, m_desktop,
                 PDFShareExport(m_dir.path(), QString()), [](QWidget*) {}, m_documents},
                m_confirmation};
    }

    // The pending reminders once the service has answered every request made so far.
    QStringList pendingReminders() {
        waitUntil([] { return false; }, 50);
        QStringList identifiers;
        for (const NotificationRequest& request : m_service.pending()) {
            identifiers << request.identifier;
        }
        return identifiers;
    }

    std::unique_ptr<PersistenceController> m_controller;
    InMemoryNotificationService m_service;
    Installed m_installed;
    NotificationCenter m_center;
    std::unique_ptr<NotificationManager> m_reminders;
    FakeDesktopActions m_desktop;
    FakeConfirmation m_confirmation;
    DocumentRenderer m_documents{TestRenderer::executable(), *m_log, TestRenderer::limits()};
};
