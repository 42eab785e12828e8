#include "policies/PolicyListView.h"

#include "model/Policy.h"
#include "policies/PolicyDetailView.h"
#include "policies/PolicyListModel.h"
#include "support/Child.h"
#include "support/PolicyScreenFixture.h"
#include "support/QtPrinters.h"
#include "support/RawSqlite.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

namespace {

using TimeHelpers::utc;

// The list as its user sees it, over an in-memory store at 10:30 in Rome on 10 March 2026.
class PolicyListViewTest : public PolicyScreenFixture {
protected:
    void SetUp() override {
        m_view = std::make_unique<PolicyListView>(policyServices());
        m_view->resize(1000, 700);
        m_view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
    }

    std::shared_ptr<Policy> add(const QString& name, const QString& provider, Instant expiry) {
        auto policy = insertPolicy(context(), name, expiry);
        policy->setProvider(provider);
        EXPECT_TRUE(context().save());
        return policy;
    }
    QString text(const char* label) const { return child<QLabel>(m_view.get(), label)->text(); }
    QStringList footer() const {
        return {text("expiringCount"), text("expiredCount"), text("toNotifyCount"),
                text("totalCount")};
    }
    // What a screen reader says for each of the footer's numbers.
    QStringList spokenFooter() const {
        QStringList names;
        for (const char* label : {"expiringCount", "expiredCount", "toNotifyCount", "totalCount"}) {
            names << QAccessible::queryAccessibleInterface(child<QLabel>(m_view.get(), label))
                         ->text(QAccessible::Name);
        }
        return names;
    }
    QStringList listed() const {
        QStringList names;
        for (const auto& policy : m_view->filteredPolicies()) {
            names << policy->name();
        }
        return names;
    }
    void search(const QString& text) {
        QLineEdit* field = child<QLineEdit>(m_view.get(), "policySearchField");
        field->clear();
        QTest::keyClicks(field, text);
    }
    QListView* list() const { return child<QListView>(m_view.get(), "policyList"); }
    void click(const QString& name) {
        const QModelIndex index = m_view->model().index(listed().indexOf(name));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualRect(index).center());
    }
    void fromMenu(int row, const char* action) {
        const QPoint at = list()->visualRect(m_view->model().index(row)).center();
        QContextMenuEvent request(QContextMenuEvent::Mouse, at,
                                  list()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list()->viewport(), &request);
        auto* menu = m_view->findChild<QMenu*>(QStringLiteral("policyContextMenu"));
        ASSERT_NE(menu, nullptr);
        auto* chosen = menu->findChild<QAction*>(QLatin1String(action));
        ASSERT_NE(chosen, nullptr);
        chosen->trigger();
        menu->close();
        delete menu;
    }
    void deleteFromMenu(int row) { fromMenu(row, "deletePolicyAction"); }
    void confirmDeleteInPane() {
        // The pane shown: one replaced a moment ago may still wait for its deletion.
        auto* pane = qobject_cast<PolicyDetailView*>(
            child<QStackedWidget>(m_view.get(), "policyPane")->currentWidget());
        ASSERT_NE(pane, nullptr);
        pane->findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
        ASSERT_TRUE(m_confirmation.hasPending());
        m_confirmation.answer(true);
    }
    bool showsEmptyState() const {
        return child<QStackedWidget>(m_view.get(), "policyPane")->currentWidget()->objectName() ==
               QStringLiteral("policyEmptyState");
    }

    std::unique_ptr<PolicyListView> m_view;
};

