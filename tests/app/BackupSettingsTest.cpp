#include "app/AppSettings.h"
#include "app/SettingsWindow.h"
#include "backup/BackupService.h"
#include "calendar/LiveCalendar.h"
#include "platform/UserPreferences.h"
#include "platform/XdgAutostartEntry.h"
#include "support/Child.h"
#include "support/FakeDesktopActions.h"
#include "support/InMemoryNotificationService.h"
#include "support/StoreFixture.h"
#include "support/WaitUntil.h"

#include "support/FakeConfirmation.h"
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include <QSettings>
#include <QTabWidget>

namespace {

using TimeHelpers::utc;

// The settings window's Backup tab over a store file of the test's own and its backups.
class BackupSettings : public StoreFixture {
protected:
    BackupSettings() {
        m_clock.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
        auto controller = open(storePath());
        insertPolicy(controller->container().viewContext(), QStringLiteral("Casa"));
        EXPECT_TRUE(controller->container().viewContext().save());
    }
    void SetUp() override {
        m_window.present();
        auto* tabs = child<QTabWidget>(m_window.view(), "settingsTabs");
        tabs->setCurrentWidget(child<QWidget>(m_window.view(), "backupSettings"));
    }
    QString status() const { return child<QLabel>(m_window.view(), "backupStatusText")->text(); }
    QPushButton* button(const char* name) const {
        return child<QPushButton>(m_window.view(), name);
    }
    // "Esegui Backup Ora", off until the backup has finished.
    bool backedUp() {
        button("backUpNowButton")->click();
        const bool off = !button("backUpNowButton")->isEnabled();
        return waitUntil([this] { return !m_backups.isBusy(); }, 30000) && off &&
               button("backUpNowButton")->isEnabled();
    }

    QString m_folder = m_dir.filePath(QStringLiteral("backups"));
    QSettings m_store{m_dir.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat};
    AppSettings m_settings{m_store, *m_log};
    InMemoryNotificationService m_notifications;
    XdgAutostartEntry m_autostart{m_dir.filePath("config"), "/usr/bin/quintaver-scheduler"};
    FakeDesktopActions m_desktop;
    BackupService m_backups{{m_clock, *m_log}, storePath(), m_folder};
    std::unique_ptr<PersistenceController> m_categories = openInMemory();
    FakeConfirmation m_confirmation;
    LiveCalendar m_calendar{{m_categories->container().viewContext(), m_clock, *m_log},
                            m_dir.filePath(QStringLiteral("Quintaver.ics"))};
    SettingsWindow m_window{{.settings = m_settings,
                             .notifications = m_notifications,
                             .autostart = m_autostart,
                             .log = *m_log,
                             .backups = m_backups,
                             .desktop = m_desktop,
                             .clock = m_clock,
                             .context = m_categories->container().viewContext(),
                             .confirmation = m_confirmation,
                             .calendar = m_calendar}};
};

TEST_F(BackupSettings, ShowsTheLastBackupThenItsFailureUntilABackupSucceeds) {
    EXPECT_EQ(status(), QStringLiteral("Ultimo backup: nessuno"));
    ASSERT_TRUE(backedUp());
    EXPECT_EQ(status(), QStringLiteral("Ultimo backup: 10 marzo 2026, 10:30"));

    // The folder of backups replaced by a file.
    ASSERT_TRUE(QDir(m_folder).removeRecursively());
    QFile blocker(m_folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_clock.advanceTo(utc("2026-03-10T10:45:00Z"));
    ASSERT_TRUE(backedUp());
    ASSERT_TRUE(m_backups.failure());
    EXPECT_EQ(status(), QStringLiteral("Ultimo backup non riuscito: ") + *m_backups.failure());

    ASSERT_TRUE(QFile::remove(m_folder));
    ASSERT_TRUE(backedUp());
    EXPECT_EQ(status(), QStringLiteral("Ultimo backup: 10 marzo 2026, 11:45"));

    button("showBackupFolderButton")->click();
    EXPECT_EQ(m_desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(m_folder)});
}

// The second folder chosen is kept in the preferences and takes the next backup's copy; "Nessuna"
// clears it.
TEST_F(BackupSettings, TheSecondFolderIsKeptAndTakesEveryBackup) {
    const QString second = m_dir.filePath(QStringLiteral("chiavetta"));
    ASSERT_TRUE(QDir().mkpath(second));
    EXPECT_FALSE(button("clearSecondFolderButton")->isEnabled());
    button("chooseSecondFolderButton")->click();
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        dialog = child<QFileDialog>(m_window.view(), "secondFolderDialog");
        return dialog && dialog->isVisible();
    }));
    dialog->setDirectory(second);
    dialog->selectFile(second);
    static_cast<QDialog*>(dialog)->accept();
    EXPECT_EQ(QSettings(m_store.fileName(), QSettings::IniFormat)
                  .value(UserPreferences::kBackupSecondFolder)
                  .toString(),
              second);
    EXPECT_EQ(child<QLabel>(m_window.view(), "secondFolderPath")->accessibleName(),
              QStringLiteral("Copia anche in: ") + second);

    ASSERT_TRUE(backedUp());
    EXPECT_EQ(QDir(second).entryList({QStringLiteral("*.sqlite")}),
              QStringList{QStringLiteral("QuintaverModel-2026-03-10-103000.sqlite")});

    button("clearSecondFolderButton")->click();
    EXPECT_EQ(m_settings.backupSecondFolder(), QString());
    m_clock.advanceTo(utc("2026-03-10T10:45:00Z"));
    ASSERT_TRUE(backedUp());
    EXPECT_EQ(QDir(second).entryList({QStringLiteral("*.sqlite")}).size(), 1);
}

} // namespace
