#include "store/LiveFetchResults.h"
#include "store/LiveFetchResultsListener.h"
#include "store/ObjectObservation.h"
#include "support/RawSqlite.h"
#include "support/StoreFixture.h"

#include <sqlite3.h>

#include <functional>
#include <random>

using TimeHelpers::kDayMs;
using TimeHelpers::utc;

namespace {

// Replays what a live fetch tells its listeners on a plain list, as a Qt model over it would,
// and checks that every will... comes while the rows are still as they were and every did...
// after they changed.
class ReplayedList final : public LiveFetchResultsListener {
public:
    // Starts from the rows the results hold now and listens to them until it goes.
    explicit ReplayedList(LiveFetchResults& results)
        : m_results(results) {
        for (int row = 0; row < results.count(); ++row) {
            m_rows.push_back(results.objectAt(row));
        }
        results.addListener(this);
    }
    ~ReplayedList() override { m_results.removeListener(this); }
    ReplayedList(const ReplayedList&) = delete;
    ReplayedList& operator=(const ReplayedList&) = delete;

    const std::vector<ManagedObject*>& rows() const { return m_rows; }
    int changes() const { return m_changes; }
    int moves() const { return m_moves; }

    void willInsertRow(int row) override {
        EXPECT_EQ(m_results.count(), int(m_rows.size()));
        EXPECT_LE(row, int(m_rows.size()));
    }
    void didInsertRow(int row) override {
        m_rows.insert(m_rows.begin() + row, m_results.objectAt(row));
    }
    void willRemoveRow(int row) override {
        ASSERT_LT(row, int(m_rows.size()));
        EXPECT_EQ(m_results.objectAt(row), m_rows[size_t(row)]);
    }
    void didRemoveRow(int row) override { m_rows.erase(m_rows.begin() + row); }
    void willMoveRow(int from, int to) override {
        ASSERT_LT(from, int(m_rows.size()));
        ASSERT_LT(to, int(m_rows.size()));
        EXPECT_NE(from, to);
        EXPECT_EQ(m_results.objectAt(from), m_rows[size_t(from)]);
    }
    void didMoveRow(int from, int to) override {
        ManagedObject* object = m_rows[size_t(from)];
        m_rows.erase(m_rows.begin() + from);
        m_rows.insert(m_rows.begin() + to, object);
        EXPECT_EQ(m_results.objectAt(to), object);
        ++m_moves;
    }
    void didChangeRow(int row) override {
        ASSERT_LT(row, int(m_rows.size()));
        EXPECT_EQ(m_results.objectAt(row), m_rows[size_t(row)]);
        ++m_changes;
    }
    void willResetRows() override { m_rows.clear(); }
    void didResetRows() override {
        for (int row = 0; row < m_results.count(); ++row) {
            m_rows.push_back(m_results.objectAt(row));
        }
    }

private:
    LiveFetchResults& m_results;
    std::vector<ManagedObject*> m_rows;
    int m_changes = 0;
    int m_moves = 0;
};

std::vector<ManagedObject*> rowsOf(const LiveFetchResults& results) {
    std::vector<ManagedObject*> rows;
    for (int row = 0; row < results.count(); ++row) {
        rows.push_back(results.objectAt(row));
    }
    return rows;
}

std::vector<ManagedObject*> refetched(const ManagedObjectContext& context,
                                      const FetchRequestBase& request) {
    std::vector<ManagedObject*> rows;
    for (const auto& object : context.execute(request)) {
        rows.push_back(object.get());
    }
    return rows;
}

const Instant kBase = utc("2026-03-01T12:00:00Z");

// One of the fetches the screens make, and how to fill and stir its entity's objects. Few
// distinct values, so that sort keys tie often.
struct LiveCase {
    const char* name;
    const char* entity;
    std::vector<SortDescriptor> sort;
    const char* predicate; // nullptr for none
    std::vector<Value> arguments;
    // Attributes a step may change, each with a generator; absent values included where the
    // attribute is required, so that saves fail until it gets one again.
    std::vector<std::pair<QString, std::function<Value(std::mt19937&)>>> attributes;
};

void PrintTo(const LiveCase& live, std::ostream* out) {
    *out << live.name;
}

Value someInstant(std::mt19937& random, bool maybeAbsent) {
    if (maybeAbsent && random() % 8 == 0) {
        return Value();
    }
    return Instant(kBase.msSinceEpoch() + qint64(random() % 12) * kDayMs);
}

Value someText(std::mt19937& random, bool maybeAbsent) {
    static const QString texts[] = {QStringLiteral("Rossi"),   QStringLiteral("rossi"),
                                    QStringLiteral("Bianchi"), QStringLiteral(""),
                                    QStringLiteral("Ölz"),     QStringLiteral("Zeta")};
    if (maybeAbsent && random() % 10 == 0) {
        return Value();
    }
    return texts[random() % 6];
}

std::vector<LiveCase> liveCases() {
    auto instant = [](bool maybeAbsent) {
        return [maybeAbsent](std::mt19937& r) { return someInstant(r, maybeAbsent); };
    };
    auto text = [](bool maybeAbsent) {
        return [maybeAbsent](std::mt19937& r) { return someText(r, maybeAbsent); };
    };
    const Value from = Instant(kBase.msSinceEpoch() + 3 * kDayMs);
    const Value to = Instant(kBase.msSinceEpoch() + 8 * kDayMs);
    return {
        {"PoliciesByExpiry",
         "Policy",
         {{QStringLiteral("expirationDate")}},
         nullptr,
         {},
         {{QStringLiteral("expirationDate"), instant(true)},
          {QStringLiteral("name"), text(true)},
          {QStringLiteral("notes"), text(true)}}},
        {"ContactsByLastThenFirstName",
         "Contact",
         {{QStringLiteral("lastName")}, {QStringLiteral("firstName")}},
         nullptr,
         {},
         {{QStringLiteral("lastName"), text(true)},
          {QStringLiteral("firstName"), text(false)},
          {QStringLiteral("email"), text(true)}}},
        {"EventsFromNow",
         "Event",
         {{QStringLiteral("startDate")}},
         "startDate >= %@",
         {from},
         {{QStringLiteral("startDate"), instant(true)},
          {QStringLiteral("title"), text(true)},
          {QStringLiteral("location"), text(true)}}},
        {"OpenTasksDueFromNow",
         "Task",
         {{QStringLiteral("dueDate")}},
         "isCompleted == NO AND (dueDate == nil OR dueDate >= %@)",
         {from},
         {{QStringLiteral("dueDate"), instant(true)},
          {QStringLiteral("isCompleted"), [](std::mt19937& r) { return Value(r() % 3 == 0); }},
          {QStringLiteral("title"), text(true)}}},
        {"PoliciesExpiringInAWindow",
         "Policy",
         {{QStringLiteral("expirationDate")}},
         "expirationDate >= %@ AND expirationDate <= %@",
         {from, to},
         {{QStringLiteral("expirationDate"), instant(true)},
          {QStringLiteral("provider"), text(true)},
          {QStringLiteral("customReminderDays"), text(true)}}},
    };
}

class LiveFetch : public StoreFixture, public ::testing::WithParamInterface<LiveCase> {};

// Gives every required attribute of the object a value.
void complete(ManagedObject& object, std::mt19937& random) {
    const EntityDescription& entity = object.entity();
    for (size_t a = 0; a < entity.attributes().size(); ++a) {
        const AttributeDescription& attribute = *entity.attributes()[a];
        if (attribute.isOptional() || object.hasValue(int(a))) {
            continue;
        }
        switch (attribute.attributeType()) {
        case AttributeType::Date:
            object.setValue(attribute.name(), someInstant(random, false));
            break;
        case AttributeType::String:
            object.setValue(attribute.name(), someText(random, false));
            break;
        default:
            break;
        }
    }
}

} // namespace

