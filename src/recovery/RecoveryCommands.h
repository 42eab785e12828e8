#pragma once

#include "recovery/RestoreFlow.h"

#include <QObject>

class BackupService;
class DamagedStorePage;
class DesktopActions;
class RestoreSheet;
class QWidget;

// What the main window offers for backups: a copy of the store in a file the user names
// ("Esegui Backup..."), the restore sheet ("Ripristina Backup...") and the page of a store that
// could not be opened. Each restore started from them that works ends with a notice of what
// was put back.
class RecoveryCommands final : public QObject {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        Confirmation& confirmation;
        DesktopActions& desktop;
        BackupService& backups;
        RestoreFlow::RestoreBackup restoreBackup;
    };

    // The dialogs and the sheet open over `window`.
    RecoveryCommands(Services services, QWidget* window);

    // The save dialog, named "QuintaverModel-<today>.sqlite", then backUpTo().
    void backUpToChosenFile();
    // Writes the copy and says how it went.
    void backUpTo(const QString& path);
    RestoreSheet* openRestoreSheet();
    DamagedStorePage* damagedStorePage(const QString& why, QWidget* parent);

Q_SIGNALS:
    // A message for the main window's notice.
    void notice(const QString& text);

private:
    RestoreFlow::RestoreBackup restoreWithNotice();

    Services m_services;
    QWidget* m_window;
};
