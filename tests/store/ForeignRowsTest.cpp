#include "support/RawSqlite.h"
#include "support/StoreFixture.h"

#include "store/StoreSchema.h"

namespace {

const char* const kGood = "11111111-1111-1111-1111-111111111111";
const char* const kContact = "CCCCCCCC-CCCC-CCCC-CCCC-CCCCCCCCCCCC";

// A store with this program's tables as another tool might have made them: the same names,
// without the NOT NULL constraints and without a key on Policy.id, so that it can hold
// every kind of row this program never writes.
void writeLooseStore(const QString& path) {
    RawSqlite raw(path);
    ASSERT_TRUE(raw.exec("PRAGMA journal_mode = WAL"));
    const auto model = PersistenceController::createManagedObjectModel();
    const StoreSchema schema(*model);
    for (QString sql : schema.createStatements()) {
        sql.replace(QStringLiteral(" NOT NULL"), QString());
        if (sql.startsWith(u"CREATE TABLE \"Policy\"")) {
            sql.replace(QStringLiteral(" PRIMARY KEY"), QString());
        }
        ASSERT_TRUE(raw.exec(sql.toUtf8().constData())) << raw.error().toStdString();
    }
    const QString rows = QStringLiteral(R"(
        PRAGMA application_id = %1; PRAGMA user_version = 1;
        INSERT INTO Contact (id, firstName, lastName, createdAt) VALUES ('%3', 'Anna', 'Rossi', 0);
        INSERT INTO Policy (rowid, id, name, policyNumber, provider, expirationDate, renewalType,
                            reminderDays, createdAt, contact, category, notes) VALUES
          (1, '%2', 'Good', 'N1', 'P', 1000, 'yearly', 30, 0, '%3', NULL, 'kept'),
          (2, '22222222-2222-2222-2222-222222222222', NULL, 'N2', 'P', 1000, 'yearly', 30, 0,
              NULL, NULL, NULL),
          (3, '33333333-3333-3333-3333-333333333333', 'Types', 'N3', 'P', 'tomorrow',
              x'00', 3.5, 0, NULL, NULL, NULL),
          (4, 'not-a-uuid', 'Bad id', 'N4', 'P', 1000, 'yearly', 30, 0, NULL, NULL, NULL),
          (5, 'aaaaaaaa-aaaa-aaaa-aaaa-aaaaaaaaaaaa', 'Lower', 'N5', 'P', 1000, 'yearly', 30, 0,
              NULL, NULL, NULL),
          (6, NULL, 'No id', 'N6', 'P', 1000, 'yearly', 30, 0, NULL, NULL, NULL),
          (7, '%2', 'Duplicate', 'N7', 'P', 1000, 'yearly', 30, 0, NULL, NULL, NULL),
          (8, '88888888-8888-8888-8888-888888888888', 'Links', 'N8', 'P', 1000, 'yearly', 30, 0,
              'DDDDDDDD-DDDD-DDDD-DDDD-DDDDDDDDDDDD', 'garbage', NULL),
          (9, '99999999-9999-9999-9999-999999999999', CAST(x'4361ff' AS TEXT), 'N9', 'P', 1000,
              'yearly', 1099511627776, 0, NULL, NULL, NULL),
          (10, 'A0A0A0A0-A0A0-A0A0-A0A0-A0A0A0A0A0A0', 'Far', 'N10', 'P', 9223372036854775807,
              'yearly', 30, -62135596800001, NULL, NULL, NULL);
        INSERT INTO Event (id, title, startDate, endDate, isAllDay, reminderMinutes, createdAt)
          VALUES ('EEEEEEEE-EEEE-EEEE-EEEE-EEEEEEEEEEEE', 'e', 0, 0, 2, 15, 0);
    )")
                             .arg(PersistentStore::kApplicationId)
                             .arg(QLatin1StringView(kGood), QLatin1StringView(kContact));
    ASSERT_TRUE(raw.exec(rows.toUtf8().constData())) << raw.error().toStdString();
}

} // namespace

// The loose store, opened; its policies by number.
class ForeignRows : public StoreFixture {
protected:
    void SetUp() override {
        writeLooseStore(storePath());
        const QByteArray before = fileDigest(storePath());
        m_controller = open(storePath());
        ASSERT_NE(context().persistentStore(), nullptr) << logLines().join(u'\n').toStdString();
        EXPECT_EQ(fileDigest(storePath()), before) << "a load writes nothing";
        for (const auto& policy : context().fetch(Policy::fetchRequest())) {
            byNumber[policy->policyNumber()] = policy;
        }
    }
    ManagedObjectContext& context() { return m_controller->container().viewContext(); }

    std::unique_ptr<PersistenceController> m_controller;
    std::map<QString, std::shared_ptr<Policy>> byNumber;
};

