#include "support/RawSqlite.h"
#include "support/StoreFixture.h"

#include "store/ManagedObjectModel.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <sys/stat.h>

using TimeHelpers::utc;

namespace {

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

using StoreFile = StoreFixture;

TEST_F(StoreFile, LivesPrivatelyInTheUserDataFolderOrNowhere) {
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const QString oldName = QCoreApplication::applicationName();
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    QCoreApplication::setApplicationName(QStringLiteral("quintaver-scheduler"));
    const QString folder = m_dir.filePath(QStringLiteral("data/quintaver-scheduler"));
    {
        // In memory: each store starts empty and nothing reaches the disk.
        auto first = openInMemory();
        ManagedObjectContext& context = first->container().viewContext();
        insertPolicy(context, QStringLiteral("Casa"));
        ASSERT_TRUE(context.save());
        EXPECT_EQ(context.fetch(Policy::fetchRequest()).size(), 1u);
        EXPECT_TRUE(
            openInMemory()->container().viewContext().fetch(Policy::fetchRequest()).empty());
    }
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    {
        PersistenceController controller(false, m_clock, *m_log);
        ManagedObjectContext& context = controller.container().viewContext();
        insertPolicy(context, QStringLiteral("Casa"));
        ASSERT_TRUE(context.save());
        EXPECT_EQ(controller.container().persistentStoreDescriptions().front().url,
                  folder + QStringLiteral("/QuintaverModel.sqlite"));
        EXPECT_EQ(modeOf(folder), 0700);
        EXPECT_EQ(modeOf(m_dir.filePath(QStringLiteral("data"))), 0700);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            EXPECT_EQ(modeOf(folder + QStringLiteral("/QuintaverModel.sqlite") +
                             QLatin1StringView(suffix)),
                      0600)
                << suffix;
        }
    }
    // The next start finds what the first one saved.
    PersistenceController again(false, m_clock, *m_log);
    EXPECT_EQ(again.container().viewContext().fetch(Policy::fetchRequest()).size(), 1u);
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join(u'\n').toStdString();
    qputenv("XDG_DATA_HOME", oldData);
    QCoreApplication::setApplicationName(oldName);
}

TEST_F(StoreFile, IsATableAColumnAndAnIndexPerModelEntry) {
    const QString path = storePath();
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto contact = context.insert<Contact>();
    auto policy = insertPolicy(context, QStringLiteral("Casa"), Instant(1'767'225'600'123));
    policy->setContact(contact);
    policy->setPdfData(QByteArray("%PDF"));
    auto event = context.insert<Event>();
    event->setTitle(QStringLiteral("e"));
    event->setStartDate(Instant(-1));
    event->setEndDate(Instant(0));
    event->setIsAllDay(true);
    ASSERT_TRUE(context.save());

    PersistentStore& store = *context.persistentStore();
    EXPECT_EQ(store.pragma(QStringLiteral("journal_mode")), u"wal");
    EXPECT_EQ(store.pragma(QStringLiteral("synchronous")), u"2"); // FULL
    EXPECT_EQ(store.pragma(QStringLiteral("foreign_keys")), u"1");

    RawSqlite raw(path, SQLITE_OPEN_READONLY);
    EXPECT_EQ(raw.value("PRAGMA application_id"), QString::number(PersistentStore::kApplicationId));
    EXPECT_EQ(raw.value("PRAGMA user_version"), u"1");
    EXPECT_EQ(raw.query("SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY rowid"),
              QStringList({"Event", "Task", "Policy", "Category", "Contact"}));
    // name|type|notnull|pk, in column order: the document last, the links before it.
    EXPECT_EQ(
        raw.query("SELECT name, type, \"notnull\", pk FROM pragma_table_info('Policy')"),
        QStringList({"id|TEXT|1|1", "name|TEXT|1|0", "policyNumber|TEXT|1|0", "provider|TEXT|1|0",
                     "expirationDate|INTEGER|1|0", "renewalType|TEXT|1|0", "notes|TEXT|0|0",
                     "reminderDays|INTEGER|1|0", "customReminderDays|TEXT|0|0",
                     "createdAt|INTEGER|1|0", "lastNotified|INTEGER|0|0", "pdfFileName|TEXT|0|0",
                     "clientPhoneNumber|TEXT|0|0", "category|TEXT|0|0", "contact|TEXT|0|0",
                     "pdfData|BLOB|0|0"}));
    EXPECT_EQ(raw.query("SELECT \"table\", \"from\", \"to\", on_delete FROM "
                        "pragma_foreign_key_list('Policy') ORDER BY \"from\""),
              QStringList({"Category|category|id|SET NULL", "Contact|contact|id|SET NULL"}));
    EXPECT_EQ(raw.query("SELECT name FROM sqlite_schema WHERE type = 'index' AND sql IS NOT NULL "
                        "ORDER BY name"),
              QStringList({"Contact_lastName_firstName", "Event_category", "Event_startDate",
                           "Policy_category", "Policy_contact", "Policy_expirationDate",
                           "Task_category", "Task_dueDate"}));
    // Values a person can read: upper-case UUIDs, milliseconds, 0/1, a blob.
    EXPECT_EQ(
        raw.value("SELECT id, expirationDate, contact, pdfData, typeof(createdAt) FROM Policy"),
        QStringList({uuidText(policy->id()), "1767225600123", uuidText(contact->id()),
                     "x'25504446'", "integer"})
            .join(u'|'));
    EXPECT_EQ(raw.value("SELECT startDate, isAllDay, reminderMinutes FROM Event"), u"-1|1|15");
}

