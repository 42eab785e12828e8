#include "support/StoreFixture.h"

#include "store/ManagedObjectModel.h"

using TimeHelpers::utc;

namespace {

struct AttributeRow {
    const char* entity;
    const char* name;
    AttributeType type;
    bool optional;
    Value defaultValue;
};

// The model as the entities' tables give it, in declaration order.
const std::vector<AttributeRow>& expectedAttributes() {
    using T = AttributeType;
    const QString yearly = QStringLiteral("yearly");
    static const std::vector<AttributeRow> rows = {
        {"Event", "id", T::Uuid, false, {}},
        {"Event", "title", T::String, false, {}},
        {"Event", "startDate", T::Date, false, {}},
        {"Event", "endDate", T::Date, false, {}},
        {"Event", "isAllDay", T::Boolean, false, false},
        {"Event", "location", T::String, true, {}},
        {"Event", "notes", T::String, true, {}},
        {"Event", "recurrenceRule", T::String, true, {}},
        {"Event", "reminderMinutes", T::Integer32, false, qint64(15)},
        {"Event", "createdAt", T::Date, false, {}},
        {"Task", "id", T::Uuid, false, {}},
        {"Task", "title", T::String, false, {}},
        {"Task", "dueDate", T::Date, true, {}},
        {"Task", "isCompleted", T::Boolean, false, false},
        {"Task", "priority", T::Integer32, false, qint64(1)},
        {"Task", "notes", T::String, true, {}},
        {"Task", "subtasks", T::String, true, {}},
        {"Task", "reminderDate", T::Date, true, {}},
        {"Task", "createdAt", T::Date, false, {}},
        {"Task", "completedAt", T::Date, true, {}},
        {"Policy", "id", T::Uuid, false, {}},
        {"Policy", "name", T::String, false, {}},
        {"Policy", "policyNumber", T::String, false, {}},
        {"Policy", "provider", T::String, false, {}},
        {"Policy", "expirationDate", T::Date, false, {}},
        {"Policy", "renewalType", T::String, false, yearly},
        {"Policy", "notes", T::String, true, {}},
        {"Policy", "reminderDays", T::Integer32, false, qint64(30)},
        {"Policy", "customReminderDays", T::String, true, QStringLiteral("30")},
        {"Policy", "createdAt", T::Date, false, {}},
        {"Policy", "lastNotified", T::Date, true, {}},
        {"Policy", "pdfData", T::Binary, true, {}},
        {"Policy", "pdfFileName", T::String, true, {}},
        {"Policy", "clientPhoneNumber", T::String, true, {}},
        {"Category", "id", T::Uuid, false, {}},
        {"Category", "name", T::String, false, {}},
        {"Category", "color", T::String, false, QStringLiteral("blue")},
        {"Category", "icon", T::String, true, {}},
        {"Category", "createdAt", T::Date, false, {}},
        {"Contact", "id", T::Uuid, false, {}},
        {"Contact", "firstName", T::String, false, {}},
        {"Contact", "lastName", T::String, false, {}},
        {"Contact", "email", T::String, true, {}},
        {"Contact", "phoneNumber", T::String, true, {}},
        {"Contact", "company", T::String, true, {}},
        {"Contact", "notes", T::String, true, {}},
        {"Contact", "createdAt", T::Date, false, {}},
    };
    return rows;
}

} // namespace

