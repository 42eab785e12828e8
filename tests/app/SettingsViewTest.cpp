#include "app/SettingsView.h"
#include "app/AppSettings.h"
#include "app/SettingsWindow.h"
#include "backup/BackupService.h"
#include "calendar/LiveCalendar.h"
#include "model/PersistenceController.h"
#include "platform/UserPreferences.h"
#include "platform/XdgAutostartEntry.h"
#include "support/CapturedLog.h"
#include "support/Child.h"
#include "support/FakeConfirmation.h"
#include "support/FakeDesktopActions.h"
#include "support/InMemoryNotificationService.h"
#include "support/ManualClock.h"
#include "support/TabChain.h"
#include "support/WaitUntil.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// The settings window over a preferences file and an autostart folder of the test's own; a
// new window reads the same file, as after a restart.
class SettingsScreen : public ::testing::Test {
protected:
    void open() {
        m_window.reset();
        m_settings.reset();
        m_store = std::make_unique<QSettings>(preferencesFile(), QSettings::IniFormat);
        m_settings = std::make_unique<AppSettings>(*m_store, m_log.channel());
        m_window =
            std::make_unique<SettingsWindow>(SettingsView::Services{.settings = *m_settings,
                                                                    .notifications = m_service,
                                                                    .autostart = m_autostart,
                                                                    .log = m_log.channel(),
                                                                    .backups = m_backups,
                                                                    .desktop = m_desktop,
                                                                    .clock = m_clock,
                                                                    .context = context(),
                                                                    .confirmation = m_answers,
                                                                    .calendar = m_calendar});
        m_window->present();
        m_view = m_window->view();
    }
    ManagedObjectContext& context() { return m_persistence.container().viewContext(); }
    QString preferencesFile() const { return m_dir.filePath(m_preferencesName); }
    QVariant stored(const QString& key) const {
        return QSettings(preferencesFile(), QSettings::IniFormat).value(key);
    }
    QTabWidget* tabs() const { return child<QTabWidget>(m_view, "settingsTabs"); }
    QString statusText() const { return child<QLabel>(m_view, "notificationStatusText")->text(); }
    bool enableButtonShown() const {
        return !child<QPushButton>(m_view, "enableNotificationsButton")->isHidden();
    }
    // The answer to the status question asked when the window was shown.
    bool statusArrives(const QString& text) const {
        return waitUntil([&] { return statusText() == text; });
    }

    QTemporaryDir m_dir;
    QString m_preferencesName = "settings.conf";
    XdgAutostartEntry m_autostart{m_dir.filePath("config"), "/usr/bin/quintaver-scheduler"};
    InMemoryNotificationService m_service;
    CapturedLog m_log;
    ManualClock m_clock{Instant(0)};
    FakeDesktopActions m_desktop;
    BackupService m_backups{{m_clock, m_log.channel()},
                            m_dir.filePath("QuintaverModel.sqlite"),
                            m_dir.filePath("backups")};
    PersistenceController m_persistence{true, m_clock, m_log.channel()};
    FakeConfirmation m_answers;
    // In a folder of its own, which a test may make a file instead.
    QString m_calendarFolder = m_dir.filePath("calendar");
    LiveCalendar m_calendar{
        {context(), m_clock, m_log.channel()}, m_calendarFolder + "/Quintaver.ics", 50};
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<SettingsWindow> m_window;
    SettingsView* m_view = nullptr;
};

} // namespace

