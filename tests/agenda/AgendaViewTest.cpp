#include "agenda/AgendaView.h"
#include "agenda/AgendaDayModel.h"
#include "agenda/AgendaDayRow.h"
#include "agenda/AgendaSearchModel.h"
#include "agenda/MonthGridModel.h"
#include "reminders/NotificationManager.h"
#include "support/AgendaFixture.h"
#include "support/Child.h"
#include "ui/ItemDataRole.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

// The agenda section shown at the fixture's instant, driven by mouse and keyboard.
class AgendaViewTest : public AgendaFixture {
protected:
    void show() {
        m_view = std::make_unique<AgendaView>(m_world.agenda(context()));
        m_view->resize(1000, 640);
        m_view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
    }
    QTableView* grid() const { return child<QTableView>(m_view.get(), "agendaMonthGrid"); }
    QListView* dayList() const { return child<QListView>(m_view.get(), "agendaDayList"); }
    QPoint centreOf(QDate date) const {
        return grid()->visualRect(m_view->gridModel().indexOf(date)).center();
    }
    QRect rowRect(int row) const { return dayList()->visualRect(m_view->dayModel().index(row)); }
    int rowTitled(const QString& title) const {
        const AgendaDayModel& model = m_view->dayModel();
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.index(row).data(TitleRole).toString() == title) {
                return row;
            }
        }
        return -1;
    }

    // As the window system delivers one: a click, then the double click.
    static void doubleClick(QWidget* widget, QPoint at) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, at);
        QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    }

    std::unique_ptr<AgendaView> m_view;
};

TEST_F(AgendaViewTest, AClickChoosesADayAndADoubleClickAsksForANewEventOnIt) {
    event(QStringLiteral("Perizia"), at("2026-03-18 11:00"), at("2026-03-18 12:00"));
    save();
    show();
    QSignalSpy asked(m_view.get(), &AgendaView::newEventRequested);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, centreOf(day("2026-03-18")));
    EXPECT_EQ(m_view->selectedDay(), day("2026-03-18"));
    EXPECT_EQ(m_view->dayModel().index(0).data(TitleRole).toString(), QStringLiteral("Perizia"));
    EXPECT_EQ(grid()->currentIndex(), m_view->gridModel().indexOf(day("2026-03-18")));
    EXPECT_TRUE(asked.isEmpty());
    doubleClick(grid()->viewport(), centreOf(day("2026-03-25")));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.first().first().toDate(), day("2026-03-25"));
}

// Arrows move a day or a week, Page Up/Down a month (to the same day, or the month's last),
// "Oggi" back to today; the arrows' buttons a month.
TEST_F(AgendaViewTest, KeysAndButtonsMoveBetweenDaysAndMonths) {
    show();
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Right);
    EXPECT_EQ(m_view->selectedDay(), day("2026-03-13"));
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(m_view->selectedDay(), day("2026-03-20"));
    QTest::keyClick(grid(), Qt::Key_Up);
    QTest::keyClick(grid(), Qt::Key_Left);
    EXPECT_EQ(m_view->selectedDay(), day("2026-03-12"));
    // The day list is made once for a new month, for the new day alone.
    QStringList listMadeFor;
    const auto made = [&] { listMadeFor << m_view->dayModel().day().toString(Qt::ISODate); };
    const QMetaObject::Connection reset =
        QObject::connect(&m_view->dayModel(), &QAbstractItemModel::modelReset, made);
    const QMetaObject::Connection changed =
        QObject::connect(&m_view->dayModel(), &QAbstractItemModel::dataChanged, made);
    QTest::keyClick(grid(), Qt::Key_PageDown);
    QObject::disconnect(reset);
    QObject::disconnect(changed);
    EXPECT_EQ(m_view->data().month(), day("2026-04-01"));
    EXPECT_EQ(m_view->selectedDay(), day("2026-04-12"));
    EXPECT_EQ(listMadeFor, QStringList{QStringLiteral("2026-04-12")});
    m_view->selectDay(day("2026-01-31"));
    QTest::keyClick(grid(), Qt::Key_PageDown);
    EXPECT_EQ(m_view->selectedDay(), day("2026-02-28"));
    QTest::keyClick(grid(), Qt::Key_PageUp);
    EXPECT_EQ(m_view->data().month(), day("2026-01-01"));
    QTest::mouseClick(child<QWidget>(m_view.get(), "agendaNextMonth"), Qt::LeftButton);
    EXPECT_EQ(m_view->data().month(), day("2026-02-01"));
    QTest::mouseClick(child<QPushButton>(m_view.get(), "agendaTodayButton"), Qt::LeftButton);
    EXPECT_EQ(m_view->selectedDay(), day("2026-03-12"));
    EXPECT_EQ(child<QLabel>(m_view.get(), "agendaMonthTitle")->text(),
              QStringLiteral("Marzo 2026"));
}

