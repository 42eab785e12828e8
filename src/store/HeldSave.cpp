#include "store/HeldSave.h"

#include "store/ManagedObjectContext.h"

std::unique_ptr<HeldSave> HeldSave::begin(ManagedObjectContext& context, QString* error) {
    PersistentStore* store = context.m_store.get();
    if (!store) {
        *error = QStringLiteral("No persistent store is open");
        return nullptr;
    }
    if (context.m_heldSave || !store->holdTransaction(error)) {
        if (context.m_heldSave) {
            *error = QStringLiteral("Another save is being written");
        }
        return nullptr;
    }
    context.m_heldSave = true;
    return std::unique_ptr<HeldSave>(new HeldSave(context));
}

HeldSave::~HeldSave() {
    undo();
}

bool HeldSave::savePart(QString* error) {
    if (!m_open) {
        *error = QStringLiteral("The held save is over");
        return false;
    }
    m_context->m_savingPart = true;
    const bool saved = m_context->save(error);
    m_context->m_savingPart = false;
    return saved;
}

bool HeldSave::commit(QString* error) {
    if (!m_open) {
        *error = QStringLiteral("The held save is over");
        return false;
    }
    PersistentStore* store = m_context->m_store.get();
    const bool committed = store && store->endHeldTransaction(true, error);
    if (!store) {
        *error = QStringLiteral("No persistent store is open");
    }
    end(committed);
    return committed;
}

void HeldSave::undo() {
    if (!m_open) {
        return;
    }
    if (PersistentStore* store = m_context->m_store.get(); store && store->holdsTransaction()) {
        QString ignored;
        store->endHeldTransaction(false, &ignored);
    }
    end(false);
}

void HeldSave::end(bool committed) {
    m_open = false;
    m_context->m_heldSave = false;
    if (committed || !m_context->m_store) {
        return;
    }
    // The parts saved count as saved in the context: only the store can say what is left.
    PersistentStore::Loaded loaded;
    QString error;
    if (!m_context->m_store->loadAgain(&loaded, &error)) {
        m_context->report(
            QStringLiteral("The store could not be read again after a save was undone: %1")
                .arg(error));
        return;
    }
    std::unique_ptr<PersistentStore> store = std::move(m_context->m_store);
    m_context->reloadStore(std::move(store), std::move(loaded));
}
