#pragma once

#include "backup/StoreRestore.h"

#include <QObject>
#include <QString>

#include <functional>

class BackupService;
class PersistenceController;

// Puts a chosen backup in place of the store while the program runs: asks about editors that
// hold changes (Quit's question) and closes every editor, closes the store, has the backup
// service back the store up and restore the copy, then opens the store again, whatever the
// outcome. The screens follow the context's reset; storeReopened() tells the rest (the
// reminders, the page shown when the store cannot be opened).
class BackupRestorer final : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const RestoreOutcome& outcome)>;
    struct Services {
        PersistenceController& persistence;
        BackupService& backups;
        // Asks about editors with changes and closes every editor but the one asking;
        // `agreed` false: the user chose to stay.
        std::function<void(std::function<void(bool agreed)> decided)> closeEditors;
    };

    explicit BackupRestorer(Services services, QObject* parent = nullptr);

    // `done` hears what happened; nothing when the user chose to keep an editor open. One
    // restore at a time: another asked for meanwhile is refused with a reason.
    void restore(const QString& chosen, Done done);
    bool isRestoring() const { return static_cast<bool>(m_done); }

Q_SIGNALS:
    // The store was opened again (or could not be: see PersistenceController::storeProblem).
    void storeReopened();

private:
    void start(const QString& chosen);
    void finish(const RestoreOutcome& outcome);

    Services m_services;
    Done m_done;
};