TEST_F(ForeignRows, LoadAsFarAsTheyCanAndAreReported) {
    // Rows without a usable id (4, 5, 6) and the second row with an id (7) are not loaded.
    EXPECT_EQ(byNumber.size(), 6u);
    for (const char* number : {"N1", "N2", "N3", "N8", "N9", "N10"}) {
        EXPECT_EQ(byNumber.count(QString::fromLatin1(number)), 1u) << number;
    }
    const auto& good = byNumber[QStringLiteral("N1")];
    ASSERT_NE(good->contact(), nullptr);
    EXPECT_EQ(good->contact()->policies(), std::vector{good});
    EXPECT_FALSE(byNumber[QStringLiteral("N2")]->hasValue(Policy::kName));
    const auto& types = byNumber[QStringLiteral("N3")];
    EXPECT_FALSE(types->hasValue(Policy::kExpirationDate));
    EXPECT_EQ(types->renewalType(), u"yearly");
    EXPECT_EQ(types->reminderDays(), 30);
    EXPECT_EQ(types->name(), u"Types");
    EXPECT_EQ(byNumber[QStringLiteral("N8")]->contact(), nullptr);
    EXPECT_EQ(byNumber[QStringLiteral("N8")]->category(), nullptr);
    EXPECT_EQ(byNumber[QStringLiteral("N9")]->name(), QString::fromUtf8("Ca\xef\xbf\xbd"));
    EXPECT_EQ(byNumber[QStringLiteral("N9")]->reminderDays(), 30);
    EXPECT_FALSE(byNumber[QStringLiteral("N10")]->hasValue(Policy::kExpirationDate));
    const auto events = context().fetch(Event::fetchRequest());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_FALSE(events[0]->isAllDay());

    const QStringList lines = logLines();
    const QStringList expected = {
        "Policy row 2 (id 22222222-2222-2222-2222-222222222222): name is NULL",
        "Policy row 3 (id 33333333-3333-3333-3333-333333333333): expirationDate holds text where "
        "an integer belongs",
        "Policy row 3 (id 33333333-3333-3333-3333-333333333333): renewalType holds a blob where "
        "text belongs; loaded as its default, \"yearly\"",
        "Policy row 3 (id 33333333-3333-3333-3333-333333333333): reminderDays holds a real number "
        "where an integer belongs; loaded as its default, 30",
        "Policy row 4: id \"not-a-uuid\" is not a UUID; row not loaded",
        "Policy row 5: id \"aaaaaaaa-aaaa-aaaa-aaaa-aaaaaaaaaaaa\" is not a UUID",
        "Policy row 6: id is NULL; row not loaded",
        "Policy row 7 (id 11111111-1111-1111-1111-111111111111): row 1 has the same id; row not "
        "loaded",
        "Policy row 8 (id 88888888-8888-8888-8888-888888888888): category refers to \"garbage\", "
        "which is no UUID",
        "Policy row 8 (id 88888888-8888-8888-8888-888888888888): contact refers to Contact "
        "DDDDDDDD-DDDD-DDDD-DDDD-DDDDDDDDDDDD, which is not in the store",
        "Policy row 9 (id 99999999-9999-9999-9999-999999999999): name is not valid UTF-8",
        "Policy row 9 (id 99999999-9999-9999-9999-999999999999): reminderDays holds 1099511627776, "
        "beyond a 32-bit integer; loaded as its default, 30",
        "Policy row 10 (id A0A0A0A0-A0A0-A0A0-A0A0-A0A0A0A0A0A0): expirationDate holds "
        "9223372036854775807, outside the years 1 to 9999; loaded without a value",
        "Policy row 10 (id A0A0A0A0-A0A0-A0A0-A0A0-A0A0A0A0A0A0): createdAt holds "
        "-62135596800001, outside the years 1 to 9999; loaded without a value",
        "Event row 1 (id EEEEEEEE-EEEE-EEEE-EEEE-EEEEEEEEEEEE): isAllDay holds 2 where 0 or 1 "
        "belongs; loaded as its default, false",
    };
    EXPECT_EQ(lines.size(), expected.size()) << lines.join(u'\n').toStdString();
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(u"Unexpected row in persistent store: ")) << line.toStdString();
    }
    for (const QString& part : expected) {
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [&](const QString& line) { return line.contains(part); }))
            << "missing: " << part.toStdString();
    }
}

TEST_F(ForeignRows, AreWrittenOnlyWhereTheUserChangesThem) {
    ManagedObjectContext& context = this->context();
    // Other columns of a row with a dangling link or bytes that are not UTF-8 save as usual,
    // and what this program could not read stays in the file as it was.
    byNumber[QStringLiteral("N8")]->setNotes(QStringLiteral("seen"));
    byNumber[QStringLiteral("N9")]->setNotes(QStringLiteral("seen"));
    QString error;
    ASSERT_TRUE(context.save(&error)) << error.toStdString();
    RawSqlite raw(storePath(), SQLITE_OPEN_READONLY);
    EXPECT_EQ(raw.value("SELECT hex(name), reminderDays, notes FROM Policy WHERE rowid = 9"),
              u"4361FF|1099511627776|seen");
    EXPECT_EQ(raw.value("SELECT contact, category, notes FROM Policy WHERE rowid = 8"),
              u"DDDDDDDD-DDDD-DDDD-DDDD-DDDDDDDDDDDD|garbage|seen");
    EXPECT_EQ(raw.value("SELECT name FROM Policy WHERE rowid = 7"), u"Duplicate");

    // A required value that was NULL must be given before that object saves again.
    const auto& unnamed = byNumber[QStringLiteral("N2")];
    unnamed->setNotes(QStringLiteral("x"));
    EXPECT_FALSE(context.save(&error));
    EXPECT_EQ(error, u"Validation failed: Policy.name is required");
    unnamed->setName(QStringLiteral("Named"));
    EXPECT_TRUE(context.save(&error)) << error.toStdString();
    // Deleting the policy whose id another row shares deletes only the row that was loaded.
    context.deleteObject(byNumber[QStringLiteral("N1")].get());
    ASSERT_TRUE(context.save(&error)) << error.toStdString();
    EXPECT_EQ(
        raw.query("SELECT rowid FROM Policy WHERE id = '11111111-1111-1111-1111-111111111111'"),
        QStringList({"7"}));
}
