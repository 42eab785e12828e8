#include "store/LiveFetchResults.h"
#include "support/StoreFixture.h"

#include <sqlite3.h>

using TimeHelpers::utc;

namespace {

QStringList namesOf(const std::vector<std::shared_ptr<Policy>>& policies) {
    QStringList names;
    for (const auto& policy : policies) {
        names << policy->name();
    }
    return names;
}

} // namespace

using Fetch = StoreFixture;

TEST_F(Fetch, ThePredicatesOfTheScreensSelectAsWritten) {
    auto controller = openInMemory();
    ManagedObjectContext& context = controller->container().viewContext();
    const Instant now = utc("2026-03-10T09:30:00Z");
    const Instant later = utc("2026-04-09T09:30:00Z");

    for (const auto& [name, expiry] : std::vector<std::pair<QString, Instant>>{
             {QStringLiteral("past"), utc("2026-03-10T09:29:59Z")},
             {QStringLiteral("now"), now},
             {QStringLiteral("inside"), utc("2026-03-25T00:00:00Z")},
             {QStringLiteral("end"), later},
             {QStringLiteral("after"), utc("2026-04-09T09:30:00.001Z")}}) {
        insertPolicy(context, name, expiry);
    }
    auto request = Policy::fetchRequest();
    request.setPredicate(Predicate::format(
        QStringLiteral("expirationDate >= %@ AND expirationDate <= %@"), {now, later}));
    request.setSortDescriptors({{QStringLiteral("expirationDate")}});
    EXPECT_EQ(namesOf(context.fetch(request)), QStringList({"now", "inside", "end"}));

    auto addTask = [&](const QString& title, bool completed, std::optional<Instant> due) {
        auto task = context.insert<Task>();
        task->setTitle(title);
        task->setIsCompleted(completed);
        task->setDueDate(due);
    };
    addTask(QStringLiteral("no due date"), false, std::nullopt);
    addTask(QStringLiteral("done"), true, std::nullopt);
    addTask(QStringLiteral("overdue"), false, utc("2026-03-01T00:00:00Z"));
    addTask(QStringLiteral("due"), false, utc("2026-03-11T00:00:00Z"));
    auto tasks = Task::fetchRequest();
    tasks.setPredicate(Predicate::format(
        QStringLiteral("isCompleted == NO AND (dueDate == nil OR dueDate >= %@)"), {now}));
    tasks.setSortDescriptors({{QStringLiteral("dueDate")}});
    QStringList titles;
    for (const auto& task : context.fetch(tasks)) {
        titles << task->title();
    }
    // An absent due date sorts first, as SQLite puts NULL first.
    EXPECT_EQ(titles, QStringList({"no due date", "due"}));

    auto event = context.insert<Event>();
    event->setTitle(QStringLiteral("a"));
    event->setStartDate(now);
    event->setEndDate(later);
    auto events = Event::fetchRequest();
    events.setPredicate(Predicate::format(QStringLiteral("startDate >= %@"), {now}));
    EXPECT_EQ(context.fetch(events).size(), 1u);
    events.setPredicate(Predicate::format(QStringLiteral("startDate >= %@"), {later}));
    EXPECT_TRUE(context.fetch(events).empty());
}

TEST_F(Fetch, FindsPendingInsertsAndLeavesOutDeletedObjects) {
    const QString path = storePath();
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto kept = insertPolicy(context, QStringLiteral("kept"));
    auto gone = insertPolicy(context, QStringLiteral("gone"));
    ASSERT_TRUE(context.save());
    auto fresh = insertPolicy(context, QStringLiteral("fresh"));
    context.deleteObject(gone.get());
    EXPECT_EQ(namesOf(context.fetch(Policy::fetchRequest())), QStringList({"kept", "fresh"}));
    // Held, without a fetch's sort: the deleted one too, until its deletion is saved.
    QStringList held;
    for (const auto& object : context.registeredObjects(Policy::entityName())) {
        held << static_cast<const Policy&>(*object).name() + (object->isDeleted() ? u'-' : u'+');
    }
    held.sort();
    EXPECT_EQ(held, QStringList({"fresh+", "gone-", "kept+"}));
    // A new object that is deleted before any save simply goes.
    context.deleteObject(fresh.get());
    EXPECT_EQ(namesOf(context.fetch(Policy::fetchRequest())), QStringList({"kept"}));
    ASSERT_TRUE(context.save());
    EXPECT_EQ(namesOf(open(path)->container().viewContext().fetch(Policy::fetchRequest())),
              QStringList({"kept"}))
        << logLines().join(u'\n').toStdString();
}