TEST_F(StoreFile, KeepsEveryAttributeOfEveryEntityAbsentEmptyOrSet) {
    const QString path = storePath();
    const auto model = PersistenceController::createManagedObjectModel();
    // Three objects per entity: optional values absent, then empty (or the smallest), then
    // values a careless store would mangle.
    auto valueFor = [](const AttributeDescription& a, int variant) -> Value {
        if (variant == 0 && a.isOptional()) {
            return Value();
        }
        switch (a.attributeType()) {
        case AttributeType::String:
            return variant < 2
                       ? QString()
                       : QString::fromUtf8("Caf\xc3\xa9 \xf0\x9f\x8f\xa0 'x' \"y\"\n\t\\ NULL");
        case AttributeType::Date:
            return variant < 2 ? Instant(Instant::kMinMs) : Instant(Instant::kMaxMs);
        case AttributeType::Boolean:
            return variant == 2;
        case AttributeType::Integer32:
            return qint64(variant < 2 ? std::numeric_limits<qint32>::min()
                                      : std::numeric_limits<qint32>::max());
        case AttributeType::Binary:
            return variant < 2 ? QByteArray("") : QByteArray("\0\x01\xff%PDF", 7).repeated(10000);
        case AttributeType::Uuid:
            break;
        }
        return Value();
    };
    std::map<QUuid, std::vector<Value>> written;
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        for (const auto& entity : model->entities()) {
            for (int variant = 0; variant < 3; ++variant) {
                auto object = context.insertNewObject(entity->name());
                for (size_t i = 0; i < entity->attributes().size(); ++i) {
                    const AttributeDescription& a = *entity->attributes()[i];
                    if (a.attributeType() != AttributeType::Uuid) {
                        ASSERT_TRUE(object->setValue(a.name(), valueFor(a, variant)))
                            << a.name().toStdString();
                    }
                }
                std::vector<Value> values;
                for (const auto& a : entity->attributes()) {
                    values.push_back(object->value(a->name()));
                }
                written[std::get<QUuid>(object->value(QStringLiteral("id")))] = values;
            }
        }
        QString error;
        ASSERT_TRUE(context.save(&error)) << error.toStdString();
    }
    auto reopened = open(path);
    ManagedObjectContext& context = reopened->container().viewContext();
    size_t found = 0;
    for (const auto& entity : model->entities()) {
        for (const auto& object : context.execute(FetchRequestBase(entity->name()))) {
            const auto& values = written.at(std::get<QUuid>(object->value(QStringLiteral("id"))));
            for (size_t i = 0; i < entity->attributes().size(); ++i) {
                const QString& name = entity->attributes()[i]->name();
                EXPECT_TRUE(object->value(name) == values[i])
                    << entity->name().toStdString() << "." << name.toStdString();
                EXPECT_EQ(object->value(name).index(), values[i].index());
            }
            ++found;
        }
    }
    EXPECT_EQ(found, written.size());
    // An empty document is a document; an empty text is a text.
    auto request = Policy::fetchRequest();
    request.setPredicate(Predicate::format(QStringLiteral("notes == nil")));
    const auto absent = context.fetch(request);
    ASSERT_EQ(absent.size(), 1u);
    EXPECT_EQ(absent[0]->pdfData(), std::nullopt);
    request.setPredicate(Predicate::format(QStringLiteral("notes == ''")));
    const auto empty = context.fetch(request);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0]->pdfData(), std::optional(QByteArray()));
    EXPECT_EQ(empty[0]->notes(), std::optional(QString()));
}

TEST_F(StoreFile, AnotherWritersValueInAnotherColumnSurvivesASave) {
    const QString path = storePath();
    auto controller = open(path);
    ManagedObjectContext& context = controller->container().viewContext();
    auto policy = insertPolicy(context, QStringLiteral("Casa"));
    auto contact = context.insert<Contact>();
    ASSERT_TRUE(context.save());

    RawSqlite other(path);
    ASSERT_TRUE(other.exec("UPDATE Policy SET notes = 'from the other writer', "
                           "name = 'lost', contact = (SELECT id FROM Contact)"));
    policy->setName(QStringLiteral("Casa e Auto"));
    QString error;
    ASSERT_TRUE(context.save(&error)) << error.toStdString();
    EXPECT_EQ(other.value("SELECT name, notes, contact IS NOT NULL FROM Policy"),
              u"Casa e Auto|from the other writer|1");
    // The object takes the other writer's values for what this save did not write.
    EXPECT_EQ(policy->notes(), QStringLiteral("from the other writer"));
    EXPECT_EQ(policy->contact(), contact);
    EXPECT_EQ(contact->policies(), std::vector{policy});

    // A row the other writer deleted comes back whole: the context's object wins.
    ASSERT_TRUE(other.exec("DELETE FROM Policy"));
    policy->setProvider(QStringLiteral("Allianz"));
    ASSERT_TRUE(context.save(&error)) << error.toStdString();
    EXPECT_EQ(other.value("SELECT name, provider, notes FROM Policy"),
              u"Casa e Auto|Allianz|from the other writer");
}
