#include "app/AppDelegate.h"
#include "app/MenuBarView.h"
#include "app/Popover.h"
#include "platform/NotificationCenter.h"
#include "platform/PopoverPlacement.h"
#include "platform/TrayHost.h"
#include "support/FakeDesktopActions.h"
#include "support/QtPrinters.h"
#include "support/StoreFixture.h"
#include "support/WaitUntil.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

namespace {

class FakeTrayHost final : public TrayHost {
public:
    bool isAvailable() const override { return m_available; }
    void setAvailable(bool available) {
        m_available = available;
        Q_EMIT availabilityChanged(available);
    }

private:
    bool m_available = true;
};

// The delegate over an in-memory store, a tray that the test turns on and off, and a main
// window that the delegate knows only as a window to bring forward.
class AppDelegateTest : public StoreFixture {
protected:
    void SetUp() override {
        m_controller = openInMemory();
        m_window.show();
        QGuiApplication::setQuitOnLastWindowClosed(true);
    }

    void launch(bool trayAvailable) {
        m_tray.setAvailable(trayAvailable);
        m_delegate = std::make_unique<AppDelegate>(AppDelegate::Services{
            .context = m_controller->container().viewContext(),
            .clock = m_clock,
            .desktop = m_desktop,
            .center = m_center,
            .trayHost = m_tray,
            .mainWindow = [this] { return m_window.windowHandle(); },
            .requestAuthorization = [this] { ++m_authorizationRequests; },
            .noTrayNoticeDelayMs = 0,
        });
        m_notices = std::make_unique<QSignalSpy>(m_delegate.get(), &AppDelegate::noticeRequested);
        m_delegate->applicationDidFinishLaunching();
        QCoreApplication::processEvents();
    }
    QAction* menuAction(const QString& text) {
        for (QAction* action : m_delegate->statusBarItem()->contextMenu()->actions()) {
            if (action->text() == text) {
                return action;
            }
        }
        return nullptr;
    }

