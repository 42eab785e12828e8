#pragma once

#include "store/ManagedObjectContext.h"
#include "store/ManagedObjectModel.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clock;

// Where a container keeps its store. The location "/dev/null" asks for a database that lives
// only in memory.
struct PersistentStoreDescription {
    QString url;
};

// A model, its store and the one main context, as the object-graph framework's container
// holds them. Its default store is "<name>.sqlite" in the application's per-user data folder.
class PersistentContainer final {
public:
    PersistentContainer(QString name, std::shared_ptr<const ManagedObjectModel> model,
                        const Clock& clock);

    const QString& name() const { return m_name; }
    const ManagedObjectModel& managedObjectModel() const { return *m_model; }

    std::vector<PersistentStoreDescription>& persistentStoreDescriptions() {
        return m_descriptions;
    }

    // Opens each described store and calls `completion` once per store, with the error's
    // description when it could not be opened. The first store that opens is attached to the
    // main context; the others are not used. Should the attached store later prove damaged,
    // `completion` is called once more for it, with the damage.
    void loadPersistentStores(const std::function<void(const PersistentStoreDescription&,
                                                       std::optional<QString>)>& completion);

    // Closes the attached store's file, so that another can be put in its place (see
    // ManagedObjectContext::closeStore).
    void closePersistentStores();
    // Opens the described stores again, as loadPersistentStores does, and gives the main
    // context the rows of the first that opens in place of everything it held (see
    // ManagedObjectContext::reloadStore); when none opens, the context is left with nothing.
    void reloadPersistentStores(const std::function<void(const PersistentStoreDescription&,
                                                         std::optional<QString>)>& completion);

    ManagedObjectContext& viewContext() { return m_viewContext; }

    // The folder the default store lives in: the per-user application data folder.
    static QString defaultDirectory();

private:
    void openStores(const std::function<void(const PersistentStoreDescription&,
                                             std::optional<QString>)>& completion,
                    bool reload);

    QString m_name;
    std::shared_ptr<const ManagedObjectModel> m_model;
    std::vector<PersistentStoreDescription> m_descriptions;
    ManagedObjectContext m_viewContext;
};