TEST_F(Fetch, SortKeysBreakTiesInOrderThenByFirstStorage) {
    const QString path = storePath();
    auto byName = [](ManagedObjectContext& context) {
        auto request = Contact::fetchRequest();
        request.setSortDescriptors({{QStringLiteral("lastName")}, {QStringLiteral("firstName")}});
        QStringList names;
        for (const auto& contact : context.fetch(request)) {
            names << contact->lastName() + u'/' + contact->firstName() + u'/' +
                         contact->notes().value_or(QString());
        }
        return names;
    };
    const QStringList expected = {"Bianchi/Anna/1", "Bianchi/Anna/2", "Bianchi/Carla/",
                                  "Rossi/Anna/"};
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        for (const auto& [last, first, notes] :
             std::vector<std::tuple<QString, QString, std::optional<QString>>>{
                 {"Rossi", "Anna", {}},
                 {"Bianchi", "Anna", QStringLiteral("1")},
                 {"Bianchi", "Carla", {}},
                 {"Bianchi", "Anna", QStringLiteral("2")}}) {
            auto contact = context.insert<Contact>();
            contact->setLastName(last);
            contact->setFirstName(first);
            contact->setNotes(notes);
        }
        EXPECT_EQ(byName(context), expected);
        ASSERT_TRUE(context.save());
        EXPECT_EQ(byName(context), expected);
    }
    EXPECT_EQ(byName(open(path)->container().viewContext()), expected);
}

TEST_F(Fetch, TextSortsByCodePointAsSqliteDoes) {
    const QString path = storePath();
    // Case, accents, a character above U+FFFF (a surrogate pair in UTF-16) and one just below.
    const QStringList names = {QStringLiteral("b"),
                               QStringLiteral("B"),
                               QStringLiteral("é"),
                               QStringLiteral("e"),
                               QString::fromUtf8("\xef\xbf\xbd"),
                               QString::fromUtf8("\xf0\x9f\x8f\xa0"),
                               QStringLiteral("Zeta"),
                               QStringLiteral("")};
    QStringList inMemory;
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        for (const QString& name : names) {
            insertPolicy(context, name);
        }
        auto request = Policy::fetchRequest();
        request.setSortDescriptors({{QStringLiteral("name")}});
        inMemory = namesOf(context.fetch(request));
        ASSERT_TRUE(context.save());
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM Policy ORDER BY name", -1, &statement, nullptr);
    QStringList inSql;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        inSql << QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    EXPECT_EQ(inMemory, inSql);
    EXPECT_EQ(inMemory.first(), u"");
    EXPECT_EQ(inMemory.last(), QString::fromUtf8("\xf0\x9f\x8f\xa0"));
}

TEST_F(Fetch, ABadRequestFindsNothingAndSaysWhy) {
    auto controller = openInMemory();
    ManagedObjectContext& context = controller->container().viewContext();
    insertPolicy(context, QStringLiteral("x"));
    QString error;
    auto request = Policy::fetchRequest();
    request.setPredicate(Predicate::format(QStringLiteral("expirationDate >= %@")));
    EXPECT_TRUE(context.fetch(request, &error).empty());
    EXPECT_TRUE(error.contains(u"more %@ than arguments")) << error.toStdString();
    request.setPredicate(Predicate::format(QStringLiteral("expiry == nil")));
    EXPECT_TRUE(context.fetch(request, &error).empty());
    EXPECT_TRUE(error.contains(u"Policy has no attribute expiry")) << error.toStdString();
    request.setPredicate(std::nullopt);
    request.setSortDescriptors({{QStringLiteral("nope")}});
    EXPECT_TRUE(context.fetch(request, &error).empty());
    EXPECT_FALSE(error.isEmpty());
}

// A document left in the store is present to every predicate, before a restart and after, and
// live results made before the save that stored it agree with a fresh fetch.
TEST_F(Fetch, AStoredDocumentIsPresentToPredicates) {
    const QString path = storePath();
    auto request = [](const char* format) {
        auto policies = Policy::fetchRequest();
        policies.setPredicate(Predicate::format(QString::fromLatin1(format)));
        policies.setSortDescriptors({{QStringLiteral("name")}});
        return policies;
    };
    const auto withDocument = request("pdfData != nil");
    const auto withoutDocument = request("NOT (pdfData == nil) OR name == 'none'");
    auto expectSplit = [&](ManagedObjectContext& context) {
        EXPECT_EQ(namesOf(context.fetch(withDocument)), QStringList({"empty", "pdf"}));
        EXPECT_EQ(namesOf(context.fetch(withoutDocument)), QStringList({"empty", "none", "pdf"}));
    };
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        insertPolicy(context, QStringLiteral("pdf"))->setPdfData(QByteArray("%PDF"));
        insertPolicy(context, QStringLiteral("empty"))->setPdfData(QByteArray(""));
        insertPolicy(context, QStringLiteral("none"));
        LiveFetchResults live(context, withDocument);
        ASSERT_TRUE(live.performFetch());
        expectSplit(context);
        ASSERT_TRUE(context.save());
        expectSplit(context);
        ASSERT_EQ(live.count(), 2);
        EXPECT_EQ(live.at<Policy>(0)->name(), u"empty");
        EXPECT_EQ(live.at<Policy>(1)->name(), u"pdf");
    }
    expectSplit(open(path)->container().viewContext());
}