TEST_F(SettingsScreen, AFreshUserSeesTheDefaultsAndEveryChangeOutlivesTheWindow) {
    open();
    ASSERT_EQ(tabs()->count(), 6);
    EXPECT_EQ(tabs()->tabText(0), "General");
    EXPECT_EQ(tabs()->tabText(1), "Notifications");
    EXPECT_EQ(tabs()->tabText(2), "Backup");
    EXPECT_EQ(tabs()->tabText(3), "Calendario");
    EXPECT_EQ(tabs()->tabText(4), "Categorie");
    EXPECT_EQ(tabs()->tabText(5), "About");
    EXPECT_EQ(tabs()->currentIndex(), 0);
    // 500 × 400, wider only as far as every tab needs to show its whole name.
    EXPECT_EQ(tabs()->height(), 400);
    EXPECT_GE(tabs()->width(), 500);
    EXPECT_LE(tabs()->tabBar()->sizeHint().width(), tabs()->width());
    EXPECT_EQ(tabs()->elideMode(), Qt::ElideNone);
    EXPECT_FALSE(child<QCheckBox>(m_view, "launchAtLoginToggle")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(m_view, "showMenuBarToggle")->isChecked());
    auto* picker = child<QComboBox>(m_view, "defaultReminderPicker");
    ASSERT_EQ(picker->count(), 4);
    EXPECT_EQ(picker->itemText(3), "60 minutes before");
    EXPECT_EQ(picker->currentText(), "15 minutes before");
    EXPECT_TRUE(child<QCheckBox>(m_view, "soundToggle")->isChecked());
    EXPECT_EQ(child<QLineEdit>(m_view, "reportHeadingField")->text(), QString());
    // Showing the window wrote nothing.
    EXPECT_FALSE(QFile::exists(preferencesFile()));

    QSignalSpy menuBar(m_settings.get(), &AppSettings::showMenuBarChanged);
    child<QCheckBox>(m_view, "launchAtLoginToggle")->click();
    child<QCheckBox>(m_view, "showMenuBarToggle")->click();
    QTest::keyClick(picker, Qt::Key_Down);
    child<QCheckBox>(m_view, "soundToggle")->click();
    QTest::keyClicks(child<QLineEdit>(m_view, "reportHeadingField"), "Agenzia Rossi");
    ASSERT_EQ(menuBar.size(), 1);
    EXPECT_EQ(menuBar[0][0].toBool(), false);
    EXPECT_TRUE(m_autostart.isEnabled());
    // The reminder agent reads the sound choice from the file itself.
    EXPECT_FALSE(UserPreferences::soundEnabled(preferencesFile()));

    open();
    EXPECT_TRUE(child<QCheckBox>(m_view, "launchAtLoginToggle")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(m_view, "showMenuBarToggle")->isChecked());
    EXPECT_EQ(child<QComboBox>(m_view, "defaultReminderPicker")->currentText(),
              "30 minutes before");
    EXPECT_FALSE(child<QCheckBox>(m_view, "soundToggle")->isChecked());
    EXPECT_EQ(child<QLineEdit>(m_view, "reportHeadingField")->text(), "Agenzia Rossi");
    child<QCheckBox>(m_view, "launchAtLoginToggle")->click();
    EXPECT_FALSE(m_autostart.isEnabled());
    EXPECT_EQ(stored(UserPreferences::kLaunchAtLogin).toBool(), false);
}

TEST_F(SettingsScreen, AStoredReminderThePickerDoesNotOfferStaysUntilTheUserPicksOne) {
    QSettings(preferencesFile(), QSettings::IniFormat)
        .setValue(UserPreferences::kDefaultReminderTime, 45);
    open();
    auto* picker = child<QComboBox>(m_view, "defaultReminderPicker");
    EXPECT_EQ(picker->currentIndex(), -1);
    child<QCheckBox>(m_view, "soundToggle")->click();
    EXPECT_EQ(stored(UserPreferences::kDefaultReminderTime).toInt(), 45);
    EXPECT_EQ(m_settings->defaultReminderTime(), 45);

    QTest::keyClick(picker, Qt::Key_Down);
    EXPECT_EQ(stored(UserPreferences::kDefaultReminderTime).toInt(), 5);
}

TEST_F(SettingsScreen, WhatCannotBeWrittenIsReportedAndLaunchAtLoginStaysOff) {
    // A file where the autostart folder and the preferences' folder would be.
    QFile blocker(m_dir.filePath("config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_preferencesName = "config/settings.conf";
    open();
    auto* toggle = child<QCheckBox>(m_view, "launchAtLoginToggle");
    toggle->click();
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(m_settings->launchAtLogin());
    child<QCheckBox>(m_view, "soundToggle")->click();
    const QStringList lines = m_log.lines();
    ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith("Error changing launch at login: "));
    EXPECT_TRUE(lines[1].startsWith("Error saving preferences: "));
}

TEST_F(SettingsScreen, EscapeClosesTheWindowAsEveryDialogDoes) {
    open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view));
    QApplication::setActiveWindow(m_view);
    QTest::keyClick(m_view, Qt::Key_Escape);
    EXPECT_FALSE(m_view->isVisible());
}

// Each tab by keyboard: Tab goes from the tab bar through every control of the page and back.
TEST_F(SettingsScreen, EveryTabIsOneRoundOfTabFromTheTabBar) {
    open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view));
    QWidget* window = m_view->window();
    for (int tab = 0; tab < tabs()->count(); ++tab) {
        tabs()->setCurrentIndex(tab);
        QApplication::processEvents();
        EXPECT_EQ(TabChain::faults(*window, tabs()->tabBar()).join(u'\n').toStdString(), "")
            << tabs()->tabText(tab).toStdString();
    }
}

