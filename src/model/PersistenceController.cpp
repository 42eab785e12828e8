#include "model/PersistenceController.h"

#include "model/Category.h"
#include "model/Contact.h"
#include "model/Event.h"
#include "model/Policy.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectModel.h"

#include <QDateTime>

namespace {

constexpr QLatin1StringView kClassPrefix("Quintaver_Scheduler.");

std::unique_ptr<AttributeDescription> attribute(const QString& name, AttributeType type,
                                                bool optional, const Value& defaultValue = {}) {
    auto description = std::make_unique<AttributeDescription>();
    description->setName(name);
    description->setAttributeType(type);
    description->setOptional(optional);
    if (!ValueOrder::isAbsent(defaultValue)) {
        description->setDefaultValue(defaultValue);
    }
    return description;
}

std::unique_ptr<RelationshipDescription>
relationship(const QString& name, const EntityDescription* destination, bool toMany) {
    auto description = std::make_unique<RelationshipDescription>();
    description->setName(name);
    description->setDestinationEntity(destination);
    description->setMinCount(0);
    description->setMaxCount(toMany ? 0 : 1); // 0: unbounded
    description->setDeleteRule(DeleteRule::Nullify);
    return description;
}

void pair(RelationshipDescription& one, RelationshipDescription& other) {
    one.setInverseRelationship(&other);
    other.setInverseRelationship(&one);
}

template <typename T> std::unique_ptr<EntityDescription> entity() {
    auto description = std::make_unique<EntityDescription>();
    description->setName(T::entityName());
    description->setManagedObjectClassName(kClassPrefix + T::entityName());
    description->setObjectFactory([](const EntityDescription& e) -> std::shared_ptr<ManagedObject> {
        return std::make_shared<T>(e);
    });
    return description;
}

// The machine's time for the shared controller. It only reads the time (new objects' creation
// instant, the entities' "now"); unlike SystemClock it owns no timers, so it may be made on
// whichever thread first asks for the shared controller.
class MachineTime final : public Clock {
public:
    Instant now() const override { return Instant(QDateTime::currentMSecsSinceEpoch()); }
    QTimeZone timeZone() const override { return QTimeZone::systemTimeZone(); }
    QLocale locale() const override { return QLocale::system(); }
};

constexpr bool kOptional = true;
constexpr bool kRequired = false;

} // namespace

