#include "policies/PolicyDraft.h"
#include "support/QtPrinters.h"
#include "support/RawSqlite.h"
#include "support/StoreFixture.h"

namespace {

using TimeHelpers::utc;

class PolicyDraftTest : public StoreFixture {
protected:
    void SetUp() override { m_controller = open(storePath()); }
    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    QStringList storedPolicies() {
        RawSqlite raw(storePath());
        return raw.query("SELECT name, provider, customReminderDays, reminderDays, notes, "
                         "clientPhoneNumber, length(pdfData), pdfFileName FROM Policy");
    }
    PolicyDraft typed() const {
        PolicyDraft draft = PolicyDraft::fresh(utc("2026-03-10T09:30:00Z"));
        draft.name = QStringLiteral("Casa");
        draft.policyNumber = QStringLiteral("C-1");
        return draft;
    }
    std::unique_ptr<PersistenceController> m_controller;
};

TEST(PolicyDraft, TakesTheLargestReminderDayKeptToThirtyTwoBits) {
    const std::pair<const char*, qint32> cases[] = {
        {"30, 15, 7", 30},
        {"7, 60, 14", 60},
        {" 5 ,, x, 12 ", 12},
        {"abc", 30},
        {"", 30},
        {"-5, -2", -2},
        {"+10", 10},
        {"9999999999", 2147483647},
        {"-9999999999", -2147483647 - 1},
    };
    for (const auto& [text, days] : cases) {
        EXPECT_EQ(PolicyDraft::reminderDaysFor(QString::fromUtf8(text)), days) << text;
    }
}

TEST_F(PolicyDraftTest, StoresTextsAsTypedAndEmptyOptionalsAsAbsent) {
    PolicyDraft draft = typed();
    draft.name = QStringLiteral("   ");
    draft.customReminderDays = QStringLiteral(" 5 ,, x, 12 ");
    QString error;
    auto policy = draft.save(context(), nullptr, &error);
    ASSERT_TRUE(policy) << error.toStdString();
    // The expiry keeps the moment the editor was opened, time of day included.
    EXPECT_EQ(policy->expirationDate(), utc("2026-03-10T09:30:00Z"));
    EXPECT_EQ(storedPolicies(),
              QStringList{QStringLiteral("   || 5 ,, x, 12 |12|NULL|NULL|NULL|NULL")});

    draft.customReminderDays.clear();
    draft.notes = QStringLiteral(" ");
    draft.clientPhoneNumber = QStringLiteral("+39 333");
    ASSERT_TRUE(draft.save(context(), policy, &error));
    EXPECT_EQ(storedPolicies(), QStringList{QStringLiteral("   |||30| |+39 333|NULL|NULL")});
}

TEST_F(PolicyDraftTest, AnUnchangedDocumentIsKeptAndARemovedOneGoes) {
    auto policy = insertPolicy(context(), QStringLiteral("Auto"));
    policy->setPdfData(QByteArray(1000, 'p')); // bytes without a name, as another writer left them
    ASSERT_TRUE(context().save());

    PolicyDraft draft = PolicyDraft::of(*policy);
    EXPECT_EQ(draft.customReminderDays, QStringLiteral("30"));
    EXPECT_TRUE(draft.hasDocument());
    EXPECT_EQ(draft.documentSize(), 1000);
    ASSERT_TRUE(draft.save(context(), policy, nullptr));
    EXPECT_EQ(storedPolicies().value(0).section(u'|', 6), QStringLiteral("1000|NULL"));

    draft.attachDocument(QByteArray(), QStringLiteral("vuoto.pdf"));
    ASSERT_TRUE(draft.save(context(), policy, nullptr));
    EXPECT_EQ(storedPolicies().value(0).section(u'|', 6), QStringLiteral("0|vuoto.pdf"));

    draft.removeDocument();
    EXPECT_FALSE(draft.hasDocument());
    ASSERT_TRUE(draft.save(context(), policy, nullptr));
    EXPECT_EQ(storedPolicies().value(0).section(u'|', 6), QStringLiteral("NULL|NULL"));
}

TEST_F(PolicyDraftTest, AFailedSaveLeavesNothingBehindAndTheNextStoresOnePolicy) {
    {
        RawSqlite raw(storePath());
        ASSERT_TRUE(raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON Policy BEGIN "
                             "SELECT RAISE(ABORT, 'disk refuses'); END;"));
    }
    QString error;
    EXPECT_FALSE(typed().save(context(), nullptr, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("disk refuses"))) << error.toStdString();
    EXPECT_FALSE(context().hasChanges());
    EXPECT_TRUE(context().fetch(Policy::fetchRequest()).empty());
    {
        RawSqlite raw(storePath());
        ASSERT_TRUE(raw.exec("DROP TRIGGER refuse;"));
    }
    ASSERT_TRUE(typed().save(context(), nullptr, &error)) << error.toStdString();
    EXPECT_EQ(storedPolicies().size(), 1);
}

} // namespace
