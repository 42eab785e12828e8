#include "store/LiveFetchResults.h"
#include "store/LiveFetchResultsListener.h"
#include "store/ObjectObservation.h"
#include "support/StoreFixture.h"

namespace {

class StoreReload : public StoreFixture {
protected:
    // A store file of its own with these policies, closed.
    void writeStore(const QString& path, const QStringList& names) {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        for (const QString& name : names) {
            insertPolicy(context, name);
        }
        ASSERT_TRUE(context.save());
    }
    static QStringList namesIn(const LiveFetchResults& results) {
        QStringList names;
        for (int row = 0; row < results.count(); ++row) {
            names << results.at<Policy>(row)->name();
        }
        return names;
    }
};

// What a list hears: the rows it held when the reset began and when it ended.
struct ResetRecorder final : LiveFetchResultsListener {
    explicit ResetRecorder(const LiveFetchResults& results)
        : results(results) {}
    const LiveFetchResults& results;
    QStringList heard;
    void willInsertRow(int) override { heard << QStringLiteral("insert"); }
    void didInsertRow(int) override {}
    void willRemoveRow(int) override { heard << QStringLiteral("remove"); }
    void didRemoveRow(int) override {}
    void willMoveRow(int, int) override { heard << QStringLiteral("move"); }
    void didMoveRow(int, int) override {}
    void didChangeRow(int) override { heard << QStringLiteral("change"); }
    void willResetRows() override { heard << QStringLiteral("will %1").arg(results.count()); }
    void didResetRows() override { heard << QStringLiteral("did %1").arg(results.count()); }
};

// Another file put in the store's place while it is closed: the same context takes its rows,
// the live results and observations follow in one reset, and what was pending is gone.
TEST_F(StoreReload, TheContextTakesTheNewFileAndEveryFollowerHearsOneReset) {
    writeStore(storePath(), {QStringLiteral("a"), QStringLiteral("b")});
    writeStore(
        storePath(QStringLiteral("other.sqlite")),
        {QStringLiteral("w"), QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")});
    auto controller = open(storePath());
    ManagedObjectContext& context = controller->container().viewContext();
    auto request = Policy::fetchRequest();
    request.setSortDescriptors({{QStringLiteral("name")}});
    LiveFetchResults results(context, request);
    ASSERT_TRUE(results.performFetch());
    insertPolicy(context, QStringLiteral("unsaved"));
    ResetRecorder recorder(results);
    results.addListener(&recorder);
    const std::shared_ptr<Policy> old = results.at<Policy>(0);
    bool heardGone = false;
    ObjectObservation observation(old, {}, [&heardGone] { heardGone = true; });

    controller->close();
    QString error;
    EXPECT_FALSE(context.save(&error)) << "a closed store took a save";
    ASSERT_TRUE(QFile::remove(storePath()));
    ASSERT_TRUE(QFile::copy(storePath(QStringLiteral("other.sqlite")), storePath()));
    ASSERT_TRUE(controller->reopen());

    EXPECT_EQ(recorder.heard, QStringList({QStringLiteral("will 3"), QStringLiteral("did 4")}));
    EXPECT_EQ(namesIn(results), QStringList({QStringLiteral("w"), QStringLiteral("x"),
                                             QStringLiteral("y"), QStringLiteral("z")}));
    EXPECT_TRUE(heardGone);
    EXPECT_TRUE(old->isDeleted());
    EXPECT_FALSE(context.hasChanges());
    EXPECT_FALSE(controller->storeProblem());

    // The new file is the one written.
    insertPolicy(context, QStringLiteral("v"));
    ASSERT_TRUE(context.save(&error)) << error.toStdString();
    EXPECT_EQ(results.count(), 5);
    controller.reset();
    auto again = open(storePath());
    EXPECT_EQ(again->container().viewContext().fetch(Policy::fetchRequest()).size(), 5U);
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join(u'\n').toStdString();
}

// A file that cannot be opened in its place leaves the context empty, says why once, and is
// not written.
TEST_F(StoreReload, AFileThatCannotBeOpenedLeavesNothingAndIsKept) {
    writeStore(storePath(), {QStringLiteral("a")});
    auto controller = open(storePath());
    ManagedObjectContext& context = controller->container().viewContext();
    LiveFetchResults results(context, Policy::fetchRequest());
    ASSERT_TRUE(results.performFetch());
    controller->close();
    {
        QFile file(storePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(8192, 'x'));
    }
    const QByteArray digest = fileDigest(storePath());

    EXPECT_FALSE(controller->reopen());
    EXPECT_TRUE(controller->storeProblem());
    EXPECT_EQ(results.count(), 0);
    EXPECT_FALSE(context.save());
    EXPECT_EQ(fileDigest(storePath()), digest);
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(logLines().first().startsWith(u"Error loading persistent stores: "));
}

} // namespace
