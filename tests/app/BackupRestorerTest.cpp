#include "app/BackupRestorer.h"

#include "app/ContentView.h"
#include "app/MenuBarView.h"
#include "app/SidebarView.h"
#include "backup/BackupService.h"
#include "contacts/ContactListModel.h"
#include "contacts/ContactListView.h"
#include "policies/PolicyEditView.h"
#include "policies/PolicyListModel.h"
#include "support/PolicyScreenFixture.h"

#include <QSettings>
#include <QTest>

namespace {

// The main window and the popover over a store on disk, a backup service beside it and the
// restorer between them, wired as the program wires them.
class BackupRestorerTest : public PolicyScreenFixture {
protected:
    BackupRestorerTest()
        : m_settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat) {}

    // A closed store of `policies` policies expiring in ten days and `contacts` contacts.
    void writeStore(const QString& path, int policies, int contacts, const QString& tag) {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        for (int i = 0; i < contacts; ++i) {
            auto contact = context.insert<Contact>();
            contact->setFirstName(tag);
            contact->setLastName(QString::number(i));
        }
        for (int i = 0; i < policies; ++i) {
            auto policy =
                insertPolicy(context, tag + QString::number(i),
                             Instant(m_clock.now().msSinceEpoch() + 10 * TimeHelpers::kDayMs));
            policy->setCustomReminderDays(QStringLiteral("15,3"));
        }
        ASSERT_TRUE(context.save());
    }
    void SetUp() override {
        writeStore(storePath(), 2, 1, QStringLiteral("now"));
        writeStore(m_dir.filePath(QStringLiteral("chosen.sqlite")), 5, 3, QStringLiteral("old"));
        m_controller = open(storePath());
        m_window = std::make_unique<ContentView>(m_world.window(context(), m_settings));
        m_window->show();
        // Both sections made, as after a visit to each.
        m_window->setSelectedTab(SidebarView::kContacts);
        m_window->setSelectedTab(SidebarView::kPolicies);
        m_popover = std::make_unique<MenuBarView>(m_world.popover(context()));
        m_restorer = std::make_unique<BackupRestorer>(BackupRestorer::Services{
            .persistence = *m_controller,
            .backups = m_backups,
            .closeEditors =
                [this](std::function<void(bool)> decided) {
                    m_window->closeEditors(nullptr, std::move(decided));
                },
        });
        QObject::connect(m_restorer.get(), &BackupRestorer::storeReopened,
                         [this] { m_reminders->matchPendingToStore(context()); });
    }
    std::optional<RestoreOutcome> restore(const QString& chosen) {
        std::optional<RestoreOutcome> outcome;
        m_restorer->restore(chosen, [&outcome](const RestoreOutcome& heard) { outcome = heard; });
        waitUntil([&outcome] { return outcome.has_value(); }, 20000);
        return outcome;
    }
    int policiesListed() const { return m_window->policyList().model().totalCount(); }
    int contactsListed() const {
        return m_window->findChild<ContactListView*>()->model().totalCount();
    }
    QSet<QString> policyIds() {
        QSet<QString> ids;
        for (const auto& policy : context().fetch(Policy::fetchRequest())) {
            ids.insert(policy->id().toString(QUuid::WithoutBraces).toUpper());
        }
        return ids;
    }
    // The policies the agent holds reminders for.
    QSet<QString> remindedIds() {
        QSet<QString> ids;
        for (const QString& identifier : pendingReminders()) {
            ids.insert(identifier.section(u'-', 1, 5));
        }
        return ids;
    }

    QSettings m_settings;
    BackupService m_backups{
        {.clock = m_clock, .log = *m_log}, storePath(), BackupService::folderBeside(storePath())};
    std::unique_ptr<ContentView> m_window;
    std::unique_ptr<MenuBarView> m_popover;
    std::unique_ptr<BackupRestorer> m_restorer;
};

// The lists, the popover and the reminders follow the restored store without a new window; an
// editor open on the old store is closed; the store as it was is kept as a backup.
TEST_F(BackupRestorerTest, TheScreensAndRemindersFollowTheRestoredStore) {
    m_reminders->matchPendingToStore(context());
    ASSERT_TRUE(waitUntil([this] { return remindedIds() == policyIds(); }));
    ASSERT_EQ(policiesListed(), 2);
    ASSERT_EQ(m_popover->attentionCount(), 2);
    m_window->openNewPolicySheet();
    ASSERT_EQ(m_window->findChildren<PolicyEditView*>().size(), 1);

    const std::optional<RestoreOutcome> outcome =
        restore(m_dir.filePath(QStringLiteral("chosen.sqlite")));
    ASSERT_TRUE(outcome && outcome->restored) << (outcome ? outcome->error.toStdString() : "");

    EXPECT_EQ(policiesListed(), 5);
    EXPECT_EQ(contactsListed(), 3);
    EXPECT_EQ(m_popover->attentionCount(), 5);
    EXPECT_TRUE(waitUntil([this] { return m_window->findChildren<PolicyEditView*>().isEmpty(); }));
    EXPECT_EQ(policyIds().size(), 5);
    EXPECT_TRUE(waitUntil([this] { return remindedIds() == policyIds(); }))
        << pendingReminders().join(u' ').toStdString();
    EXPECT_TRUE(QFileInfo::exists(outcome->backupOfPrevious));
    // The restored store is the one written to now.
    insertPolicy(context(), QStringLiteral("new"));
    EXPECT_TRUE(context().save());
    EXPECT_EQ(policiesListed(), 6);
}

// A chosen file that is not a store changes nothing: the same rows, the store open again for
// saves. An editor whose changes the user keeps stops the restore before anything is closed.
TEST_F(BackupRestorerTest, ARefusedFileOrAKeptEditorLeavesTheStoreAsItWas) {
    const QString garbage = m_dir.filePath(QStringLiteral("garbage.sqlite"));
    {
        QFile file(garbage);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'g'));
    }
    const std::optional<RestoreOutcome> outcome = restore(garbage);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->restored);
    EXPECT_FALSE(outcome->error.isEmpty());
    EXPECT_EQ(policiesListed(), 2);
    EXPECT_FALSE(m_controller->storeProblem());
    insertPolicy(context(), QStringLiteral("after"));
    EXPECT_TRUE(context().save());

    EXPECT_EQ(policiesListed(), 3);

    bool heard = false;
    m_restorer = std::make_unique<BackupRestorer>(BackupRestorer::Services{
        .persistence = *m_controller,
        .backups = m_backups,
        .closeEditors = [](std::function<void(bool)> decided) { decided(false); },
    });
    m_restorer->restore(m_dir.filePath(QStringLiteral("chosen.sqlite")),
                        [&heard](const RestoreOutcome&) { heard = true; });
    EXPECT_FALSE(m_restorer->isRestoring());
    EXPECT_FALSE(heard);
    EXPECT_EQ(policiesListed(), 3);
    insertPolicy(context(), QStringLiteral("still"));
    EXPECT_TRUE(context().save());
}

} // namespace
