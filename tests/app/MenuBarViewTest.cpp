#include "app/MenuBarView.h"
#include "app/MiniStat.h"
#include "model/CalendarMath.h"
#include "platform/NotificationCenter.h"
#include "support/CaseName.h"
#include "support/FakeDesktopActions.h"
#include "support/QtPrinters.h"
#include "support/StoreFixture.h"
#include "support/WaitUntil.h"
#include "ui/Palette.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

using TimeHelpers::kDayMs;
using TimeHelpers::kHourMs;

// The popover's content over an in-memory store whose events, tasks and policies lie at
// chosen offsets from the fixture's clock (Europe/Rome).
class MenuBarViewTest : public StoreFixture {
protected:
    void SetUp() override {
        // The store keeps a clock of its own that never signals, as the program's does: the
        // popover must hear time move from the clock it is given.
        m_controller = std::make_unique<PersistenceController>(true, m_storeClock, *m_log);
        m_center.addObserver(NotificationName::newPolicy, &m_center,
                             [this] { m_posted << NotificationName::newPolicy; });
        m_center.addObserver(NotificationName::newEvent, &m_center,
                             [this] { m_posted << NotificationName::newEvent; });
        m_center.addObserver(NotificationName::newTask, &m_center,
                             [this] { m_posted << NotificationName::newTask; });
    }

    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    Instant in(qint64 ms) const { return Instant(m_clock.now().msSinceEpoch() + ms); }

    std::shared_ptr<Event> addEvent(const QString& title, qint64 offsetMs,
                                    const std::optional<QString>& color = std::nullopt) {
        auto event = context().insert<Event>();
        event->setTitle(title);
        event->setStartDate(in(offsetMs));
        event->setEndDate(in(offsetMs + kHourMs));
        if (color) {
            auto category = context().insert<Category>();
            category->setName(QStringLiteral("Label"));
            category->setColor(*color);
            event->setCategory(category);
        }
        return event;
    }
    void addTask(std::optional<qint64> dueOffsetMs, bool completed = false) {
        auto task = context().insert<Task>();
        task->setTitle(QStringLiteral("Task"));
        if (dueOffsetMs) {
            task->setDueDate(in(*dueOffsetMs));
        }
        task->setIsCompleted(completed);
    }
    void addPolicy(qint64 offsetMs, qint32 reminderDays,
                   const std::optional<QString>& custom = std::nullopt) {
        auto policy = insertPolicy(context(), QStringLiteral("P"), in(offsetMs));
        policy->setReminderDays(reminderDays);
        policy->setCustomReminderDays(custom);
    }
    void save() { ASSERT_TRUE(context().save()); }

    MenuBarView& view() {
        if (!m_view) {
            m_view = std::make_unique<MenuBarView>(MenuBarView::Services{
                context(), m_clock, m_desktop, m_center, [] { return nullptr; }});
            m_view->show();
        }
        return *m_view;
    }
    qint64 stat(const char* name) {
        return view().findChild<MiniStat*>(QLatin1String(name))->count();
    }
    bool shown(const char* name) {
        return view().findChild<QWidget*>(QLatin1String(name))->isVisibleTo(&view());
    }
    QString text(const char* name) {
        return view().findChild<QLabel*>(QLatin1String(name))->text();
    }
    QPushButton* button(const QString& label) {
        for (QPushButton* candidate : view().findChildren<QPushButton*>()) {
            if (candidate->text() == label) {
                return candidate;
            }
        }
        return nullptr;
    }

    ManualClock m_storeClock{m_clock.now(), m_clock.timeZone()};
    std::unique_ptr<PersistenceController> m_controller;
    FakeDesktopActions m_desktop;
    NotificationCenter m_center;
    QStringList m_posted;
    std::unique_ptr<MenuBarView> m_view;
};

TEST_F(MenuBarViewTest, AnEmptyStoreShowsZerosWithoutNextEventOrWarning) {
    EXPECT_EQ(stat("eventsStat"), 0);
    EXPECT_EQ(stat("tasksStat"), 0);
    EXPECT_EQ(stat("policiesStat"), 0);
    EXPECT_FALSE(shown("nextEventBlock"));
    EXPECT_FALSE(shown("warningRow"));
    for (const char* label : {"Open App", "Event", "Task", "Policy", "Preferences...", "Quit"}) {
        ASSERT_NE(button(QLatin1String(label)), nullptr) << label;
        EXPECT_TRUE(button(QLatin1String(label))->isVisibleTo(&view())) << label;
    }
    EXPECT_EQ(view().size(), QSize(MenuBarView::kWidth, MenuBarView::kHeight));
}

TEST_F(MenuBarViewTest, EventsAndTasksCountTheFirstThreeWhatIsPendingFromNow) {
    for (int i = 1; i <= 5; ++i) {
        addEvent(QStringLiteral("E%1").arg(i), i * kDayMs);
    }
    addEvent(QStringLiteral("Past"), -kHourMs);
    addTask(std::nullopt); // no due date: pending
    addTask(-kHourMs);     // due before now
    addTask(2 * kDayMs, /*completed=*/true);
    save();
    EXPECT_EQ(stat("eventsStat"), 3);
    EXPECT_EQ(stat("tasksStat"), 1);
    addTask(kDayMs);
    addTask(3 * kDayMs);
    addTask(4 * kDayMs);
    save();
    ASSERT_TRUE(waitUntil([&] { return stat("tasksStat") == 3; }));
}

