#pragma once

#include <QWidget>

class AppSettings;
class BackupService;
class Clock;
class DesktopActions;
class QLabel;
class QPushButton;
class TextLabel;

// The settings window's "Backup" tab: when the last automatic backup was written, or why the
// last one failed until one succeeds; "Esegui Backup Ora" (off while a backup runs);
// "Mostra Cartella"; and the second folder each backup is also copied into, chosen or cleared
// here and handed to the backups at once.
class BackupSettingsView final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        AppSettings& settings;
        BackupService& backups;
        DesktopActions& desktop;
        const Clock& clock;
    };

    explicit BackupSettingsView(Services services, QWidget* parent = nullptr);

    // Sets the second folder as the folder dialog's answer does.
    void setSecondFolder(const QString& folder);

protected:
    // The folder's path is cut to the width its label gets.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildStatusRow();
    QWidget* buildSecondFolderRow();
    void showStatus();
    void showSecondFolder();
    void chooseSecondFolder();

    Services m_services;
    QLabel* m_statusIcon = nullptr;
    TextLabel* m_statusText = nullptr;
    QPushButton* m_backUpNow = nullptr;
    TextLabel* m_secondFolder = nullptr;
    QPushButton* m_clearSecondFolder = nullptr;
};
