#include "store/ObjectObservation.h"
#include "support/RawSqlite.h"
#include "support/StallWatch.h"
#include "support/StoreFixture.h"
#include "support/WaitUntil.h"

#include <QElapsedTimer>

#include <sqlite3.h>

using TimeHelpers::utc;

using ObjectObservationTest = StoreFixture;

// A detail pane follows its object: each change of an attribute or a link (also one made from
// the other side), pending or brought in by a save, and then its deletion, once.
TEST_F(ObjectObservationTest, HearsEveryChangeAndTheDeletion) {
    auto controller = openInMemory();
    ManagedObjectContext& context = controller->container().viewContext();
    auto policy = insertPolicy(context, QStringLiteral("a"));
    auto contact = context.insert<Contact>();
    ASSERT_TRUE(context.save());

    QStringList heard;
    int deletions = 0;
    ObjectObservation watchPolicy(
        policy,
        [&](const QStringList& names) { heard << QStringLiteral("policy ") + names.join(u','); },
        [&] { ++deletions; });
    ObjectObservation watchContact(contact, [&](const QStringList& names) {
        heard << QStringLiteral("contact ") + names.join(u',');
    });

    policy->setNotes(QStringLiteral("n"));
    policy->setNotes(QStringLiteral("n")); // the same value: nothing changes
    policy->setContact(contact);
    contact->setFirstName(QStringLiteral("Anna"));
    ASSERT_TRUE(context.save());
    context.deleteObject(contact.get());
    EXPECT_EQ(heard, QStringList({"policy notes", "policy contact", "contact policies",
                                  "contact firstName", "policy contact", "contact policies"}));
    EXPECT_EQ(deletions, 0);
    heard.clear();
    context.deleteObject(policy.get());
    policy->setName(QStringLiteral("refused"));
    ASSERT_TRUE(context.save());
    EXPECT_TRUE(heard.isEmpty());
    EXPECT_EQ(deletions, 1);
    EXPECT_TRUE(policy->isDeleted());
}

// A detail pane that writes when it hears a value another writer saved, read back by a save:
// the write stays pending and the next save keeps it.
TEST_F(ObjectObservationTest, AWriteMadeWhileASaveTellsIsSavedNextTime) {
    const QString path = storePath();
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto policy = insertPolicy(context, QStringLiteral("a"));
    ASSERT_TRUE(context.save());
    RawSqlite raw(path);
    ASSERT_TRUE(raw.exec("UPDATE Policy SET notes = 'from elsewhere'"));
    ObjectObservation watch(policy, [&](const QStringList& names) {
        if (names.contains(QStringLiteral("notes"))) {
            policy->setClientPhoneNumber(QStringLiteral("+39 333"));
        }
    });
    policy->setName(QStringLiteral("renamed"));
    ASSERT_TRUE(context.save());
    EXPECT_EQ(policy->notes(), QStringLiteral("from elsewhere"));
    EXPECT_TRUE(context.hasChanges());
    ASSERT_TRUE(context.save());
    EXPECT_EQ(raw.value("SELECT name, notes, clientPhoneNumber FROM Policy"),
              u"renamed|from elsewhere|+39 333");
}

// What waits for saves (the day's first backup) hears each one that wrote, and no other.
TEST_F(ObjectObservationTest, TheSavedHandlerHearsEverySaveThatWrote) {
    auto controller = open(storePath());
    ManagedObjectContext& context = controller->container().viewContext();
    int saves = 0;
    context.setSavedHandler([&] { ++saves; });
    insertPolicy(context, QStringLiteral("a"));
    ASSERT_TRUE(context.save());
    ASSERT_TRUE(context.save()); // nothing to write
    context.insert<Policy>();    // refused: required values missing
    EXPECT_FALSE(context.save());
    EXPECT_EQ(saves, 1);
}

TEST_F(ObjectObservationTest, HearsTheContextGoOnceAndOutlivesIt) {
    auto controller = openInMemory();
    auto policy = insertPolicy(controller->container().viewContext(), QStringLiteral("a"));
    int deletions = 0;
    ObjectObservation watch(
        policy, [](const QStringList&) {}, [&] { ++deletions; });
    controller.reset();
    EXPECT_EQ(deletions, 1);
    EXPECT_TRUE(watch.object()->isDeleted());
    EXPECT_EQ(policy->name(), u"a");
}

using Documents = StoreFixture;