TEST_F(PolicyListViewTest, SearchAndFilterNarrowTheListWhileTheFooterCountsEveryPolicy) {
    EXPECT_EQ(footer(), (QStringList{"0", "0", "0", "0 total"}));
    EXPECT_EQ(spokenFooter(),
              (QStringList{"0 in scadenza", "0 scadute", "0 da avvisare", "0 total"}));
    EXPECT_TRUE(showsEmptyState());
    auto* filterTitle = child<QLabel>(m_view.get(), "policyFilterTitle");
    ASSERT_NE(filterTitle, nullptr);
    EXPECT_TRUE(filterTitle->isVisible());
    EXPECT_EQ(filterTitle->text(), QStringLiteral("Filtra"));

    add(QStringLiteral("Casa"), QStringLiteral("Generali"), utc("2026-03-10T18:00:00Z"));
    add(QStringLiteral("AUTO Fiat"), QStringLiteral("UnipolSai"), utc("2026-04-09T09:30:00Z"));
    add(QStringLiteral("Vita"), QStringLiteral("Allianz"), utc("2026-04-10T09:30:00Z"));
    add(QStringLiteral("Viaggio"), QStringLiteral("AXA"), utc("2026-03-09T09:30:00Z"));
    EXPECT_EQ(listed(), (QStringList{"Viaggio", "Casa", "AUTO Fiat", "Vita"}));
    EXPECT_EQ(footer(), (QStringList{"2", "1", "2", "4 total"}));

    child<QToolButton>(m_view.get(), "policyFilter1")->click(); // "In Scadenza"
    EXPECT_EQ(listed(), (QStringList{"Casa", "AUTO Fiat"}));
    search(QStringLiteral("auto"));
    EXPECT_EQ(listed(), QStringList{"AUTO Fiat"});
    search(QStringLiteral("unipol"));
    EXPECT_EQ(listed(), QStringList{"AUTO Fiat"});
    child<QToolButton>(m_view.get(), "policyFilter2")->click(); // "Scadute"
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(footer(), (QStringList{"2", "1", "2", "4 total"}));

    child<QToolButton>(m_view.get(), "policyFilter0")->click();
    search(QStringLiteral(" "));
    EXPECT_EQ(listed(), QStringList{"AUTO Fiat"});

    // Ctrl+F reaches the search from the list; Escape there empties it.
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_F, Qt::ControlModifier);
    QLineEdit* field = child<QLineEdit>(m_view.get(), "policySearchField");
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(listed().size(), 4);

    // A day and a minute on, "Casa" is a whole day past and "Vita" within its 30 days.
    m_clock.advanceTo(utc("2026-03-11T18:01:00Z"));
    EXPECT_EQ(footer(), (QStringList{"2", "2", "2", "4 total"}));
    EXPECT_EQ(spokenFooter(),
              (QStringList{"2 in scadenza", "2 scadute", "2 da avvisare", "4 total"}));
}

TEST_F(PolicyListViewTest, TheContextMenuMarksTheClientToldAndDaAvvisareFollows) {
    auto casa =
        add(QStringLiteral("Casa"), QStringLiteral("Generali"), utc("2026-03-12T09:30:00Z"));
    add(QStringLiteral("Auto"), QStringLiteral("AXA"), utc("2026-03-20T09:30:00Z"));
    child<QToolButton>(m_view.get(), "policyFilter3")->click(); // "Da Avvisare"
    EXPECT_EQ(listed(), (QStringList{"Casa", "Auto"}));

    fromMenu(0, "markNotifiedAction");
    EXPECT_EQ(casa->lastNotified(), m_clock.now());
    EXPECT_EQ(listed(), QStringList{"Auto"});
    EXPECT_EQ(footer(), (QStringList{"2", "0", "1", "2 total"}));

    child<QToolButton>(m_view.get(), "policyFilter0")->click();
    fromMenu(0, "markNotNotifiedAction");
    EXPECT_EQ(casa->lastNotified(), std::nullopt);
    EXPECT_EQ(footer(), (QStringList{"2", "0", "2", "2 total"}));
}

