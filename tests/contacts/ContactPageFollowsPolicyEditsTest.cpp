#include "contacts/ContactDetailView.h"
#include "contacts/ContactPolicyRows.h"
#include "platform/InMemoryNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/NotificationCenter.h"
#include "policies/PolicyEditView.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "support/FakeConfirmation.h"
#include "support/FakeDesktopActions.h"
#include "support/StoreFixture.h"
#include "support/TestRenderer.h"
#include "support/WaitUntil.h"
#include "ui/Palette.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

using TimeHelpers::kDayMs;

class NotInstalled final : public InstallationCheck {
public:
    bool isInstalledApplication() const override { return false; }
};

// A contact's page open while policies are saved elsewhere: through the policy editor, and by
// a renewal.
class ContactPageFollowsPolicyEdits : public StoreFixture {
protected:
    void SetUp() override {
        m_controller = openInMemory();
        m_reminders =
            NotificationManager::make({m_service, m_notInstalled, m_clock, *m_log, m_center});
        m_window.resize(1000, 800);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }
    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    void editAndSave(const std::shared_ptr<Policy>& policy, const std::function<void()>& change) {
        m_editor =
            new PolicyEditView({context(), *m_reminders, m_clock, *m_log, m_desktop,
                                PDFShareExport(m_dir.path(), QString()), nullptr, m_documents},
                               policy, &m_window);
        m_editor->open();
        change();
        QTest::mouseClick(m_editor->findChild<QPushButton*>(QStringLiteral("saveButton")),
                          Qt::LeftButton);
        ASSERT_TRUE(waitUntil([this] { return m_editor.isNull(); }));
    }
    static QStringList policyNames(const QWidget& page) {
        QStringList names;
        if (const auto* list = page.findChild<ContactPolicyRows*>()) {
            for (const ContactPolicyRows::Row& row : list->rows()) {
                names << row.name;
            }
        }
        return names;
    }
    QStringList shown(const QWidget& page, const char* name) {
        QStringList texts;
        for (const QLabel* label : page.findChildren<QLabel*>(QLatin1String(name))) {
            texts << label->text();
        }
        return texts;
    }

    std::unique_ptr<PersistenceController> m_controller;
    InMemoryNotificationService m_service;
    NotInstalled m_notInstalled;
    NotificationCenter m_center;
    std::unique_ptr<NotificationManager> m_reminders;
    FakeDesktopActions m_desktop;
    DocumentRenderer m_documents{TestRenderer::executable(), *m_log, TestRenderer::limits()};
    FakeConfirmation m_confirmation;
    QWidget m_window;
    QPointer<PolicyEditView> m_editor;
};

TEST_F(ContactPageFollowsPolicyEdits, AssignmentsRenamesAndRenewalsShowAtOnce) {
    auto anna = context().insert<Contact>();
    anna->setFirstName(QStringLiteral("Anna"));
    anna->setLastName(QStringLiteral("Rossi"));
    auto casa = insertPolicy(context(), QStringLiteral("Casa"),
                             Instant(m_clock.now().msSinceEpoch() - 2 * kDayMs));
    ASSERT_TRUE(context().save());
    ContactDetailView page({context(), m_clock, *m_log, m_confirmation}, anna, &m_window);
    page.show();
    EXPECT_EQ(shown(page, "assignedCount"), QStringList{"0 assigned"});

    // The policy assigned to Anna in the editor's picker.
    editAndSave(casa, [this] {
        auto* picker = m_editor->findChild<QComboBox*>(QStringLiteral("contactPicker"));
        picker->setCurrentIndex(picker->findText(QStringLiteral("Anna Rossi")));
    });
    EXPECT_TRUE(waitUntil([&] { return policyNames(page) == QStringList{"Casa"}; }));
    EXPECT_EQ(shown(page, "assignedCount"), QStringList{"1 assigned"});

    // Renamed in the editor: the policy's own values, not the contact's, changed.
    editAndSave(casa, [this] {
        auto* name = m_editor->findChild<QLineEdit*>(QStringLiteral("nameField"));
        name->setText(QStringLiteral("Casa al mare"));
    });
    EXPECT_TRUE(waitUntil([&] { return policyNames(page) == QStringList{"Casa al mare"}; }));

    // Renewed a year on: the expiry turns from red to green.
    const auto expiryColor = [&] {
        const auto* list = page.findChild<ContactPolicyRows*>();
        return list && list->rows().size() == 1 ? list->rows()[0].color : ColorName::Secondary;
    };
    EXPECT_EQ(expiryColor(), ColorName::Red);
    casa->setExpirationDate(casa->calculateNextRenewalDate());
    ASSERT_TRUE(context().save());
    EXPECT_TRUE(waitUntil([&] { return expiryColor() == ColorName::Green; }));

    // Moving the clock past the expiry turns it red again without any save.
    m_clock.advanceTo(Instant(casa->expirationDate().msSinceEpoch() + 2 * kDayMs));
    EXPECT_TRUE(waitUntil([&] { return expiryColor() == ColorName::Red; }));
}

} // namespace