// Long random runs of inserts, changes of sort keys, filtered and other attributes,
// relationship changes, deletes, rollbacks and saves (some failing for a missing value): after
// every step the live results are what a new fetch finds, and the listener's replay agrees.
TEST_P(LiveFetch, FollowsEveryChangeAsAFreshFetchWouldFindIt) {
    const LiveCase& live = GetParam();
    const QString path = storePath();
    std::mt19937 random(20260310);
    for (int run = 0; run < 2; ++run) {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        FetchRequestBase request{QString::fromLatin1(live.entity)};
        request.setSortDescriptors(live.sort);
        if (live.predicate) {
            request.setPredicate(
                Predicate::format(QString::fromLatin1(live.predicate), live.arguments));
        }
        LiveFetchResults results(context, request);
        QString error;
        ASSERT_TRUE(results.performFetch(&error)) << qPrintable(error);
        EXPECT_EQ(rowsOf(results), refetched(context, request));
        ReplayedList replay(results);

        std::vector<std::shared_ptr<Category>> categories;
        for (int i = 0; i < 3; ++i) {
            auto category = context.insert<Category>();
            category->setName(QStringLiteral("C%1").arg(i));
            categories.push_back(category);
        }
        int failedSaves = 0;
        int savedOk = 0;
        for (int step = 0; step < 400; ++step) {
            const auto all = context.execute(FetchRequestBase(QString::fromLatin1(live.entity)));
            const int choice = int(random() % 100);
            auto pick = [&]() { return all[random() % all.size()]; };
            if (choice < 15 || all.empty()) {
                auto object = context.insertNewObject(QString::fromLatin1(live.entity));
                if (random() % 4 != 0) {
                    complete(*object, random);
                }
            } else if (choice < 55) {
                const auto& [key, generate] = live.attributes[random() % live.attributes.size()];
                pick()->setValue(key, generate(random));
            } else if (choice < 67) {
                auto object = pick();
                if (object->entity().relationshipIndex(QStringLiteral("category")) >= 0) {
                    auto& category = categories[random() % categories.size()];
                    object->setDestination(QStringLiteral("category"),
                                           random() % 4 ? category.get() : nullptr);
                } else {
                    // A contact gains a policy: its relationship changes, in place.
                    auto policy = insertPolicy(context, QStringLiteral("P%1").arg(step));
                    policy->setContact(std::dynamic_pointer_cast<Contact>(object));
                }
            } else if (choice < 77) {
                context.deleteObject(pick().get());
            } else if (choice < 82) {
                // Deleting a category clears the links of its members, which stay; a rollback
                // brings back every link and row as saved.
                if (choice < 80) {
                    context.deleteObject(categories[random() % categories.size()].get());
                } else {
                    context.rollback();
                }
                for (auto& category : categories) {
                    if (category->isDeleted()) {
                        category = context.insert<Category>();
                        category->setName(QStringLiteral("again"));
                    }
                }
            } else if (choice < 92) {
                if (!context.save()) {
                    ++failedSaves;
                    if (random() % 2) {
                        for (const auto& object : all) {
                            complete(*object, random);
                        }
                    }
                } else {
                    ++savedOk;
                }
            } else {
                for (const auto& object : all) {
                    complete(*object, random);
                }
                EXPECT_TRUE(context.save());
                ++savedOk;
            }
            ASSERT_EQ(rowsOf(results), refetched(context, request)) << "step " << step;
            ASSERT_EQ(replay.rows(), rowsOf(results)) << "step " << step;
        }
        EXPECT_GT(failedSaves, 0);
        EXPECT_GT(savedOk, 0);
        EXPECT_GT(replay.moves() + replay.changes(), 0);
        for (const auto& object :
             context.execute(FetchRequestBase(QString::fromLatin1(live.entity)))) {
            complete(*object, random);
        }
        ASSERT_TRUE(context.save());
        // The second run starts from what the first saved.
    }
}