// Absent, empty and large documents: the size is known at once, the bytes come when asked.
TEST_F(Documents, AreKnownBySizeAndReadOnDemand) {
    const QString path = storePath();
    const QByteArray large = QByteArray("%PDF-1.7\n\0\xff", 11).repeated(300'000);
    const std::vector<std::pair<QString, std::optional<QByteArray>>> documents{
        {QStringLiteral("absent"), std::nullopt},
        {QStringLiteral("empty"), QByteArray("")},
        {QStringLiteral("small"), QByteArray("%PDF")},
        {QStringLiteral("large"), large},
    };
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        for (const auto& [name, bytes] : documents) {
            auto policy = insertPolicy(context, name);
            policy->setPdfData(bytes);
            EXPECT_EQ(policy->pdfDataSize(), bytes ? std::optional(bytes->size()) : std::nullopt);
        }
        ASSERT_TRUE(context.save());
        // Saved documents stay readable, from the store.
        for (const auto& policy : context.fetch(Policy::fetchRequest())) {
            EXPECT_EQ(policy->pdfData(), documents[size_t(policy->name() == u"empty") +
                                                   2 * size_t(policy->name() == u"small") +
                                                   3 * size_t(policy->name() == u"large")]
                                             .second);
        }
    }

    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto request = Policy::fetchRequest();
    request.setSortDescriptors({{QStringLiteral("createdAt")}});
    const auto policies = context.fetch(request);
    ASSERT_EQ(policies.size(), documents.size());
    // Another writer changes the bytes (not the size) after the load: what a reader gets is
    // what the file holds when it asks, so nothing was read before.
    RawSqlite raw(path);
    ASSERT_TRUE(raw.exec("UPDATE Policy SET pdfData = x'25504446' WHERE name = 'large'"));
    for (size_t i = 0; i < documents.size(); ++i) {
        const auto& expected = documents[i].second;
        SCOPED_TRACE(qPrintable(documents[i].first));
        EXPECT_EQ(policies[i]->hasPdfData(), expected.has_value());
        EXPECT_EQ(policies[i]->pdfDataSize(),
                  expected ? std::optional(expected->size()) : std::nullopt);
        if (documents[i].first == u"large") {
            EXPECT_EQ(policies[i]->pdfData(), std::optional(QByteArray("%PDF")));
        } else {
            EXPECT_EQ(policies[i]->pdfData(), expected);
        }
    }
    EXPECT_TRUE(logLines().isEmpty()) << qPrintable(logLines().join(u'\n'));
}

// Readers share one copy while they hold it; once they let go the store keeps nothing.
TEST_F(Documents, AreNotKeptAliveAfterTheirReadersLetGo) {
    const QString path = storePath();
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        insertPolicy(context, QStringLiteral("a"))->setPdfData(QByteArray(1 << 20, 'x'));
        ASSERT_TRUE(context.save());
    }
    auto controller = open(path);
    auto policy = controller->container().viewContext().fetch(Policy::fetchRequest()).at(0);
    std::shared_ptr<const QByteArray> first = policy->pdfDocument();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), 1 << 20);
    EXPECT_EQ(policy->pdfDocument(), first);
    std::weak_ptr<const QByteArray> watch = first;
    first.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(policy->pdfDocument()->size(), 1 << 20);
}

// A large document is read on the store's own thread and handed back on a later turn of the
// event loop, which never waits for it meanwhile; the bytes are then shared with every other
// reader. A document changed while it was being read is handed back as it is now, and nothing
// is handed to a receiver that has gone.
TEST_F(Documents, AreReadOffTheThreadThatAsks) {
    const QString path = storePath();
    const QByteArray large = QByteArray("%PDF-1.7 ").repeated(12'000'000); // 108 MB
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        insertPolicy(context, QStringLiteral("large"))->setPdfData(large);
        insertPolicy(context, QStringLiteral("changed"))->setPdfData(QByteArray("old"));
        ASSERT_TRUE(context.save());
    }
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto request = Policy::fetchRequest();
    request.setSortDescriptors({{QStringLiteral("name")}});
    const auto policies = context.fetch(request);
    const std::shared_ptr<Policy>& changed = policies.at(0);
    const std::shared_ptr<Policy>& shown = policies.at(1);

    QObject receiver;
    std::optional<std::shared_ptr<const QByteArray>> got;
    const StallWatch stalls;
    QElapsedTimer answered;
    answered.start();
    shown->pdfDocumentLater(&receiver, [&got](auto bytes) { got = std::move(bytes); });
    EXPECT_FALSE(got.has_value());
    ASSERT_TRUE(waitSleeping([&got] { return got.has_value(); }, 60000));
    // Read on this thread, the longest stall would be most of the wait; read beside it, the
    // loop turned all along. A share, not a time: a loaded machine slows both alike.
    EXPECT_LT(stalls.longestMs() * 3, answered.elapsed());
    ASSERT_TRUE(*got);
    EXPECT_TRUE(**got == large);
    EXPECT_EQ(shown->pdfDocument(), *got);

    std::optional<std::shared_ptr<const QByteArray>> latest;
    changed->pdfDocumentLater(&receiver, [&latest](auto bytes) { latest = std::move(bytes); });
    changed->setPdfData(QByteArray("new"));
    ASSERT_TRUE(context.save());
    ASSERT_TRUE(waitUntil([&latest] { return latest.has_value(); }));
    ASSERT_TRUE(*latest);
    EXPECT_EQ(**latest, QByteArray("new"));

    bool heard = false;
    {
        QObject gone;
        shown->pdfDocumentLater(&gone, [&heard](auto) { heard = true; });
    }
    // Answers come in the order they were asked for: once a later one is in, the gone
    // receiver's has had its turn.
    std::optional<std::shared_ptr<const QByteArray>> after;
    shown->pdfDocumentLater(&receiver, [&after](auto bytes) { after = std::move(bytes); });
    ASSERT_TRUE(waitUntil([&after] { return after.has_value(); }));
    EXPECT_FALSE(heard);
    EXPECT_TRUE(logLines().isEmpty()) << qPrintable(logLines().join(u'\n'));
}