// Return on an event's row and a double click on a task's row ask to open them.
TEST_F(AgendaViewTest, RowsAskToOpenTheirEventOrTask) {
    const auto visit =
        event(QStringLiteral("Visita"), at("2026-03-12 15:00"), at("2026-03-12 16:00"));
    const auto papers = task(QStringLiteral("Documenti"), at("2026-03-12 18:00"));
    save();
    show();
    QSignalSpy events(m_view.get(), &AgendaView::eventActivated);
    QSignalSpy tasks(m_view.get(), &AgendaView::taskActivated);
    dayList()->setFocus();
    dayList()->setCurrentIndex(m_view->dayModel().index(rowTitled(QStringLiteral("Visita"))));
    QTest::keyClick(dayList(), Qt::Key_Return);
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events.first().first().toUuid(), visit->id());
    const QRect taskRow = rowRect(rowTitled(QStringLiteral("Documenti")));
    doubleClick(dayList()->viewport(), taskRow.center() + QPoint(60, 0));
    ASSERT_EQ(tasks.size(), 1);
    EXPECT_EQ(tasks.first().first().toUuid(), papers->id());
    EXPECT_EQ(events.size(), 1);
}

// The tick marks the task done and saves at once, which cancels its reminder; a second click
// undoes both.
TEST_F(AgendaViewTest, TheTickCompletesATaskAndSaves) {
    const auto papers = task(QStringLiteral("Documenti"), at("2026-03-12 18:00"));
    papers->setReminderDate(at("2026-03-12 17:00"));
    save();
    m_reminders->scheduleTaskReminder(*papers);
    const QString pending =
        QStringLiteral("task-") + papers->id().toString(QUuid::WithoutBraces).toUpper();
    ASSERT_EQ(pendingReminders(), QStringList{pending});
    show();
    const QRect tick = AgendaDayRow::tickRect(rowRect(rowTitled(QStringLiteral("Documenti"))));
    QTest::mouseClick(dayList()->viewport(), Qt::LeftButton, {}, tick.center());
    EXPECT_TRUE(papers->isCompleted());
    EXPECT_EQ(papers->completedAt(), m_clock.now());
    EXPECT_FALSE(context().hasChanges());
    EXPECT_TRUE(pendingReminders().isEmpty());
    ASSERT_TRUE(waitUntil([this] {
        return m_view->dayModel()
            .index(rowTitled(QStringLiteral("Documenti")))
            .data(AgendaDayModel::DoneRole)
            .toBool();
    }));
    QTest::mouseClick(
        dayList()->viewport(), Qt::LeftButton, {},
        AgendaDayRow::tickRect(rowRect(rowTitled(QStringLiteral("Documenti")))).center());
    EXPECT_FALSE(papers->isCompleted());
    EXPECT_FALSE(papers->completedAt().has_value());
    EXPECT_EQ(pendingReminders(), QStringList{pending});
}

// Typing shows the matches in the day list's place; choosing one goes to its day with it chosen.
TEST_F(AgendaViewTest, ChoosingASearchMatchShowsItsDay) {
    const auto far =
        event(QStringLiteral("Rinnovo flotta"), at("2026-07-02 10:00"), at("2026-07-02 11:00"));
    save();
    show();
    QTest::keyClicks(child<QLineEdit>(m_view.get(), "agendaSearchField"), QStringLiteral("flotta"));
    auto* matches = child<QListView>(m_view.get(), "agendaSearchResults");
    ASSERT_TRUE(waitUntil([matches] { return matches->isVisible(); }));
    ASSERT_EQ(m_view->searchModel().rowCount(), 1);
    EXPECT_EQ(child<QLabel>(m_view.get(), "agendaDayTitle")->text(), QStringLiteral("1 risultato"));
    QTest::mouseClick(matches->viewport(), Qt::LeftButton, {},
                      matches->visualRect(m_view->searchModel().index(0)).center());
    EXPECT_EQ(m_view->selectedDay(), day("2026-07-02"));
    EXPECT_EQ(m_view->selectedItem(), far);
    EXPECT_TRUE(dayList()->isVisible());
    EXPECT_EQ(dayList()->currentIndex().row(), rowTitled(QStringLiteral("Rinnovo flotta")));
}

// A repeating event's match opens the day of its occurrence, not of its first start.
TEST_F(AgendaViewTest, ChoosingAnOccurrenceShowsItsDay) {
    const auto weekly = event(QStringLiteral("Giro clienti"), at("2026-03-02 09:00"),
                              at("2026-03-02 10:00"), QStringLiteral("FREQ=WEEKLY"));
    save();
    show();
    QTest::keyClicks(child<QLineEdit>(m_view.get(), "agendaSearchField"), QStringLiteral("giro"));
    auto* matches = child<QListView>(m_view.get(), "agendaSearchResults");
    ASSERT_TRUE(waitUntil([this] { return m_view->searchModel().rowCount() > 1; }));
    const QModelIndex second = m_view->searchModel().index(1);
    QTest::mouseClick(matches->viewport(), Qt::LeftButton, {},
                      matches->visualRect(second).center());
    EXPECT_EQ(m_view->selectedDay(), day("2026-03-23"));
    EXPECT_EQ(m_view->selectedItem(), weekly);
}

} // namespace
