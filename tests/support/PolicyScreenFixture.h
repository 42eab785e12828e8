#pragma once

#include "support/ScreenWorld.h"
#include "support/StoreFixture.h"
#include "support/TestRenderer.h"
#include "support/WaitUntil.h"

#include <QApplication>

// An in-memory store and the screen world over it, with reminders that act as in an installed
// program and the document renderer's test limits; the world's pieces under the names the
// screen tests use.
class PolicyScreenFixture : public StoreFixture {
protected:
    PolicyScreenFixture()
        : m_controller(openInMemory()) {}

    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    PolicyListView::Services policyServices() { return m_world.policies(context()); }
    QStringList pendingReminders() { return m_world.pendingReminders(); }

    std::unique_ptr<PersistenceController> m_controller;
    ScreenWorld m_world{m_clock, *m_log, {.limits = TestRenderer::limits()}};
    InMemoryNotificationService& m_service = m_world.notifications;
    NotificationCenter& m_center = m_world.center;
    std::unique_ptr<NotificationManager>& m_reminders = m_world.reminders;
    FakeDesktopActions& m_desktop = m_world.desktop;
    FakeConfirmation& m_confirmation = m_world.answers;
    DocumentRenderer& m_documents = m_world.documents;
};