    std::unique_ptr<PersistenceController> m_controller;
    FakeDesktopActions m_desktop;
    NotificationCenter m_center;
    FakeTrayHost m_tray;
    QWidget m_window;
    int m_authorizationRequests = 0;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<QSignalSpy> m_notices;
};

TEST_F(AppDelegateTest, LaunchingPutsTheIconInTheTrayAndAsksToNotify) {
    launch(true);
    QSystemTrayIcon* item = m_delegate->statusBarItem();
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isVisible());
    EXPECT_FALSE(item->icon().isNull());
    EXPECT_EQ(item->toolTip(), QStringLiteral("Quintaver"));
    EXPECT_EQ(m_authorizationRequests, 1);
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
    EXPECT_TRUE(m_notices->isEmpty());
    ASSERT_NE(m_delegate->popover(), nullptr);
    EXPECT_FALSE(m_delegate->popover()->isVisible());
    EXPECT_EQ(m_delegate->popover()->size(), QSize(300, 400));
    EXPECT_FALSE(m_delegate->popover()->testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(AppDelegateTest, TheIconTogglesThePopoverWhoseFetchesStartAtEachOpening) {
    launch(true);
    Popover* popover = m_delegate->popover();
    Q_EMIT m_delegate->statusBarItem()->activated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(waitUntil([&] { return popover->isVisible(); }));
    const Instant firstOpening = m_delegate->menuBarView()->fetchesStartAt();
    EXPECT_EQ(firstOpening, m_clock.now());
    Q_EMIT m_delegate->statusBarItem()->activated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(waitUntil([&] { return !popover->isVisible(); }));
    // The press that closed it is not taken as a second press that opens it again.
    m_delegate->togglePopover();
    EXPECT_FALSE(popover->isVisible());
    m_clock.advanceTo(Instant(m_clock.now().msSinceEpoch() + 3 * TimeHelpers::kDayMs));
    // A press once that moment has passed opens it.
    ASSERT_TRUE(waitUntil([&] {
        m_delegate->togglePopover();
        return popover->isVisible();
    }));
    EXPECT_EQ(m_delegate->menuBarView()->fetchesStartAt(), m_clock.now());
    // A context-menu request is not a click.
    Q_EMIT m_delegate->statusBarItem()->activated(QSystemTrayIcon::Context);
    EXPECT_TRUE(popover->isVisible());
    popover->close();
}

TEST_F(AppDelegateTest, TheIconsMenuOpensTheProgramItsPreferencesOrQuits) {
    launch(true);
    QSignalSpy preferences(m_delegate.get(), &AppDelegate::preferencesRequested);
    ASSERT_NE(menuAction(QStringLiteral("Open App")), nullptr);
    menuAction(QStringLiteral("Open App"))->trigger();
    EXPECT_EQ(m_desktop.forwardTokens.size(), 1);
    menuAction(QStringLiteral("Preferences..."))->trigger();
    EXPECT_EQ(m_desktop.forwardTokens.size(), 2);
    EXPECT_EQ(preferences.size(), 1);
    // Quit is the program's to decide (unsaved editors ask first): the delegate only asks.
    QSignalSpy quits(m_delegate.get(), &AppDelegate::quitRequested);
    menuAction(QStringLiteral("Quit"))->trigger();
    EXPECT_EQ(quits.size(), 1);
    EXPECT_EQ(m_desktop.quitRequests, 0);
    // The popover's own "Preferences..." and "Quit" reach the same signals.
    Q_EMIT m_delegate->menuBarView()->preferencesRequested();
    EXPECT_EQ(preferences.size(), 2);
    Q_EMIT m_delegate->menuBarView()->quitRequested();
    EXPECT_EQ(quits.size(), 2);
}

TEST_F(AppDelegateTest, WithoutATrayTheUserIsToldOnceAndClosingTheWindowQuits) {
    launch(false);
    ASSERT_TRUE(waitUntil([&] { return m_notices->size() == 1; }));
    EXPECT_EQ(m_notices->first().first().toString(), AppDelegate::noTrayNotice());
    EXPECT_FALSE(m_delegate->statusBarItem()->isVisible());
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
    EXPECT_EQ(m_authorizationRequests, 1);
    // A panel that starts later gets the icon, and the window closes to it again.
    m_tray.setAvailable(true);
    EXPECT_TRUE(m_delegate->statusBarItem()->isVisible());
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
    // A panel that goes away brings the hidden window back rather than leave it unreachable.
    m_window.hide();
    const qsizetype forwardedBefore = m_desktop.forwardTokens.size();
    m_tray.setAvailable(false);
    EXPECT_EQ(m_desktop.forwardTokens.size(), forwardedBefore + 1);
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
    waitPast(); // the notice's delay is 0 here
    EXPECT_EQ(m_notices->size(), 1);
}

TEST_F(AppDelegateTest, HidingTheIconByChoiceMakesClosingTheWindowQuit) {
    launch(true);
    Q_EMIT m_delegate->statusBarItem()->activated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(waitUntil([&] { return m_delegate->popover()->isVisible(); }));
    m_delegate->setTrayIconShown(false);
    EXPECT_FALSE(m_delegate->isTrayIconVisible());
    EXPECT_FALSE(m_delegate->statusBarItem()->isVisible());
    EXPECT_FALSE(m_delegate->popover()->isVisible());
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
    m_delegate->setTrayIconShown(true);
    EXPECT_TRUE(m_delegate->statusBarItem()->isVisible());
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed());
    waitPast();
    EXPECT_TRUE(m_notices->isEmpty());
}

struct PlacementCase {
    const char* name;
    QRect icon;
    std::optional<QPoint> pointer;
    QPoint expected;
};

void PrintTo(const PlacementCase& c, std::ostream* out) {
    *out << c.name;
}

class PopoverPlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PopoverPlacementTest, OpensBesideTheIconInsideTheScreen) {
    const QRect screen(0, 0, 1280, 800);
    EXPECT_EQ(
        PopoverPlacement::topLeft(QSize(300, 400), GetParam().icon, GetParam().pointer, screen),
        GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Places, PopoverPlacementTest,
    ::testing::Values(PlacementCase{"BelowAnIconInATopPanel", QRect(600, 0, 24, 24), std::nullopt,
                                    QPoint(462, 24)},
                      PlacementCase{"AboveAnIconInABottomPanel", QRect(600, 776, 24, 24),
                                    std::nullopt, QPoint(462, 376)},
                      PlacementCase{"KeptOnScreenAtTheRightEdge", QRect(1260, 0, 20, 20),
                                    std::nullopt, QPoint(980, 20)},
                      PlacementCase{"AtThePointerWhenTheIconIsUnknown", QRect(), QPoint(700, 10),
                                    QPoint(550, 11)},
                      PlacementCase{"TopRightWhenNothingIsKnown", QRect(), std::nullopt,
                                    QPoint(980, 0)}),
    [](const auto& tested) { return std::string(tested.param.name); });

} // namespace