// One policy at an offset from now with its reminder days: is it in the attention list? The
// clock stands on 10 March in Rome, so the next thirty days cross the spring change.
struct AttentionCase {
    const char* name;
    qint64 offsetMs;
    qint32 reminderDays;
    std::optional<QString> custom;
    int expected;
};

void PrintTo(const AttentionCase& c, std::ostream* out) {
    *out << c.name;
}

class MenuBarAttentionTest : public MenuBarViewTest,
                             public ::testing::WithParamInterface<AttentionCase> {};

TEST_P(MenuBarAttentionTest, CountsOnlyPoliciesExpiringSoonWithinThirtyDays) {
    const AttentionCase& c = GetParam();
    addPolicy(c.offsetMs, c.reminderDays, c.custom);
    save();
    EXPECT_EQ(stat("policiesStat"), c.expected);
    EXPECT_EQ(shown("warningRow"), c.expected > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Policies, MenuBarAttentionTest,
    ::testing::Values(
        AttentionCase{"TenDaysWithThirty", 10 * kDayMs, 30, {}, 1},
        AttentionCase{"TenDaysWithSeven", 10 * kDayMs, 7, {}, 0},
        AttentionCase{"FortyDaysWithSixty", 40 * kDayMs, 60, {}, 0},
        AttentionCase{"PastTwoDays", -2 * kDayMs, 30, {}, 0},
        // Less than a whole day past is zero days left: expiring soon, as the list has it,
        // whether earlier today or yesterday.
        AttentionCase{"PastByAnHour", -kHourMs, 30, {}, 1},
        AttentionCase{"PastByTwentyThreeHours", -23 * kHourMs, 30, {}, 1},
        AttentionCase{"PastByAWholeDay", -kDayMs, 30, {}, 0},
        AttentionCase{"CustomDaysLargestCounts", 20 * kDayMs, 5, QStringLiteral("7, 25"), 1},
        AttentionCase{"ThirtyWallClockDaysAcrossTheSpringChange", 30 * kDayMs - kHourMs, 30, {}, 1},
        AttentionCase{"ThirtyTimesTwentyFourHoursIsPastTheWindow", 30 * kDayMs, 31, {}, 0}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST_F(MenuBarViewTest, WarningSaysPolicyForOneAndPoliciesForMore) {
    addPolicy(5 * kDayMs, 30);
    save();
    EXPECT_EQ(text("warningText"), QStringLiteral("1 policy expiring soon"));
    addPolicy(6 * kDayMs, 30);
    save();
    ASSERT_TRUE(waitUntil([&] { return stat("policiesStat") == 2; }));
    EXPECT_EQ(text("warningText"), QStringLiteral("2 policies expiring soon"));
}

TEST_F(MenuBarViewTest, NextEventShowsTheFirstWithItsCategoryDotAndTime) {
    m_clock.setLocale(QLocale(QStringLiteral("en_US")));
    // 09:30 UTC is 10:30 in Rome; two hours on, 12:30.
    addEvent(QStringLiteral("Later"), 3 * kDayMs, QStringLiteral("red"));
    addEvent(QStringLiteral("Meeting"), 2 * kHourMs, QStringLiteral("Green"));
    save();
    ASSERT_TRUE(shown("nextEventBlock"));
    EXPECT_EQ(text("nextEventTitle"), QStringLiteral("Meeting"));
    EXPECT_TRUE(text("nextEventTime").startsWith(QStringLiteral("12:30")))
        << text("nextEventTime").toStdString();
    EXPECT_TRUE(text("nextEventTime").endsWith(QStringLiteral("PM")))
        << text("nextEventTime").toStdString();
    auto dotColor = [&] {
        return view().findChild<QLabel*>(QStringLiteral("nextEventDot"))->property("dotColor");
    };
    EXPECT_EQ(dotColor().value<QColor>(), Palette::color(ColorName::Green, view().palette()));
    addEvent(QStringLiteral("Sooner"), kHourMs);
    save();
    ASSERT_TRUE(waitUntil([&] { return text("nextEventTitle") == QStringLiteral("Sooner"); }));
    EXPECT_EQ(dotColor().value<QColor>(), Palette::color(ColorName::Blue, view().palette()));
}

// A click on the next event brings the program forward and asks for that event.
TEST_F(MenuBarViewTest, ClickingTheNextEventOpensItInTheAgenda) {
    const auto meeting = addEvent(QStringLiteral("Meeting"), 2 * kHourMs);
    save();
    ASSERT_TRUE(shown("nextEventBlock"));
    QSignalSpy opened(&view(), &MenuBarView::eventOpenRequested);
    QTest::mouseClick(view().findChild<QWidget*>(QStringLiteral("nextEventTitle")), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first().first().toUuid(), meeting->id());
    EXPECT_EQ(m_desktop.forwardTokens.size(), 1);
    EXPECT_TRUE(m_posted.isEmpty());
}

// The fetch windows start when the popover opens, not when the program started.
TEST_F(MenuBarViewTest, ReopeningDaysLaterTakesNowAfresh) {
    addEvent(QStringLiteral("Soon"), 2 * kDayMs);
    addPolicy(40 * kDayMs, 30);
    save();
    EXPECT_EQ(stat("eventsStat"), 1);
    EXPECT_EQ(stat("policiesStat"), 0);
    m_clock.advanceTo(in(15 * kDayMs));
    view().takeNow();
    EXPECT_EQ(view().fetchesStartAt(), m_clock.now());
    EXPECT_EQ(stat("eventsStat"), 0);
    EXPECT_FALSE(shown("nextEventBlock"));
    EXPECT_EQ(stat("policiesStat"), 1);
    // Thirty-one days after start-up, policies due in nine and ten days both show.
    m_clock.advanceTo(in(16 * kDayMs));
    addPolicy(10 * kDayMs, 30);
    save();
    view().takeNow();
    EXPECT_EQ(stat("policiesStat"), 2);
}

TEST_F(MenuBarViewTest, AClockSetBackFindsWhatLiesAheadOfTheNewNow) {
    view();
    m_clock.jumpTo(in(-5 * kDayMs));
    addEvent(QStringLiteral("Tomorrow"), kDayMs);
    addTask(2 * kDayMs);
    addPolicy(3 * kDayMs, 30);
    save();
    view().takeNow();
    EXPECT_EQ(stat("eventsStat"), 1);
    EXPECT_EQ(stat("tasksStat"), 1);
    EXPECT_EQ(stat("policiesStat"), 1);
}

TEST_F(MenuBarViewTest, WhileOpenANewDayRecountsTheAttentionList) {
    addPolicy(25 * kDayMs, 20);
    save();
    EXPECT_EQ(stat("policiesStat"), 0);
    m_clock.advanceTo(in(6 * kDayMs));
    ASSERT_TRUE(waitUntil([&] { return stat("policiesStat") == 1; }));
    EXPECT_TRUE(shown("warningRow"));
}

// Each button: whether it brings the program forward, what it posts, whether it quits.
struct ButtonCase {
    const char* label;
    int forwarded;
    QString posted;
    int quits;
};

void PrintTo(const ButtonCase& c, std::ostream* out) {
    *out << c.label;
}

class MenuBarButtonTest : public MenuBarViewTest,
                          public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(MenuBarButtonTest, DoesWhatItSays) {
    const ButtonCase& c = GetParam();
    addPolicy(5 * kDayMs, 30); // so that "Vedi" shows
    save();
    QSignalSpy preferences(&view(), &MenuBarView::preferencesRequested);
    QSignalSpy quits(&view(), &MenuBarView::quitRequested);
    QPushButton* target = button(QLatin1String(c.label));
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton);
    EXPECT_EQ(m_desktop.forwardTokens.size(), c.forwarded);
    EXPECT_EQ(m_posted, c.posted.isEmpty() ? QStringList() : QStringList{c.posted});
    EXPECT_EQ(quits.size(), c.quits);
    EXPECT_EQ(preferences.size(),
              QLatin1String(c.label) == QLatin1String("Preferences...") ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Buttons, MenuBarButtonTest,
                         ::testing::Values(ButtonCase{"Open App", 1, {}, 0},
                                           ButtonCase{"Event", 1, NotificationName::newEvent, 0},
                                           ButtonCase{"Task", 1, NotificationName::newTask, 0},
                                           ButtonCase{"Policy", 1, NotificationName::newPolicy, 0},
                                           ButtonCase{"Vedi", 1, {}, 0},
                                           ButtonCase{"Preferences...", 1, {}, 0},
                                           ButtonCase{"Quit", 0, {}, 1}),
                         CaseName());

struct ColorCase {
    const char* name;
    ColorName expected;
};

void PrintTo(const ColorCase& c, std::ostream* out) {
    *out << '"' << c.name << '"';
}

class CategoryColorTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(CategoryColorTest, MatchesTheWholeNameInAnyCaseElseBlue) {
    EXPECT_EQ(Palette::categoryColor(QString::fromUtf8(GetParam().name)), GetParam().expected)
        << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, CategoryColorTest,
    ::testing::Values(ColorCase{"red", ColorName::Red}, ColorCase{"RED", ColorName::Red},
                      ColorCase{"rEd", ColorName::Red}, ColorCase{"", ColorName::Blue},
                      ColorCase{"grey", ColorName::Blue}, ColorCase{" red", ColorName::Blue},
                      ColorCase{"red ", ColorName::Blue}, ColorCase{"white", ColorName::White},
                      ColorCase{"Gray", ColorName::Gray}, ColorCase{"MINT", ColorName::Mint},
                      ColorCase{"brown", ColorName::Brown}, ColorCase{"navy", ColorName::Blue}),
    CaseName());

} // namespace