TEST_F(PolicyListViewTest, TheSelectionOutlivesASearchAndGoesWithItsPolicy) {
    add(QStringLiteral("Casa"), QStringLiteral("Generali"), utc("2026-05-10T09:30:00Z"));
    auto vita = add(QStringLiteral("Vita"), QStringLiteral("Allianz"), utc("2026-06-10T09:30:00Z"));
    m_reminders->schedulePolicyReminder(*vita);
    const QString vitaReminder =
        QStringLiteral("policy-%1-30").arg(NotificationManager::identifierText(*vita));
    ASSERT_TRUE(pendingReminders().contains(vitaReminder));

    click(QStringLiteral("Vita"));
    EXPECT_EQ(m_view->selectedPolicy(), vita);
    EXPECT_FALSE(showsEmptyState());

    search(QStringLiteral("Casa"));
    EXPECT_EQ(m_view->selectedPolicy(), vita);
    EXPECT_FALSE(showsEmptyState());
    search(QString());
    ASSERT_EQ(list()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(list()->selectionModel()->selectedRows().first().row(), 1);

    // "Elimina Polizza" from the row's menu: no question, the reminders go with the policy.
    deleteFromMenu(1);

    EXPECT_TRUE(vita->isDeleted());
    EXPECT_EQ(m_view->selectedPolicy(), nullptr);
    EXPECT_TRUE(showsEmptyState());
    EXPECT_EQ(listed(), QStringList{"Casa"});
    EXPECT_FALSE(pendingReminders().contains(vitaReminder));
    EXPECT_FALSE(context().hasChanges());
}

TEST_F(PolicyListViewTest, TheSelectedPolicysPaneDeletesItOnlyOnceConfirmedAndAMomentLater) {
    add(QStringLiteral("Casa"), QStringLiteral("Generali"), utc("2026-05-10T09:30:00Z"));
    auto vita = add(QStringLiteral("Vita"), QStringLiteral("Allianz"), utc("2026-04-20T09:30:00Z"));
    m_reminders->schedulePolicyReminder(*vita);
    ASSERT_FALSE(pendingReminders().isEmpty());
    click(QStringLiteral("Vita"));
    auto* pane = child<PolicyDetailView>(m_view.get(), "policyDetailView");
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->policy(), vita);

    pane->findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
    m_confirmation.answer(false);
    EXPECT_EQ(m_view->selectedPolicy(), vita);
    pane->findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
    m_confirmation.answer(true);
    EXPECT_TRUE(showsEmptyState());
    EXPECT_FALSE(vita->isDeleted());
    ASSERT_TRUE(waitUntil([&] { return vita->isDeleted(); }));
    EXPECT_TRUE(pendingReminders().isEmpty());
    EXPECT_EQ(listed(), QStringList{"Casa"});
}

TEST_F(PolicyListViewTest, NothingStaleOutlivesThePanesDelay) {
    auto casa =
        add(QStringLiteral("Casa"), QStringLiteral("Generali"), utc("2026-05-10T09:30:00Z"));
    auto vita = add(QStringLiteral("Vita"), QStringLiteral("Allianz"), utc("2026-06-10T09:30:00Z"));

    // Chosen again while its deletion waits: the pane goes when the policy does.
    click(QStringLiteral("Vita"));
    confirmDeleteInPane();
    click(QStringLiteral("Vita"));
    EXPECT_EQ(m_view->selectedPolicy(), vita);
    ASSERT_TRUE(waitUntil([&] { return vita->isDeleted(); }));
    EXPECT_TRUE(waitUntil([&] { return showsEmptyState(); }));
    EXPECT_EQ(m_view->selectedPolicy(), nullptr);

    // Deleted from its row's menu while its deletion waits: the late one finds it gone.
    click(QStringLiteral("Casa"));
    confirmDeleteInPane();
    deleteFromMenu(0);
    EXPECT_TRUE(casa->isDeleted());
    waitPast(PolicyListView::kPaneDeleteDelayMs);
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_FALSE(context().hasChanges());
    EXPECT_TRUE(showsEmptyState());
}

enum class Operation { RenewInPane, DeleteFromMenu, DeleteInPane };
void PrintTo(Operation operation, std::ostream* out) {
    const char* const names[] = {"renew in the pane", "delete from the menu", "delete in the pane"};
    *out << names[int(operation)];
}