TEST_F(SettingsScreen, TheStatusRowShowsTheServicesAnswerEachTimeTheWindowIsShown) {
    open();
    tabs()->setCurrentIndex(1);
    ASSERT_TRUE(statusArrives("Notifications Disabled"));
    EXPECT_TRUE(enableButtonShown());

    // Refused: the row stays red and the button stays to ask again.
    m_service.setAuthorization(false);
    child<QPushButton>(m_view, "enableNotificationsButton")->click();
    ASSERT_TRUE(waitUntil([this] { return m_service.hasAnsweredAll(); }));
    EXPECT_EQ(statusText(), "Notifications Disabled");
    EXPECT_TRUE(enableButtonShown());

    m_service.setAuthorization(true, QStringLiteral("ignored"));
    child<QPushButton>(m_view, "enableNotificationsButton")->click();
    ASSERT_TRUE(statusArrives("Notifications Enabled"));
    EXPECT_FALSE(enableButtonShown());
    EXPECT_FALSE(child<QLabel>(m_view, "notificationStatusIcon")->pixmap().isNull());
    EXPECT_TRUE(m_log.lines().isEmpty());

    // Withdrawn elsewhere while the window was closed: shown again, it asks again, on the
    // same window, which opens on its first tab.
    m_view->close();
    m_service.setAuthorization(false);
    m_service.requestAuthorization([](bool, const std::optional<QString>&) {});
    m_window->present();
    EXPECT_EQ(m_window->view(), m_view);
    EXPECT_TRUE(m_view->isVisible());
    EXPECT_EQ(tabs()->currentIndex(), 0);
    ASSERT_TRUE(statusArrives("Notifications Disabled"));
    EXPECT_TRUE(enableButtonShown());
    // An answer that arrives after the window is gone changes nothing.
    child<QPushButton>(m_view, "enableNotificationsButton")->click();
    m_window.reset();
    EXPECT_TRUE(waitUntil([this] { return m_service.hasAnsweredAll(); }));
}

TEST_F(SettingsScreen, TheAboutPageNamesWhatTheProgramIsBuiltOnAndFollowsTheTheme) {
    QApplication::setPalette(Palette::light());
    open();
    tabs()->setCurrentIndex(5);
    QStringList credits;
    int icons = 0;
    for (const QLabel* label : child<QWidget>(m_view, "aboutCredits")->findChildren<QLabel*>()) {
        if (label->pixmap().isNull()) {
            credits << label->text();
        } else {
            ++icons;
        }
    }
    EXPECT_EQ(credits, QStringList({"Qt 6", "SQLite", "Linux desktop"}));
    EXPECT_EQ(icons, 3);
    EXPECT_FALSE(child<QLabel>(m_view, "aboutIcon")->pixmap().isNull());
    auto* description = child<QLabel>(m_view, "aboutDescription");
    EXPECT_TRUE(description->text().contains("for Linux"));

    // The desktop turns dark while the window is open.
    const QColor lightSecondary = description->palette().color(QPalette::WindowText);
    const QColor darkSecondary = Palette::color(ColorName::Secondary, Palette::dark());
    ASSERT_NE(lightSecondary, darkSecondary);
    QApplication::setPalette(Palette::dark());
    QApplication::processEvents();
    EXPECT_EQ(description->palette().color(QPalette::WindowText), darkSecondary);
    QApplication::setPalette(Palette::light());
    QApplication::processEvents();
    EXPECT_EQ(description->palette().color(QPalette::WindowText), lightSecondary);
}

// The calendar file is kept while the box is ticked, across windows, and its address is the
// one the file has; a folder it cannot be written to is said in the tab.
TEST_F(SettingsScreen, TheCalendarTabKeepsTheFileAndGivesItsAddress) {
    ASSERT_TRUE(QDir().mkpath(m_calendarFolder));
    open();
    tabs()->setCurrentWidget(child<QWidget>(m_view, "calendarSettings"));
    auto* toggle = child<QCheckBox>(m_view, "liveCalendarToggle");
    EXPECT_FALSE(toggle->isChecked());
    const QString address = child<QLabel>(m_view, "liveCalendarAddress")->text();
    EXPECT_EQ(QUrl(address).toLocalFile(), m_calendarFolder + "/Quintaver.ics");
    EXPECT_TRUE(address.startsWith("file:///"));

    toggle->click();
    EXPECT_TRUE(m_calendar.isEnabled());
    EXPECT_TRUE(waitUntil([&] { return QFile::exists(QUrl(address).toLocalFile()); }));
    child<QPushButton>(m_view, "copyCalendarAddressButton")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), address);
    EXPECT_TRUE(child<QLabel>(m_view, "liveCalendarStatus")->isHidden());
    open();
    EXPECT_TRUE(child<QCheckBox>(m_view, "liveCalendarToggle")->isChecked());
    EXPECT_TRUE(stored(UserPreferences::kLiveCalendar).toBool());
}

TEST_F(SettingsScreen, ACalendarFileThatCannotBeWrittenIsSaidInItsTab) {
    QFile blocker(m_calendarFolder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    open();
    child<QCheckBox>(m_view, "liveCalendarToggle")->click();
    auto* status = child<QLabel>(m_view, "liveCalendarStatus");
    ASSERT_TRUE(waitUntil([&] { return !status->isHidden(); }));
    EXPECT_TRUE(status->text().startsWith("Il calendario non si può scrivere: "));
    const QStringList lines = m_log.lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("Error writing calendar: "));
}