TEST(EntityModel, HoldsTheFiveEntitiesAsTabled) {
    const auto model = PersistenceController::createManagedObjectModel();
    QStringList names;
    for (const auto& entity : model->entities()) {
        names << entity->name();
        EXPECT_EQ(entity->managedObjectClassName(),
                  QStringLiteral("Quintaver_Scheduler.") + entity->name());
    }
    EXPECT_EQ(names, QStringList({"Event", "Task", "Policy", "Category", "Contact"}));
    EXPECT_EQ(
        names,
        QStringList({Event::fetchRequest().entityName(), Task::fetchRequest().entityName(),
                     Policy::fetchRequest().entityName(), Category::fetchRequest().entityName(),
                     Contact::fetchRequest().entityName()}));

    std::map<QString, int> next;
    for (const AttributeRow& row : expectedAttributes()) {
        const EntityDescription* entity = model->entity(QString::fromLatin1(row.entity));
        ASSERT_NE(entity, nullptr);
        const int index = next[entity->name()]++;
        ASSERT_LT(size_t(index), entity->attributes().size());
        const AttributeDescription& attribute = *entity->attributes()[size_t(index)];
        SCOPED_TRACE(QStringLiteral("%1.%2").arg(entity->name(), attribute.name()).toStdString());
        EXPECT_EQ(attribute.name(), QLatin1StringView(row.name));
        EXPECT_EQ(attribute.attributeType(), row.type);
        EXPECT_EQ(attribute.isOptional(), row.optional);
        EXPECT_TRUE(attribute.defaultValue() == row.defaultValue);
    }
    for (const auto& entity : model->entities()) {
        EXPECT_EQ(size_t(next[entity->name()]), entity->attributes().size())
            << entity->name().toStdString();
    }
    // The accessors' numbers name the same attributes.
    const EntityDescription& policy = *model->entity(QStringLiteral("Policy"));
    EXPECT_EQ(policy.attributes()[Policy::kPdfData]->name(), u"pdfData");
    EXPECT_EQ(policy.attributes()[Policy::kClientPhoneNumber]->name(), u"clientPhoneNumber");
    EXPECT_EQ(policy.relationships()[Policy::kContact]->name(), u"contact");
    EXPECT_EQ(model->entity(QStringLiteral("Task"))->attributes()[Task::kCompletedAt]->name(),
              u"completedAt");
    EXPECT_EQ(model->entity(QStringLiteral("Event"))->attributes()[Event::kCreatedAt]->name(),
              u"createdAt");
    EXPECT_EQ(model->entity(QStringLiteral("Contact"))->attributes()[Contact::kCreatedAt]->name(),
              u"createdAt");
    EXPECT_EQ(
        model->entity(QStringLiteral("Category"))->relationships()[Category::kPolicies]->name(),
        u"policies");
}

TEST(EntityModel, PairsEveryRelationshipWithItsInverse) {
    const auto model = PersistenceController::createManagedObjectModel();
    struct Row {
        const char* entity;
        const char* name;
        const char* destination;
        bool toMany;
        const char* inverse;
    };
    const Row rows[] = {
        {"Event", "category", "Category", false, "events"},
        {"Task", "category", "Category", false, "tasks"},
        {"Policy", "category", "Category", false, "policies"},
        {"Policy", "contact", "Contact", false, "policies"},
        {"Category", "events", "Event", true, "category"},
        {"Category", "tasks", "Task", true, "category"},
        {"Category", "policies", "Policy", true, "category"},
        {"Contact", "policies", "Policy", true, "contact"},
    };
    for (const Row& row : rows) {
        const EntityDescription& entity = *model->entity(QString::fromLatin1(row.entity));
        const int index = entity.relationshipIndex(QString::fromLatin1(row.name));
        ASSERT_GE(index, 0) << row.entity << "." << row.name;
        const RelationshipDescription& relationship = *entity.relationships()[size_t(index)];
        EXPECT_EQ(relationship.destinationEntity()->name(), QLatin1StringView(row.destination));
        EXPECT_EQ(relationship.minCount(), 0);
        EXPECT_EQ(relationship.maxCount(), row.toMany ? 0 : 1);
        EXPECT_EQ(relationship.deleteRule(), DeleteRule::Nullify);
        ASSERT_NE(relationship.inverseRelationship(), nullptr);
        EXPECT_EQ(relationship.inverseRelationship()->name(), QLatin1StringView(row.inverse));
        EXPECT_EQ(relationship.inverseRelationship()->inverseRelationship(), &relationship);
    }
    EXPECT_NE(PersistenceController::createManagedObjectModel(), model) << "a new model per call";
}