INSTANTIATE_TEST_SUITE_P(TheScreensFetches, LiveFetch, ::testing::ValuesIn(liveCases()),
                         [](const auto& tested) { return std::string(tested.param.name); });

using LiveFetchRows = StoreFixture;

// A change to a key moves the row; a change to anything else, or to a link, is a change in
// place; a deleted object leaves at once, before the save.
TEST_F(LiveFetchRows, TellExactlyWhatMoved) {
    auto controller = openInMemory();
    ManagedObjectContext& context = controller->container().viewContext();
    auto a = insertPolicy(context, QStringLiteral("a"), kBase);
    auto b = insertPolicy(context, QStringLiteral("b"), Instant(kBase.msSinceEpoch() + kDayMs));
    auto c = insertPolicy(context, QStringLiteral("c"), Instant(kBase.msSinceEpoch() + 2 * kDayMs));
    ASSERT_TRUE(context.save());
    auto request = Policy::fetchRequest();
    request.setSortDescriptors({{QStringLiteral("expirationDate")}});
    LiveFetchResults results(context, request);
    ASSERT_TRUE(results.performFetch());

    struct Recorder final : LiveFetchResultsListener {
        QStringList heard;
        void willInsertRow(int) override {}
        void didInsertRow(int row) override { heard << QStringLiteral("insert %1").arg(row); }
        void willRemoveRow(int) override {}
        void didRemoveRow(int row) override { heard << QStringLiteral("remove %1").arg(row); }
        void willMoveRow(int, int) override {}
        void didMoveRow(int from, int to) override {
            heard << QStringLiteral("move %1 %2").arg(from).arg(to);
        }
        void didChangeRow(int row) override { heard << QStringLiteral("change %1").arg(row); }
        void willResetRows() override {}
        void didResetRows() override { heard << QStringLiteral("reset"); }
    } recorder;
    results.addListener(&recorder);

    a->setExpirationDate(Instant(kBase.msSinceEpoch() + 3 * kDayMs));
    c->setNotes(QStringLiteral("n"));
    auto contact = context.insert<Contact>();
    b->setContact(contact);
    c->setExpirationDate(kBase);
    context.deleteObject(b.get());
    auto d = insertPolicy(context, QStringLiteral("d"), Instant(kBase.msSinceEpoch() + kDayMs));
    EXPECT_EQ(recorder.heard,
              QStringList({"move 0 2", "change 1", "change 0", "move 1 0",
                           // b's contact is cleared first, then b goes
                           "change 1", "remove 1",
                           // d shows first until its expiry is set
                           "insert 0", "change 0", "change 0", "change 0", "move 0 1"}));
    EXPECT_EQ(results.at<Policy>(0), c);
    EXPECT_EQ(results.at<Policy>(1), d);
    EXPECT_EQ(results.at<Policy>(2), a);
    EXPECT_EQ(results.indexOf(b.get()), -1);
}

