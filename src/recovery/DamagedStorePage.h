#pragma once

#include "backup/BackupCatalog.h"
#include "recovery/RestoreFlow.h"

#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>

class DesktopActions;
class ProgressPanel;
class QLabel;
class QPushButton;
class TextLabel;

// What the main window shows instead of its lists when the store could not be opened: that
// the book could not be opened and why, then the newest backup that passes the whole check,
// with its date and what it holds, and "Ripristina Questo Backup" (asked first, as from the
// restore sheet); "Scegli un Altro Backup..." and "Mostra Cartella" whether or not one passes.
class DamagedStorePage final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        Confirmation& confirmation;
        DesktopActions& desktop;
        // The folder of the automatic backups.
        QString folder;
        RestoreFlow::RestoreBackup restoreBackup;
    };

    DamagedStorePage(Services services, const QString& why, QWidget* parent = nullptr);
    ~DamagedStorePage() override;

    // Whether the backups are still being checked.
    bool isLooking() const { return m_looking != nullptr; }
    // The backup offered, once found.
    const std::optional<BackupCatalog::Checked>& offered() const { return m_offered; }

Q_SIGNALS:
    // "Scegli un Altro Backup...".
    void otherBackupRequested();
    // The store now holds the backup.
    void restored(const RestoreOutcome& outcome);

protected:
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildHeader(const QString& why);
    QWidget* buildOffer();
    QWidget* buildActions();
    void lookForBackup();
    void showOffer();
    void onPhase(RestoreFlow::Phase phase);
    void showStatus(const QString& text);
    void applyLook();

    Services m_services;
    RestoreFlow* m_flow;
    std::shared_ptr<std::atomic<bool>> m_looking;
    std::optional<BackupCatalog::Checked> m_offered;
    QLabel* m_icon = nullptr;
    TextLabel* m_offerTitle = nullptr;
    TextLabel* m_offerCounts = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_other = nullptr;
    ProgressPanel* m_progress = nullptr;
    TextLabel* m_status = nullptr;
};