// No entity offers a way to change its id.
template <typename T>
concept SettableId = requires(T& object) {
    object.setId(QUuid());
};
static_assert(!SettableId<Policy> && !SettableId<Contact> && !SettableId<Event> &&
              !SettableId<Task> && !SettableId<Category>);

using Entities = StoreFixture;

TEST_F(Entities, InsertDefaultsAreSetBeforeTheFirstWrite) {
    auto controller = openInMemory();
    ManagedObjectContext& context = controller->container().viewContext();
    auto policy = context.insert<Policy>();
    auto other = context.insert<Policy>();
    EXPECT_FALSE(policy->id().isNull());
    EXPECT_NE(policy->id(), other->id());
    // An id is set at insertion and never changed, not even through access by name.
    const QUuid id = policy->id();
    EXPECT_FALSE(policy->setValue(QStringLiteral("id"), QUuid::createUuid()));
    EXPECT_FALSE(policy->setValue(QStringLiteral("id"), Value()));
    EXPECT_EQ(policy->id(), id);
    EXPECT_EQ(policy->createdAt(), m_clock.now());
    EXPECT_EQ(policy->renewalType(), u"yearly");
    EXPECT_EQ(policy->reminderDays(), 30);
    EXPECT_EQ(policy->customReminderDays(), QStringLiteral("30"));
    EXPECT_EQ(policy->reminderDaysArray(), std::vector<qint64>{30});
    EXPECT_EQ(policy->contact(), nullptr);
    EXPECT_EQ(policy->category(), nullptr);
    EXPECT_EQ(policy->pdfData(), std::nullopt);
    EXPECT_EQ(policy->notes(), std::nullopt);

    auto event = context.insert<Event>();
    EXPECT_FALSE(event->isAllDay());
    EXPECT_EQ(event->reminderMinutes(), 15);
    auto task = context.insert<Task>();
    EXPECT_FALSE(task->isCompleted());
    EXPECT_EQ(task->priority(), 1);
    EXPECT_EQ(task->dueDate(), std::nullopt);
    auto category = context.insert<Category>();
    EXPECT_EQ(category->color(), u"blue");

    // A contact whose names were left empty saves as it is: an empty text is a value.
    auto contact = context.insert<Contact>();
    EXPECT_TRUE(contact->hasValue(Contact::kFirstName));
    EXPECT_EQ(contact->firstName(), u"");
    EXPECT_EQ(contact->fullName(), u"");
    context.deleteObject(policy.get());
    context.deleteObject(other.get());
    context.deleteObject(event.get());
    context.deleteObject(task.get());
    context.deleteObject(category.get());
    QString error;
    EXPECT_TRUE(context.save(&error)) << error.toStdString();
    EXPECT_EQ(context.fetch(Contact::fetchRequest()).size(), 1u);
    EXPECT_EQ(contact->createdAt(), m_clock.now());
}