// Values another writer saved come in with the next save, and move rows like any change.
TEST_F(LiveFetchRows, FollowAnotherWritersValuesBroughtInByASave) {
    const QString path = storePath();
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto a = insertPolicy(context, QStringLiteral("a"), kBase);
    auto b = insertPolicy(context, QStringLiteral("b"), Instant(kBase.msSinceEpoch() + kDayMs));
    ASSERT_TRUE(context.save());
    auto request = Policy::fetchRequest();
    request.setSortDescriptors({{QStringLiteral("expirationDate")}});
    LiveFetchResults results(context, request);
    ASSERT_TRUE(results.performFetch());
    ReplayedList replay(results);

    RawSqlite raw(path);
    ASSERT_TRUE(raw.exec(QStringLiteral("UPDATE Policy SET expirationDate = %1 WHERE name = 'a'")
                             .arg(kBase.msSinceEpoch() + 5 * kDayMs)
                             .toUtf8()
                             .constData()));
    a->setNotes(QStringLiteral("saved here"));
    ASSERT_TRUE(context.save());
    EXPECT_EQ(a->expirationDate().msSinceEpoch(), kBase.msSinceEpoch() + 5 * kDayMs);
    EXPECT_EQ(rowsOf(results), (std::vector<ManagedObject*>{b.get(), a.get()}));
    EXPECT_EQ(replay.rows(), rowsOf(results));
}