std::shared_ptr<ManagedObjectModel> PersistenceController::createManagedObjectModel() {
    using T = AttributeType;
    auto event = entity<Event>();
    auto task = entity<Task>();
    auto policy = entity<Policy>();
    auto category = entity<Category>();
    auto contact = entity<Contact>();

    std::vector<EntityDescription::Property> eventProperties;
    eventProperties.push_back(attribute(QStringLiteral("id"), T::Uuid, kRequired));
    eventProperties.push_back(attribute(QStringLiteral("title"), T::String, kRequired));
    eventProperties.push_back(attribute(QStringLiteral("startDate"), T::Date, kRequired));
    eventProperties.push_back(attribute(QStringLiteral("endDate"), T::Date, kRequired));
    eventProperties.push_back(attribute(QStringLiteral("isAllDay"), T::Boolean, kRequired, false));
    eventProperties.push_back(attribute(QStringLiteral("location"), T::String, kOptional));
    eventProperties.push_back(attribute(QStringLiteral("notes"), T::String, kOptional));
    eventProperties.push_back(attribute(QStringLiteral("recurrenceRule"), T::String, kOptional));
    eventProperties.push_back(
        attribute(QStringLiteral("reminderMinutes"), T::Integer32, kRequired, qint64(15)));
    eventProperties.push_back(attribute(QStringLiteral("createdAt"), T::Date, kRequired));

    std::vector<EntityDescription::Property> taskProperties;
    taskProperties.push_back(attribute(QStringLiteral("id"), T::Uuid, kRequired));
    taskProperties.push_back(attribute(QStringLiteral("title"), T::String, kRequired));
    taskProperties.push_back(attribute(QStringLiteral("dueDate"), T::Date, kOptional));
    taskProperties.push_back(
        attribute(QStringLiteral("isCompleted"), T::Boolean, kRequired, false));
    taskProperties.push_back(
        attribute(QStringLiteral("priority"), T::Integer32, kRequired, qint64(1)));
    taskProperties.push_back(attribute(QStringLiteral("notes"), T::String, kOptional));
    taskProperties.push_back(attribute(QStringLiteral("subtasks"), T::String, kOptional));
    taskProperties.push_back(attribute(QStringLiteral("reminderDate"), T::Date, kOptional));
    taskProperties.push_back(attribute(QStringLiteral("createdAt"), T::Date, kRequired));
    taskProperties.push_back(attribute(QStringLiteral("completedAt"), T::Date, kOptional));

    std::vector<EntityDescription::Property> policyProperties;
    policyProperties.push_back(attribute(QStringLiteral("id"), T::Uuid, kRequired));
    policyProperties.push_back(attribute(QStringLiteral("name"), T::String, kRequired));
    policyProperties.push_back(attribute(QStringLiteral("policyNumber"), T::String, kRequired));
    policyProperties.push_back(attribute(QStringLiteral("provider"), T::String, kRequired));
    policyProperties.push_back(attribute(QStringLiteral("expirationDate"), T::Date, kRequired));
    policyProperties.push_back(attribute(QStringLiteral("renewalType"), T::String, kRequired,
                                         Policy::defaultRenewalType()));
    policyProperties.push_back(attribute(QStringLiteral("notes"), T::String, kOptional));
    policyProperties.push_back(attribute(QStringLiteral("reminderDays"), T::Integer32, kRequired,
                                         qint64(Policy::kDefaultReminderDays)));
    policyProperties.push_back(attribute(QStringLiteral("customReminderDays"), T::String, kOptional,
                                         Policy::defaultCustomReminderDays()));
    policyProperties.push_back(attribute(QStringLiteral("createdAt"), T::Date, kRequired));
    policyProperties.push_back(attribute(QStringLiteral("lastNotified"), T::Date, kOptional));
    policyProperties.push_back(attribute(QStringLiteral("pdfData"), T::Binary, kOptional));
    policyProperties.push_back(attribute(QStringLiteral("pdfFileName"), T::String, kOptional));
    policyProperties.push_back(
        attribute(QStringLiteral("clientPhoneNumber"), T::String, kOptional));

    std::vector<EntityDescription::Property> categoryProperties;
    categoryProperties.push_back(attribute(QStringLiteral("id"), T::Uuid, kRequired));
    categoryProperties.push_back(attribute(QStringLiteral("name"), T::String, kRequired));
    categoryProperties.push_back(
        attribute(QStringLiteral("color"), T::String, kRequired, QStringLiteral("blue")));
    categoryProperties.push_back(attribute(QStringLiteral("icon"), T::String, kOptional));
    categoryProperties.push_back(attribute(QStringLiteral("createdAt"), T::Date, kRequired));

    std::vector<EntityDescription::Property> contactProperties;
    contactProperties.push_back(attribute(QStringLiteral("id"), T::Uuid, kRequired));
    contactProperties.push_back(attribute(QStringLiteral("firstName"), T::String, kRequired));
    contactProperties.push_back(attribute(QStringLiteral("lastName"), T::String, kRequired));
    contactProperties.push_back(attribute(QStringLiteral("email"), T::String, kOptional));
    contactProperties.push_back(attribute(QStringLiteral("phoneNumber"), T::String, kOptional));
    contactProperties.push_back(attribute(QStringLiteral("company"), T::String, kOptional));
    contactProperties.push_back(attribute(QStringLiteral("notes"), T::String, kOptional));
    contactProperties.push_back(attribute(QStringLiteral("createdAt"), T::Date, kRequired));

    auto eventCategory = relationship(QStringLiteral("category"), category.get(), false);
    auto taskCategory = relationship(QStringLiteral("category"), category.get(), false);
    auto policyCategory = relationship(QStringLiteral("category"), category.get(), false);
    auto categoryEvents = relationship(QStringLiteral("events"), event.get(), true);
    auto categoryTasks = relationship(QStringLiteral("tasks"), task.get(), true);
    auto categoryPolicies = relationship(QStringLiteral("policies"), policy.get(), true);
    auto policyContact = relationship(QStringLiteral("contact"), contact.get(), false);
    auto contactPolicies = relationship(QStringLiteral("policies"), policy.get(), true);

    pair(*eventCategory, *categoryEvents);
    pair(*taskCategory, *categoryTasks);
    pair(*policyCategory, *categoryPolicies);
    pair(*policyContact, *contactPolicies);

    eventProperties.push_back(std::move(eventCategory));
    taskProperties.push_back(std::move(taskCategory));
    policyProperties.push_back(std::move(policyCategory));
    policyProperties.push_back(std::move(policyContact));
    categoryProperties.push_back(std::move(categoryEvents));
    categoryProperties.push_back(std::move(categoryTasks));
    categoryProperties.push_back(std::move(categoryPolicies));
    contactProperties.push_back(std::move(contactPolicies));

    event->setProperties(std::move(eventProperties));
    task->setProperties(std::move(taskProperties));
    policy->setProperties(std::move(policyProperties));
    category->setProperties(std::move(categoryProperties));
    contact->setProperties(std::move(contactProperties));

    // The sort keys of the lists and the popover, which the store keeps indexes for.
    event->setFetchIndexes({{QStringLiteral("startDate")}});
    task->setFetchIndexes({{QStringLiteral("dueDate")}});
    policy->setFetchIndexes({{QStringLiteral("expirationDate")}});
    contact->setFetchIndexes({{QStringLiteral("lastName"), QStringLiteral("firstName")}});

    auto model = std::make_shared<ManagedObjectModel>();
    std::vector<std::unique_ptr<EntityDescription>> entities;
    entities.push_back(std::move(event));
    entities.push_back(std::move(task));
    entities.push_back(std::move(policy));
    entities.push_back(std::move(category));
    entities.push_back(std::move(contact));
    model->setEntities(std::move(entities));
    return model;
}

