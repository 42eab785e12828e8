#include "store/HeldSave.h"
#include "support/RawSqlite.h"
#include "support/StoreFixture.h"

namespace {

class HeldSaves : public StoreFixture {
protected:
    static QStringList names(const ManagedObjectContext& context) {
        QStringList names;
        for (const auto& policy : context.fetch(Policy::fetchRequest())) {
            names << policy->name();
        }
        names.sort();
        return names;
    }
    QStringList namesOnDisk() {
        QStringList names = RawSqlite(storePath()).query("SELECT name FROM Policy");
        names.sort();
        return names;
    }
};

TEST_F(HeldSaves, PartsLastOnlyWithTheCommitAndNoOtherSaveIsWrittenMeanwhile) {
    auto controller = open(storePath());
    ManagedObjectContext& context = controller->container().viewContext();
    insertPolicy(context, QStringLiteral("a"));
    ASSERT_TRUE(context.save());

    QString error;
    std::unique_ptr<HeldSave> held = HeldSave::begin(context, &error);
    ASSERT_TRUE(held) << error.toStdString();
    EXPECT_FALSE(HeldSave::begin(context, &error));
    insertPolicy(context, QStringLiteral("b"));
    ASSERT_TRUE(held->savePart(&error)) << error.toStdString();
    EXPECT_FALSE(context.save(&error));
    EXPECT_EQ(error, QStringLiteral("Another save is being written"));
    insertPolicy(context, QStringLiteral("c"));
    ASSERT_TRUE(held->savePart(&error));
    EXPECT_EQ(namesOnDisk(), QStringList{QStringLiteral("a")}) << "a part showed before the commit";

    ASSERT_TRUE(held->commit(&error)) << error.toStdString();
    EXPECT_FALSE(held->savePart(&error));
    EXPECT_EQ(namesOnDisk(),
              QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    insertPolicy(context, QStringLiteral("d"));
    EXPECT_TRUE(context.save(&error)) << error.toStdString();
}

// Undone, whether by a refused part, by the holder going away or by hand: the store and the
// context both hold what they held before the first part, in a file and in memory alike.
TEST_F(HeldSaves, UndoneTheStoreAndTheContextHoldWhatTheyHeldBefore) {
    for (const bool inMemory : {false, true}) {
        SCOPED_TRACE(inMemory ? "in memory" : "in a file");
        auto controller = inMemory ? openInMemory() : open(storePath());
        ManagedObjectContext& context = controller->container().viewContext();
        auto kept = insertPolicy(context, QStringLiteral("a"));
        ASSERT_TRUE(context.save());

        QString error;
        std::unique_ptr<HeldSave> held = HeldSave::begin(context, &error);
        ASSERT_TRUE(held);
        kept->setName(QStringLiteral("changed"));
        insertPolicy(context, QStringLiteral("b"));
        ASSERT_TRUE(held->savePart(&error));
        insertPolicy(context, QStringLiteral("c"));
        ASSERT_TRUE(held->savePart(&error));
        held.reset();

        EXPECT_EQ(names(context), QStringList{QStringLiteral("a")});
        EXPECT_TRUE(kept->isDeleted()) << "a handle from before the undo still reads";
        EXPECT_FALSE(context.hasChanges());
        if (!inMemory) {
            EXPECT_EQ(namesOnDisk(), QStringList{QStringLiteral("a")});
        }
        insertPolicy(context, QStringLiteral("d"));
        EXPECT_TRUE(context.save(&error)) << error.toStdString();
        EXPECT_EQ(names(context), QStringList({QStringLiteral("a"), QStringLiteral("d")}));
    }
}

} // namespace