TEST_F(LiveFetchRows, GoWithTheirContextAndRefuseABadRequest) {
    auto controller = openInMemory();
    ManagedObjectContext& context = controller->container().viewContext();
    insertPolicy(context, QStringLiteral("a"));
    FetchRequestBase unknownKey(QStringLiteral("Policy"));
    unknownKey.setSortDescriptors({{QStringLiteral("nothing")}});
    LiveFetchResults bad(context, unknownKey);
    QString error;
    EXPECT_FALSE(bad.performFetch(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(bad.count(), 0);

    auto results = std::make_unique<LiveFetchResults>(context, Policy::fetchRequest());
    ASSERT_TRUE(results->performFetch());
    ReplayedList replay(*results);
    EXPECT_EQ(results->count(), 1);
    controller.reset();
    EXPECT_EQ(results->count(), 0);
    EXPECT_TRUE(replay.rows().empty());
}

// Another writer adds a row before a save: the new objects' rows get numbers other than the
// ones they were shown with, and the results stay what a fresh fetch finds, each object once,
// also after one of them is deleted and let go.
TEST_F(LiveFetchRows, StayAFreshFetchWhenAnotherWriterAddsRows) {
    const QString path = storePath();
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    insertPolicy(context, QStringLiteral("x"), kBase);
    ASSERT_TRUE(context.save());
    auto request = Policy::fetchRequest();
    request.setSortDescriptors({{QStringLiteral("expirationDate")}});
    LiveFetchResults results(context, request);
    ASSERT_TRUE(results.performFetch());
    ReplayedList replay(results);
    std::vector<std::shared_ptr<Policy>> added;
    for (const char* name : {"p1", "p2", "p3"}) {
        added.push_back(insertPolicy(context, QString::fromLatin1(name), kBase));
    }
    RawSqlite raw(path);
    ASSERT_TRUE(raw.exec("INSERT INTO Policy (id, name, policyNumber, provider, expirationDate, "
                         "renewalType, reminderDays, createdAt) VALUES "
                         "('0C0C0C0C-0000-4000-8000-000000000001', 'other', 'N', 'P', 0, "
                         "'yearly', 30, 0)"))
        << raw.error().toStdString();
    ASSERT_TRUE(context.save());
    EXPECT_EQ(results.count(), 4);
    EXPECT_EQ(rowsOf(results), refetched(context, request));
    EXPECT_EQ(replay.rows(), rowsOf(results));

    context.deleteObject(added[1].get());
    ASSERT_TRUE(context.save());
    added[1].reset();
    added[0]->setExpirationDate(Instant(kBase.msSinceEpoch() + kDayMs));
    added[2]->setNotes(QStringLiteral("n"));
    EXPECT_EQ(rowsOf(results), refetched(context, request));
    EXPECT_EQ(replay.rows(), rowsOf(results));
}

// List models come and go while they are told of a change (one closes itself, one closes
// another's view): each remaining listener hears each change once, a removed one never again.
TEST_F(LiveFetchRows, LetListenersLeaveWhileTheyAreTold) {
    auto controller = openInMemory();
    ManagedObjectContext& context = controller->container().viewContext();
    auto policy = insertPolicy(context, QStringLiteral("a"));
    LiveFetchResults results(context, Policy::fetchRequest());
    ASSERT_TRUE(results.performFetch());

    struct Counter final : LiveFetchResultsListener {
        int heard = 0;
        std::function<void()> whenTold;
        void willInsertRow(int) override {}
        void didInsertRow(int) override {}
        void willRemoveRow(int) override {}
        void didRemoveRow(int) override {}
        void willMoveRow(int, int) override {}
        void didMoveRow(int, int) override {}
        void didChangeRow(int) override {
            ++heard;
            if (whenTold) {
                whenTold();
            }
        }
        void willResetRows() override {}
        void didResetRows() override {}
    };
    Counter leaving;
    Counter closing;
    auto closed = std::make_unique<Counter>();
    Counter last;
    leaving.whenTold = [&] { results.removeListener(&leaving); };
    closing.whenTold = [&] {
        results.removeListener(closed.get());
        closed.reset();
    };
    for (Counter* listener : {&leaving, &closing, closed.get(), &last}) {
        results.addListener(listener);
    }
    policy->setNotes(QStringLiteral("one"));
    policy->setNotes(QStringLiteral("two"));
    EXPECT_EQ(leaving.heard, 1);
    EXPECT_EQ(closing.heard, 2);
    EXPECT_EQ(last.heard, 2);
}

// Enough rows that the results keep them in many pieces: rows crowding into one place,
// leaving it, and moving across the whole list keep the results as a fresh fetch finds them.
TEST_F(LiveFetchRows, StayInOrderAcrossManyRows) {
    auto controller = openInMemory();
    ManagedObjectContext& context = controller->container().viewContext();
    std::mt19937 random(5);
    auto someDay = [&] { return Instant(kBase.msSinceEpoch() + qint64(random() % 40) * kDayMs); };
    std::vector<std::shared_ptr<Policy>> policies;
    for (int i = 0; i < 1200; ++i) {
        policies.push_back(insertPolicy(context, QStringLiteral("p%1").arg(i), someDay()));
    }
    ASSERT_TRUE(context.save());
    auto request = Policy::fetchRequest();
    request.setSortDescriptors({{QStringLiteral("expirationDate")}});
    LiveFetchResults results(context, request);
    ASSERT_TRUE(results.performFetch());
    ReplayedList replay(results);
    // Many rows into one place, so that its piece of the list grows and splits.
    for (int i = 0; i < 700; ++i) {
        policies.push_back(insertPolicy(context, QStringLiteral("k%1").arg(i), kBase));
    }
    ASSERT_EQ(rowsOf(results), refetched(context, request));
    ASSERT_EQ(replay.rows(), rowsOf(results));

    for (int step = 0; step < 400; ++step) {
        const int choice = int(random() % 10);
        auto& policy = policies[random() % policies.size()];
        if (choice < 3) {
            policies.push_back(insertPolicy(context, QStringLiteral("n%1").arg(step), kBase));
        } else if (choice < 5 && !policy->isDeleted()) {
            context.deleteObject(policy.get());
        } else if (!policy->isDeleted()) {
            policy->setExpirationDate(choice < 8 ? someDay() : kBase);
        }
        if (step % 50 == 0) {
            ASSERT_TRUE(context.save());
        }
        ASSERT_EQ(rowsOf(results), refetched(context, request)) << "step " << step;
        ASSERT_EQ(replay.rows(), rowsOf(results)) << "step " << step;
        const int probe = int(random() % std::max(1, results.count()));
        if (results.count() > 0) {
            ASSERT_EQ(results.indexOf(results.objectAt(probe)), probe);
        }
    }
    EXPECT_GT(replay.moves(), 100);
}

using Rollback = StoreFixture;

// An editor that gives up, also after a save that failed: every insert, change and delete since
// the last save is undone, and the lists and observers hear each undoing as a change.
TEST_F(Rollback, BringsBackTheSavedStateAndEveryListFollows) {
    const QString path = storePath();
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto anna = context.insert<Contact>();
    anna->setLastName(QStringLiteral("Rossi"));
    auto a = insertPolicy(context, QStringLiteral("a"), kBase);
    auto b = insertPolicy(context, QStringLiteral("b"), Instant(kBase.msSinceEpoch() + kDayMs));
    auto c = insertPolicy(context, QStringLiteral("c"), Instant(kBase.msSinceEpoch() + 2 * kDayMs));
    a->setContact(anna);
    b->setContact(anna);
    c->setPdfData(QByteArray("old"));
    ASSERT_TRUE(context.save());
    auto request = Policy::fetchRequest();
    request.setSortDescriptors({{QStringLiteral("expirationDate")}});
    LiveFetchResults results(context, request);
    ASSERT_TRUE(results.performFetch());
    ReplayedList replay(results);
    const std::vector<ManagedObject*> saved = rowsOf(results);
    QStringList heard;
    ObjectObservation watch(anna, [&](const QStringList& names) { heard << names; });

    a->setExpirationDate(Instant(kBase.msSinceEpoch() + 5 * kDayMs));
    a->setNotes(QStringLiteral("n"));
    context.deleteObject(b.get());
    c->setPdfData(QByteArray("new"));
    auto bruno = context.insert<Contact>();
    c->setContact(bruno);
    auto d = insertPolicy(context, QStringLiteral("d"), kBase);
    d->setContact(anna);
    anna->setLastName(QStringLiteral("Bianchi"));
    auto incomplete = context.insert<Policy>();
    ASSERT_FALSE(context.save());
    heard.clear();

    context.rollback();
    EXPECT_FALSE(context.hasChanges());
    EXPECT_EQ(rowsOf(results), saved);
    EXPECT_EQ(refetched(context, request), saved);
    EXPECT_EQ(replay.rows(), saved);
    EXPECT_EQ(a->expirationDate(), kBase);
    EXPECT_EQ(a->notes(), std::nullopt);
    EXPECT_FALSE(b->isDeleted());
    EXPECT_EQ(anna->policiesArray(), (std::vector{a, b}));
    EXPECT_EQ(anna->lastName(), u"Rossi");
    EXPECT_EQ(c->pdfData(), std::optional(QByteArray("old")));
    EXPECT_EQ(c->contact(), nullptr);
    EXPECT_TRUE(d->isDeleted() && incomplete->isDeleted() && bruno->isDeleted());
    EXPECT_EQ(context.fetch(Contact::fetchRequest()), std::vector{anna});
    EXPECT_TRUE(heard.contains(QStringLiteral("lastName")));
    EXPECT_TRUE(heard.contains(QStringLiteral("policies")));

    // The context goes on from the saved state; the file never saw what was undone.
    a->setNotes(QStringLiteral("after"));
    ASSERT_TRUE(context.save());
    auto reopened = open(path);
    auto policies = reopened->container().viewContext().fetch(request);
    ASSERT_EQ(policies.size(), 3u);
    EXPECT_EQ(policies[0]->notes(), QStringLiteral("after"));
    EXPECT_EQ(policies[1]->contact()->lastName(), u"Rossi");
    EXPECT_EQ(policies[2]->pdfData(), std::optional(QByteArray("old")));
    EXPECT_EQ(reopened->container().viewContext().fetch(Contact::fetchRequest()).size(), 1u);
}