PersistenceController& PersistenceController::shared() {
    // Never destroyed: it lives until the process ends, and nothing is torn down at exit.
    static PersistenceController* const instance =
        new PersistenceController(false, *new MachineTime, LogChannel::standardOutput());
    return *instance;
}

PersistenceController::PersistenceController(bool inMemory, const Clock& clock, LogChannel& log)
    : m_container(std::make_unique<PersistentContainer>(QString::fromLatin1(kContainerName),
                                                        createManagedObjectModel(), clock))
    , m_log(log) {
    load(inMemory ? std::optional<QString>(QStringLiteral("/dev/null")) : std::nullopt);
}

PersistenceController::PersistenceController(const QString& storeLocation, const Clock& clock,
                                             LogChannel& log)
    : m_container(std::make_unique<PersistentContainer>(QString::fromLatin1(kContainerName),
                                                        createManagedObjectModel(), clock))
    , m_log(log) {
    load(storeLocation);
}

void PersistenceController::load(const std::optional<QString>& location) {
    std::vector<PersistentStoreDescription>& descriptions =
        m_container->persistentStoreDescriptions();
    if (location && !descriptions.empty()) {
        descriptions.front().url = *location;
    }
    m_container->viewContext().setReportHandler([this](const QString& line) {
        ++m_rowReports;
        if (m_rowReports <= kMaxRowReports) {
            m_log.write(QStringLiteral("Unexpected row in persistent store: "), line);
        } else if (m_rowReports == kMaxRowReports + 1) {
            m_log.write(QStringLiteral("Unexpected row in persistent store: "),
                        QStringLiteral("more rows like these are not listed"));
        }
    });
    m_container->loadPersistentStores(
        [this](const PersistentStoreDescription&, const std::optional<QString>& error) {
            opened(error);
        });
}

void PersistenceController::opened(const std::optional<QString>& error) {
    m_problem = error;
    if (error) {
        m_log.write(QStringLiteral("Error loading persistent stores: "), *error);
    }
}

QString PersistenceController::storeFile() const {
    const std::vector<PersistentStoreDescription>& descriptions =
        m_container->persistentStoreDescriptions();
    if (descriptions.empty() || descriptions.front().url == u"/dev/null") {
        return {};
    }
    return descriptions.front().url;
}

void PersistenceController::close() {
    m_container->closePersistentStores();
}

bool PersistenceController::reopen() {
    m_rowReports = 0;
    m_container->reloadPersistentStores(
        [this](const PersistentStoreDescription&, const std::optional<QString>& error) {
            opened(error);
        });
    return !m_problem;
}