TEST_F(Entities, ASaveMissingARequiredValueNamesItAndWritesNothing) {
    const QString path = storePath();
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        auto contact = context.insert<Contact>();
        contact->setLastName(QStringLiteral("Bianchi"));
        auto policy = context.insert<Policy>();
        QString error;
        EXPECT_FALSE(context.save(&error));
        for (const char* name : {"name", "policyNumber", "provider", "expirationDate"}) {
            EXPECT_TRUE(error.contains(QStringLiteral("Policy.%1").arg(QLatin1StringView(name))))
                << error.toStdString();
        }
        // Everything pending stays pending, for the caller to mend or undo.
        EXPECT_TRUE(context.hasChanges());
        EXPECT_EQ(context.fetch(Policy::fetchRequest()).size(), 1u);
        EXPECT_EQ(context.fetch(Contact::fetchRequest()).size(), 1u);
        // Nothing of the failed save reached the file: another controller finds nothing.
        EXPECT_TRUE(open(path)->container().viewContext().fetch(Contact::fetchRequest()).empty());

        policy->setName(QStringLiteral("Casa"));
        policy->setPolicyNumber(QString());
        policy->setProvider(QStringLiteral("Allianz"));
        EXPECT_FALSE(context.save(&error));
        EXPECT_EQ(error, u"Validation failed: Policy.expirationDate is required");
        policy->setExpirationDate(utc("2027-01-31T10:00:00Z"));
        EXPECT_TRUE(context.save(&error)) << error.toStdString();
        EXPECT_FALSE(context.hasChanges());
    }
    auto reopened = open(path);
    const auto policies = reopened->container().viewContext().fetch(Policy::fetchRequest());
    ASSERT_EQ(policies.size(), 1u);
    EXPECT_EQ(policies[0]->policyNumber(), u"");
    EXPECT_EQ(reopened->container().viewContext().fetch(Contact::fetchRequest()).size(), 1u);
}

TEST_F(Entities, RelationshipsKeepBothSidesInStepAndDeletesNullify) {
    const QString path = storePath();
    {
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        auto anna = context.insert<Contact>();
        auto bruno = context.insert<Contact>();
        auto home = context.insert<Category>();
        home->setName(QStringLiteral("Casa"));
        auto car = insertPolicy(context, QStringLiteral("Auto"), utc("2027-03-01T00:00:00Z"));
        auto house = insertPolicy(context, QStringLiteral("Casa"), utc("2027-01-01T00:00:00Z"));
        auto life = insertPolicy(context, QStringLiteral("Vita"), utc("2027-02-01T00:00:00Z"));

        car->setContact(anna);
        EXPECT_EQ(anna->policies(), std::vector{car});
        car->setContact(bruno); // moves
        EXPECT_TRUE(anna->policies().empty());
        EXPECT_EQ(bruno->policies(), std::vector{car});
        car->setContact(nullptr); // clears
        EXPECT_TRUE(bruno->policies().empty());

        for (const auto& policy : {car, house, life}) {
            EXPECT_TRUE(anna->addMember(QStringLiteral("policies"), policy.get()));
            policy->setCategory(home);
        }
        EXPECT_EQ(car->contact(), anna);
        // Ordered by expiry: January, February, March.
        EXPECT_EQ(anna->policiesArray(), (std::vector{house, life, car}));
        auto event = context.insert<Event>();
        event->setCategory(home);
        EXPECT_EQ(home->events(), std::vector{event});
        context.deleteObject(event.get());
        EXPECT_TRUE(home->events().empty());
        ASSERT_TRUE(context.save());
        {
            // Another controller finds the links, with one object per row.
            auto reloaded = open(path);
            ManagedObjectContext& other = reloaded->container().viewContext();
            auto again = std::dynamic_pointer_cast<Policy>(
                other.existingObject(QStringLiteral("Policy"), car->id()));
            ASSERT_NE(again, nullptr);
            ASSERT_NE(again->contact(), nullptr);
            EXPECT_EQ(again->contact()->policiesArray().size(), 3u);
            EXPECT_EQ(again->category()->policies().size(), 3u);
            EXPECT_TRUE(again->contact()->policiesArray()[2] == again);
        }

        // Deleting a policy takes it out of its contact's and category's sets.
        context.deleteObject(life.get());
        EXPECT_EQ(anna->policiesArray(), (std::vector{house, car}));
        EXPECT_EQ(home->policies(), (std::vector{car, house}));
        // Deleting the contact leaves its policies, with no contact, at once and after a save.
        context.deleteObject(anna.get());
        EXPECT_EQ(car->contact(), nullptr);
        EXPECT_EQ(house->contact(), nullptr);
        context.deleteObject(home.get());
        EXPECT_EQ(car->category(), nullptr);
        ASSERT_TRUE(context.save());
    }
    auto reopened = open(path);
    ManagedObjectContext& context = reopened->container().viewContext();
    const auto policies = context.fetch(Policy::fetchRequest());
    ASSERT_EQ(policies.size(), 2u);
    for (const auto& policy : policies) {
        EXPECT_EQ(policy->contact(), nullptr);
        EXPECT_EQ(policy->category(), nullptr);
    }
    EXPECT_EQ(context.fetch(Contact::fetchRequest()).size(), 1u);
    EXPECT_TRUE(context.fetch(Category::fetchRequest()).empty());
}

