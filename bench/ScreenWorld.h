#pragma once

#include "PolicyWorld.h"
#include "documents/DocumentRenderer.h"
#include "platform/DesktopActions.h"
#include "platform/InMemoryNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/NotificationCenter.h"
#include "policies/PolicyListView.h"
#include "reminders/NotificationManager.h"
#include "ui/Confirmation.h"

#include <QTemporaryDir>

#include <memory>

namespace Bench {

// Stand-ins that reach nothing outside the process.
class NotInstalled final : public InstallationCheck {
public:
    bool isInstalledApplication() const override { return false; }
};

class NoDesktop final : public DesktopActions {
public:
    void openUrl(const QUrl&) override {}
    void revealFile(const QString&) override {}
    void bringForward(QWindow*, const QString&) override {}
    void quit() override {}
};

class NoConfirmation final : public Confirmation {
public:
    void ask(QWidget*, const Question&, std::function<void(bool)>) override {}
    void askToSave(QWidget*, const SaveQuestion&, std::function<void(SaveAnswer)>) override {}
};

} // namespace Bench

// An in-memory store of `policies` made-up policies and what the policy screens are given:
// reminders kept in memory (as in a program that is not installed), a desktop and
// confirmations that do nothing, and a folder for exports.
struct ScreenWorld : PolicyWorld::InMemory {
    explicit ScreenWorld(int policies = 0);

    ManagedObjectContext& context() { return store.container().viewContext(); }
    PolicyEditView::Services editServices();
    PolicyListView::Services listServices() { return {editServices(), confirmation}; }

    InMemoryNotificationService service;
    Bench::NotInstalled installation;
    NotificationCenter center;
    std::unique_ptr<NotificationManager> reminders;
    Bench::NoDesktop desktop;
    Bench::NoConfirmation confirmation;
    QTemporaryDir exports;
    DocumentRenderer documents{QStringLiteral(QS_PDF_RENDERER), log};
};
