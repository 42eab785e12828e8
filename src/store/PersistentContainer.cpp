#include "store/PersistentContainer.h"

#include <QDir>
#include <QStandardPaths>

PersistentContainer::PersistentContainer(QString name,
                                         std::shared_ptr<const ManagedObjectModel> model,
                                         const Clock& clock)
    : m_name(std::move(name))
    , m_model(std::move(model))
    , m_descriptions{{QDir(defaultDirectory()).filePath(m_name + QStringLiteral(".sqlite"))}}
    , m_viewContext(m_model, clock) {}

QString PersistentContainer::defaultDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

void PersistentContainer::loadPersistentStores(
    const std::function<void(const PersistentStoreDescription&, std::optional<QString>)>&
        completion) {
    openStores(completion, false);
}

void PersistentContainer::closePersistentStores() {
    m_viewContext.closeStore();
}

void PersistentContainer::reloadPersistentStores(
    const std::function<void(const PersistentStoreDescription&, std::optional<QString>)>&
        completion) {
    openStores(completion, true);
}

void PersistentContainer::openStores(const std::function<void(const PersistentStoreDescription&,
                                                              std::optional<QString>)>& completion,
                                     bool reload) {
    bool attached = false;
    for (const PersistentStoreDescription& description : m_descriptions) {
        const bool inMemory = description.url == u"/dev/null";
        PersistentStore::Loaded loaded;
        QString error;
        std::unique_ptr<PersistentStore> store;
        if (!inMemory && description.url.isEmpty()) {
            error = QStringLiteral("The store has no location");
        } else {
            store = PersistentStore::open(inMemory ? QString() : description.url, *m_model, &loaded,
                                          &error);
        }
        if (!store) {
            completion(description, error);
            continue;
        }
        if (!attached && (reload || !m_viewContext.persistentStore())) {
            attached = true;
            store->checkIntegrityLater([completion, description](const QString& damage) {
                completion(description, damage);
            });
            if (reload) {
                m_viewContext.reloadStore(std::move(store), std::move(loaded));
            } else {
                m_viewContext.attachStore(std::move(store), std::move(loaded));
            }
        }
        completion(description, std::nullopt);
    }
    if (reload && !attached) {
        m_viewContext.reloadStore(nullptr, {});
    }
}