// The same list on a store file that the test makes refuse every change to a policy.
class RefusedSaves : public PolicyListViewTest, public ::testing::WithParamInterface<Operation> {
protected:
    void SetUp() override {
        m_controller = open(storePath());
        PolicyListViewTest::SetUp();
    }
    void refuse(bool refused) {
        RawSqlite raw(storePath());
        for (const char* change : {"UPDATE", "DELETE"}) {
            const QByteArray sql =
                refused ? QByteArray("CREATE TRIGGER refuse") + change + " BEFORE " + change +
                              " ON Policy BEGIN SELECT RAISE(ABORT, 'disk refuses'); END;"
                        : QByteArray("DROP TRIGGER refuse") + change;
            ASSERT_TRUE(raw.exec(sql.constData()));
        }
    }
    QPushButton* paneButton(const char* name) const {
        QWidget* pane = child<QStackedWidget>(m_view.get(), "policyPane")->currentWidget();
        return pane->findChild<QPushButton*>(QLatin1String(name));
    }
    // The operation as the user does it on the selected policy, then the moment it takes.
    void operate(const std::shared_ptr<Policy>& policy) {
        switch (GetParam()) {
        case Operation::RenewInPane:
            paneButton("renewButton")->click();
            break;
        case Operation::DeleteFromMenu:
            deleteFromMenu(int(listed().indexOf(policy->name())));
            break;
        case Operation::DeleteInPane:
            confirmDeleteInPane();
            waitUntil([&] { return m_view->selectedPolicy() == policy || policy->isDeleted(); });
            break;
        }
    }
};

// A refused save is undone at once: the context holds what the store holds, the reminders stay
// as they were, nothing is said, a second try changes nothing more, a later save elsewhere
// writes nothing of it, and once the store takes it the operation happens once.
TEST_P(RefusedSaves, AreUndoneAtOnceLeavingTheStoredPolicyAndItsReminders) {
    const Instant expiry = utc("2026-04-20T09:30:00Z");
    add(QStringLiteral("Casa"), QStringLiteral("Generali"), utc("2026-05-10T09:30:00Z"));
    auto vita = add(QStringLiteral("Vita"), QStringLiteral("Allianz"), expiry);
    m_reminders->schedulePolicyReminder(*vita);
    const QStringList reminders = pendingReminders();
    ASSERT_EQ(reminders.size(), 1);
    const QString stored = QStringLiteral("SELECT name, expirationDate FROM Policy ORDER BY name");
    const QStringList rowsBefore = RawSqlite(storePath()).query(stored.toUtf8().constData());
    click(QStringLiteral("Vita"));
    refuse(true);
    const QStringList linesBefore = logLines();

    operate(vita);
    operate(vita);
    EXPECT_FALSE(context().hasChanges());
    EXPECT_FALSE(vita->isDeleted());
    EXPECT_EQ(vita->expirationDate(), expiry);
    EXPECT_EQ(listed(), (QStringList{"Vita", "Casa"}));
    EXPECT_EQ(m_view->selectedPolicy(), vita);
    EXPECT_FALSE(showsEmptyState());
    ASSERT_EQ(pendingReminders(), reminders);
    EXPECT_EQ(m_service.pending().first().year, 2026);
    EXPECT_EQ(logLines(), linesBefore);

    refuse(false);
    auto contact = context().insert<Contact>();
    contact->setFirstName(QStringLiteral("Anna"));
    ASSERT_TRUE(context().save());
    EXPECT_EQ(RawSqlite(storePath()).query(stored.toUtf8().constData()), rowsBefore);

    operate(vita);
    EXPECT_FALSE(context().hasChanges());
    if (GetParam() == Operation::RenewInPane) {
        EXPECT_EQ(vita->expirationDate(), utc("2027-04-20T09:30:00Z"));
        ASSERT_EQ(pendingReminders().size(), 1);
        EXPECT_EQ(m_service.pending().first().year, 2027);
    } else {
        EXPECT_TRUE(vita->isDeleted());
        EXPECT_EQ(listed(), QStringList{"Casa"});
        EXPECT_TRUE(pendingReminders().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, RefusedSaves,
                         ::testing::Values(Operation::RenewInPane, Operation::DeleteFromMenu,
                                           Operation::DeleteInPane));

} // namespace
