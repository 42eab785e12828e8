#pragma once

#include "recovery/RestoreFlow.h"
#include "ui/EditorSheet.h"

#include <atomic>
#include <memory>

class BackupListModel;
class EmptyState;
class ProgressPanel;
class QTableView;
class TextLabel;

// "Ripristina Backup": the automatic backups, newest first, each with the date it was written
// and the policies and contacts it holds, and "Scegli File..." for any other. The chosen file
// is checked whole first: one that cannot be restored says why here and nothing changes. Then
// the user is asked, showing what the backup holds against what the store holds now, and the
// program restores it; the sheet waits with a progress bar and closes once it is done, or says
// why it was not.
class RestoreSheet final : public EditorSheet {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        Confirmation& confirmation;
        // The folder of the automatic backups.
        QString folder;
        RestoreFlow::RestoreBackup restoreBackup;
    };

    explicit RestoreSheet(Services services, QWidget* parent = nullptr);
    ~RestoreSheet() override;

    bool hasChanges() const override { return false; }
    // Closes it, unless a restore is under way, which finishes first.
    void reject() override;
    // Checks and restores a file as the file dialog's answer does.
    void restoreFile(const QString& path);
    // Whether the backups are still being read.
    bool isListing() const { return m_listing != nullptr; }
    RestoreFlow& flow() const { return *m_flow; }
    ProgressPanel& progress() const { return *m_progress; }

Q_SIGNALS:
    // The store now holds the backup; the sheet closes.
    void restored(const RestoreOutcome& outcome);

protected:
    bool save() override;

private:
    QWidget* buildListCard();
    QWidget* buildFileCard();
    void listBackups();
    void chooseFile();
    void onPhase(RestoreFlow::Phase phase);
    void showStatus(const QString& text);
    void updateSaveButton();

    Services m_services;
    RestoreFlow* m_flow;
    BackupListModel* m_model;
    std::shared_ptr<std::atomic<bool>> m_listing;
    TextLabel* m_loading = nullptr;
    EmptyState* m_empty = nullptr;
    QTableView* m_table = nullptr;
    ProgressPanel* m_progress = nullptr;
    TextLabel* m_status = nullptr;
};