// Replacing, clearing and emptying a stored document are changes like any other, and a
// document that another writer cleared reads as none.
TEST_F(Documents, ChangeAndSaveLikeAnyValue) {
    const QString path = storePath();
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto a = insertPolicy(context, QStringLiteral("a"));
    auto b = insertPolicy(context, QStringLiteral("b"));
    auto c = insertPolicy(context, QStringLiteral("c"));
    for (const auto& policy : {a, b, c}) {
        policy->setPdfData(QByteArray("old"));
    }
    ASSERT_TRUE(context.save());
    a->setPdfData(std::nullopt);
    b->setPdfData(QByteArray(""));
    EXPECT_TRUE(context.hasChanges());
    EXPECT_FALSE(a->hasPdfData());
    ASSERT_TRUE(context.save());

    RawSqlite raw(path);
    EXPECT_EQ(raw.query("SELECT name, quote(pdfData) FROM Policy ORDER BY name"),
              QStringList({"a|NULL", "b|X''", "c|X'6F6C64'"}));
    ASSERT_TRUE(raw.exec("UPDATE Policy SET pdfData = NULL WHERE name = 'c'"));
    EXPECT_EQ(c->pdfDataSize(), std::optional<qint64>(3));
    EXPECT_EQ(c->pdfData(), std::nullopt);
    // The next save brings in what the other writer did.
    c->setNotes(QStringLiteral("n"));
    ASSERT_TRUE(context.save());
    EXPECT_FALSE(c->hasPdfData());

    auto reopened = open(path);
    const auto policies = reopened->container().viewContext().fetch(Policy::fetchRequest());
    ASSERT_EQ(policies.size(), 3u);
    EXPECT_EQ(policies[0]->pdfData(), std::nullopt);
    EXPECT_EQ(policies[1]->pdfData(), std::optional(QByteArray("")));
    EXPECT_EQ(policies[2]->pdfData(), std::nullopt);
}

// A row another writer deleted comes back whole with the next save of its object, with its
// document while a reader holds it; otherwise object and row agree that it is gone, and the
// log says so.
TEST_F(Documents, AreWrittenBackWithARowAnotherWriterDeleted) {
    const QString path = storePath();
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto shown = insertPolicy(context, QStringLiteral("shown"));
    auto unread = insertPolicy(context, QStringLiteral("unread"));
    shown->setPdfData(QByteArray("%PDF-1"));
    unread->setPdfData(QByteArray("%PDF-2"));
    ASSERT_TRUE(context.save());
    const std::shared_ptr<const QByteArray> viewer = shown->pdfDocument();
    RawSqlite raw(path);
    ASSERT_TRUE(raw.exec("DELETE FROM Policy"));
    shown->setNotes(QStringLiteral("n"));
    unread->setNotes(QStringLiteral("n"));
    ASSERT_TRUE(context.save());
    EXPECT_EQ(raw.query("SELECT name, notes, quote(pdfData) FROM Policy ORDER BY name"),
              QStringList({"shown|n|X'255044462D31'", "unread|n|NULL"}));
    EXPECT_EQ(shown->pdfData(), std::optional(QByteArray("%PDF-1")));
    EXPECT_FALSE(unread->hasPdfData());
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(logLines()[0].contains(uuidText(unread->id()))) << qPrintable(logLines()[0]);
}