TEST_F(Entities, AHandleToADeletedObjectNeverDangles) {
    std::shared_ptr<Policy> held;
    std::shared_ptr<Contact> contact;
    {
        auto controller = openInMemory();
        ManagedObjectContext& context = controller->container().viewContext();
        contact = context.insert<Contact>();
        held = insertPolicy(context, QStringLiteral("Casa"));
        held->setContact(contact);
        ASSERT_TRUE(context.save());

        context.deleteObject(held.get());
        EXPECT_TRUE(held->isDeleted());
        EXPECT_EQ(held->name(), u"Casa"); // still readable
        held->setName(QStringLiteral("changed"));
        EXPECT_EQ(held->name(), u"Casa"); // writes are refused
        EXPECT_FALSE(held->setValue(QStringLiteral("notes"), QStringLiteral("x")));
        held->setContact(contact);
        EXPECT_EQ(held->contact(), nullptr);
        EXPECT_TRUE(contact->policies().empty());
        EXPECT_TRUE(context.fetch(Policy::fetchRequest()).empty());
        ASSERT_TRUE(context.save());
        EXPECT_EQ(held->managedObjectContext(), nullptr);
        EXPECT_TRUE(held->isDeleted());
        context.deleteObject(held.get()); // a second delete is harmless
    }
    // The controller is gone; the handles still answer.
    EXPECT_TRUE(contact->isDeleted());
    EXPECT_TRUE(contact->policies().empty());
    EXPECT_EQ(held->name(), u"Casa");
    (void)held->daysUntilExpiration();
}

TEST_F(Entities, ComputedMembersReadTheContextClock) {
    auto controller = openInMemory();
    ManagedObjectContext& context = controller->container().viewContext();
    // Rome, 10 March 2026 10:30.
    auto policy = insertPolicy(context, QStringLiteral("Casa"), utc("2026-03-20T09:00:00Z"));
    EXPECT_EQ(policy->daysUntilExpiration(), 9);
    EXPECT_FALSE(policy->isExpired());
    EXPECT_TRUE(policy->isExpiringSoon());
    policy->setCustomReminderDays(QStringLiteral("7, 3"));
    EXPECT_EQ(policy->reminderDaysArray(), (std::vector<qint64>{7, 3}));
    EXPECT_FALSE(policy->isExpiringSoon()); // 9 days, horizon 7
    m_clock.advanceTo(utc("2026-03-21T09:00:00Z"));
    EXPECT_EQ(policy->daysUntilExpiration(), -1);
    EXPECT_TRUE(policy->isExpired());

    policy->setExpirationDate(utc("2027-01-31T09:00:00Z"));
    policy->setRenewalType(QStringLiteral("monthly"));
    EXPECT_EQ(policy->calculateNextRenewalDate(), utc("2027-02-28T09:00:00Z"));
    policy->setRenewalType(QStringLiteral("Monthly"));
    EXPECT_EQ(policy->calculateNextRenewalDate(), utc("2028-01-31T09:00:00Z"));

    auto contact = context.insert<Contact>();
    contact->setFirstName(QStringLiteral(" Anna"));
    contact->setLastName(QStringLiteral("Bianchi "));
    EXPECT_EQ(contact->fullName(), u"Anna Bianchi");
    EXPECT_TRUE(contact->policiesArray().empty());
}
