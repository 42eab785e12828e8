#include "agenda/AgendaDayModel.h"
#include "agenda/MonthGridModel.h"
#include "support/AgendaFixture.h"
#include "support/ModelMirror.h"
#include "support/QtPrinters.h"

#include <QAbstractItemModelTester>

#include <random>

namespace {

// The month grid and the day list over the agenda's data, at the fixture's instant.
class AgendaDataTest : public AgendaFixture {
protected:
    void build() {
        m_data = std::make_unique<AgendaData>(context(), m_clock, m_reminders->repeatRuleLog());
        m_grid = std::make_unique<MonthGridModel>(*m_data, m_clock);
        m_day = std::make_unique<AgendaDayModel>(*m_data, m_clock);
    }
    QVariant cell(QDate date, int role) const { return m_grid->indexOf(date).data(role); }
    QStringList titlesOn(QDate date) const {
        return cell(date, MonthGridModel::TitlesRole).toStringList();
    }
    QStringList dayList(QDate date) {
        m_day->setDay(date);
        return shownTitles(*m_day);
    }
    // The day list's rows as "title | detail".
    QStringList dayRows(QDate date) {
        m_day->setDay(date);
        QStringList rows;
        for (int row = 0; row < m_day->rowCount(); ++row) {
            const QModelIndex index = m_day->index(row);
            rows << index.data(TitleRole).toString() + u'|' + index.data(DetailRole).toString();
        }
        return rows;
    }

    std::unique_ptr<AgendaData> m_data;
    std::unique_ptr<MonthGridModel> m_grid;
    std::unique_ptr<AgendaDayModel> m_day;
};

struct FirstDayCase {
    QLocale::Language language;
    QLocale::Country country;
    const char* month;
    const char* gridStart;
};

void PrintTo(const FirstDayCase& c, std::ostream* out) {
    *out << QLocale(c.language, c.country).name().toStdString() << ' ' << c.month;
}

class GridStart : public AgendaDataTest, public ::testing::WithParamInterface<FirstDayCase> {};

// The grid's first column is the locale's first weekday, on or before the 1st.
TEST_P(GridStart, WeeksStartOnTheLocalesFirstDay) {
    m_clock.setLocale(QLocale(GetParam().language, GetParam().country));
    build();
    m_data->setMonth(day(GetParam().month));
    EXPECT_EQ(m_data->gridStart(), day(GetParam().gridStart));
    EXPECT_EQ(m_grid->headerData(0, Qt::Horizontal).toString(),
              m_clock.locale().dayName(m_data->gridStart().dayOfWeek(), QLocale::ShortFormat));
    EXPECT_TRUE(m_grid->index(0, 0).data(MonthGridModel::InMonthRole).toBool() ==
                (day(GetParam().gridStart).day() == 1));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GridStart,
    ::testing::Values(
        // 1 March 2026 is a Sunday, 1 June a Monday.
        FirstDayCase{QLocale::Italian, QLocale::Italy, "2026-03-15", "2026-02-23"},
        FirstDayCase{QLocale::English, QLocale::UnitedStates, "2026-03-15", "2026-03-01"},
        FirstDayCase{QLocale::Italian, QLocale::Italy, "2026-06-30", "2026-06-01"},
        FirstDayCase{QLocale::English, QLocale::UnitedStates, "2026-06-01", "2026-05-31"},
        // Saturday first.
        FirstDayCase{QLocale::Arabic, QLocale::Egypt, "2026-03-01", "2026-02-28"}));

TEST_F(AgendaDataTest, ADayShowsThreeTitlesAllDayFirstInTheirColoursAndCountsTheRest) {
    const auto car = category(QStringLiteral("Auto"), QStringLiteral("purple"));
    event(QStringLiteral("Pranzo"), at("2026-03-12 13:00"), at("2026-03-12 14:00"), {}, car);
    event(QStringLiteral("Chiamata"), at("2026-03-12 09:00"), at("2026-03-12 09:30"));
    event(QStringLiteral("Cena"), at("2026-03-12 20:00"), at("2026-03-12 22:00"));
    allDay(QStringLiteral("Fiera"), day("2026-03-12"), day("2026-03-12"));
    // The grid's next-month days show their events too.
    event(QStringLiteral("Aprile"), at("2026-04-02 10:00"), at("2026-04-02 11:00"));
    save();
    build();

    EXPECT_EQ(titlesOn(day("2026-03-12")), (QStringList{"Fiera", "Chiamata", "Pranzo"}));
    EXPECT_EQ(cell(day("2026-03-12"), MonthGridModel::ColorsRole).toStringList(),
              (QStringList{"blue", "blue", "purple"}));
    EXPECT_EQ(cell(day("2026-03-12"), MonthGridModel::MoreRole).toInt(), 1);
    EXPECT_TRUE(cell(day("2026-03-12"), MonthGridModel::TodayRole).toBool());
    EXPECT_FALSE(cell(day("2026-03-13"), MonthGridModel::TodayRole).toBool());
    EXPECT_EQ(titlesOn(day("2026-04-02")), QStringList{"Aprile"});
    EXPECT_FALSE(cell(day("2026-04-02"), MonthGridModel::InMonthRole).toBool());
    EXPECT_EQ(dayRows(day("2026-03-12")),
              (QStringList{"Fiera|Tutto il giorno", "Chiamata|09:00 – 09:30",
                           "Pranzo|13:00 – 14:00", "Cena|20:00 – 22:00"}));
}

// An event from 22:00 on the last day of March to 01:00 on the 1st of April is on both days,
// in both months' grids; one ending at midnight is not on the next day.
TEST_F(AgendaDataTest, AnEventAcrossMidnightAndTheMonthEndIsOnBothDays) {
    event(QStringLiteral("Notturno"), at("2026-03-31 22:00"), at("2026-04-01 01:00"));
    event(QStringLiteral("Fino a mezzanotte"), at("2026-03-30 22:00"), at("2026-03-31 00:00"));
    save();
    build();
    EXPECT_EQ(titlesOn(day("2026-03-30")), QStringList{"Fino a mezzanotte"});
    EXPECT_EQ(titlesOn(day("2026-03-31")), QStringList{"Notturno"});
    EXPECT_EQ(titlesOn(day("2026-04-01")), QStringList{"Notturno"});
    m_data->setMonth(day("2026-04-20"));
    EXPECT_EQ(m_data->gridStart(), day("2026-03-30"));
    EXPECT_EQ(titlesOn(day("2026-03-31")), QStringList{"Notturno"});
    EXPECT_EQ(dayRows(day("2026-04-01")), QStringList{"Notturno|22:00 – 01:00"});
    EXPECT_TRUE(titlesOn(day("2026-04-02")).isEmpty());
}

// All-day events on the days of the clock changes (23 and 25 hours long) cover their own days
// only; a timed event on the spring day keeps its wall-clock times.
TEST_F(AgendaDataTest, DaylightSavingDaysHoldTheirOwnEvents) {
    allDay(QStringLiteral("Primavera"), day("2026-03-29"), day("2026-03-29"));
    allDay(QStringLiteral("Autunno"), day("2026-10-25"), day("2026-10-25"));
    event(QStringLiteral("Alba"), at("2026-03-29 01:30"), at("2026-03-29 04:00"));
    save();
    build();
    EXPECT_EQ(titlesOn(day("2026-03-29")), (QStringList{"Primavera", "Alba"}));
    EXPECT_TRUE(titlesOn(day("2026-03-28")).isEmpty());
    EXPECT_TRUE(titlesOn(day("2026-03-30")).isEmpty());
    EXPECT_EQ(dayRows(day("2026-03-29")).last(), QStringLiteral("Alba|01:30 – 04:00"));
    m_data->setMonth(day("2026-10-01"));
    EXPECT_EQ(titlesOn(day("2026-10-25")), QStringList{"Autunno"});
    EXPECT_TRUE(titlesOn(day("2026-10-26")).isEmpty());
    EXPECT_TRUE(titlesOn(day("2026-10-24")).isEmpty());
}

// A weekly event begun in January shows on every Monday of the grid at 09:00, across the
// spring change; one with a count stops; a rule libical refuses shows once at its start.
TEST_F(AgendaDataTest, RepeatingEventsShowTheirOccurrencesInTheGrid) {
    event(QStringLiteral("Riunione"), at("2026-01-05 09:00"), at("2026-01-05 10:00"),
          QStringLiteral("FREQ=WEEKLY"));
    event(QStringLiteral("Due volte"), at("2026-03-03 08:00"), at("2026-03-03 08:15"),
          QStringLiteral("FREQ=DAILY;COUNT=2"));
    event(QStringLiteral("Strana"), at("2026-03-18 12:00"), at("2026-03-18 13:00"),
          QStringLiteral("FREQ=SOMETIMES"));
    save();
    build();
    // Worked out on a worker: the single events show at once, the repeats a moment later.
    ASSERT_TRUE(waitUntil([this] { return m_data->isSettled(); }));
    QList<QDate> mondays;
    for (QDate date = m_data->gridStart(); m_data->isInGrid(date); date = date.addDays(1)) {
        if (titlesOn(date).contains(QStringLiteral("Riunione"))) {
            mondays << date;
        }
    }
    EXPECT_EQ(mondays, (QList<QDate>{day("2026-02-23"), day("2026-03-02"), day("2026-03-09"),
                                     day("2026-03-16"), day("2026-03-23"), day("2026-03-30")}));
    EXPECT_EQ(dayRows(day("2026-03-30")), QStringList{"Riunione|09:00 – 10:00"});
    EXPECT_EQ(titlesOn(day("2026-03-04")), QStringList{"Due volte"});
    EXPECT_TRUE(titlesOn(day("2026-03-05")).isEmpty());
    EXPECT_EQ(titlesOn(day("2026-03-18")), QStringList{"Strana"});
    EXPECT_TRUE(titlesOn(day("2026-03-25")).isEmpty());
    // The refused rule is said once, however many months are worked out.
    m_data->setMonth(day("2026-04-01"));
    ASSERT_TRUE(waitUntil([this] { return m_data->isSettled(); }));
    m_data->setMonth(day("2026-05-01"));
    ASSERT_TRUE(waitUntil([this] { return m_data->isSettled(); }));
    EXPECT_EQ(logLines().filter(QStringLiteral("Error reading repeat rule: ")).size(), 1);
}

// An edited repeating event moves in the grid as soon as the change is worked in, before the
// worker answers; the repeats of the events left alone stay meanwhile.
TEST_F(AgendaDataTest, AnEditedRepeatingEventMovesWithoutWaitingForTheWorker) {
    auto meeting = event(QStringLiteral("Riunione"), at("2026-03-02 09:00"), at("2026-03-02 10:00"),
                         QStringLiteral("FREQ=WEEKLY"));
    event(QStringLiteral("Corso"), at("2026-03-03 08:00"), at("2026-03-03 09:00"),
          QStringLiteral("FREQ=WEEKLY"));
    save();
    build();
    ASSERT_TRUE(waitUntil([this] { return m_data->isSettled(); }));
    EXPECT_EQ(titlesOn(day("2026-03-16")), QStringList{"Riunione"});

    meeting->setStartDate(at("2026-03-04 09:00"));
    meeting->setEndDate(at("2026-03-04 10:00"));
    save();
    m_data->flush();
    EXPECT_FALSE(m_data->isSettled());
    const auto shown = [this] {
        return QList<QStringList>{titlesOn(day("2026-03-16")), titlesOn(day("2026-03-17")),
                                  titlesOn(day("2026-03-18"))};
    };
    const QList<QStringList> moved{{}, {"Corso"}, {"Riunione"}};
    EXPECT_EQ(shown(), moved);
    ASSERT_TRUE(waitUntil([this] { return m_data->isSettled(); }));
    EXPECT_EQ(shown(), moved);
}

// The day's events, its tasks by due time, the undated ones and, under "In Ritardo" in red,
// those past due; a task done today stays until the day is over, "Mostra Completati" brings
// back the older ones.
TEST_F(AgendaDataTest, TheDayListGroupsTasksAndDoneOnesLeaveAfterTheirDay) {
    event(QStringLiteral("Visita"), at("2026-03-12 15:00"), at("2026-03-12 16:00"));
    task(QStringLiteral("Sera"), at("2026-03-12 18:00"));
    task(QStringLiteral("Mattina"), at("2026-03-12 08:00"));
    task(QStringLiteral("Quando capita"));
    task(QStringLiteral("Scaduto"), at("2026-03-10 12:00"));
    task(QStringLiteral("Fatto oggi"), at("2026-03-12 09:00"))
        ->setDone(true, at("2026-03-12 09:10"));
    task(QStringLiteral("Fatto ieri"), at("2026-03-12 07:00"))
        ->setDone(true, at("2026-03-11 17:00"));
    save();
    build();
    EXPECT_EQ(dayList(day("2026-03-12")),
              (QStringList{"Visita", "Compiti", "Mattina", "Fatto oggi", "Sera", "Senza Scadenza",
                           "Quando capita", "In Ritardo", "Scaduto"}));
    const int late = int(m_day->rowCount()) - 1;
    EXPECT_TRUE(m_day->index(late).data(AgendaDayModel::OverdueRole).toBool());
    EXPECT_EQ(m_day->index(late).data(ColorNameRole).toString(), QStringLiteral("red"));
    EXPECT_EQ(m_day->index(3).data(AgendaDayModel::DoneRole).toBool(), true);
    // A free day still lists the undated and overdue tasks, among them this morning's.
    EXPECT_EQ(dayList(day("2026-03-20")),
              (QStringList{"Nessun evento", "Senza Scadenza", "Quando capita", "In Ritardo",
                           "Scaduto", "Mattina"}));

    m_clock.advanceTo(at("2026-03-13 00:01"));
    ASSERT_TRUE(waitUntil([this] { return !dayList(day("2026-03-12")).contains("Fatto oggi"); }));
    // The day's own tasks stay under it once past due; they are not listed twice.
    EXPECT_EQ(dayList(day("2026-03-12")),
              (QStringList{"Visita", "Compiti", "Mattina", "Sera", "Senza Scadenza",
                           "Quando capita", "In Ritardo", "Scaduto"}));
    m_data->setShowCompleted(true);
    EXPECT_EQ(dayList(day("2026-03-12")).mid(0, 6),
              (QStringList{"Visita", "Compiti", "Fatto ieri", "Mattina", "Fatto oggi", "Sera"}));
}

// A save shows in the grid on the next turn; moving to another month fetches that month.
TEST_F(AgendaDataTest, TheGridFollowsSavesAndFetchesEachMonthAfresh) {
    build();
    event(QStringLiteral("Nuovo"), at("2026-03-20 10:00"), at("2026-03-20 11:00"));
    event(QStringLiteral("Maggio"), at("2026-05-20 10:00"), at("2026-05-20 11:00"));
    save();
    ASSERT_TRUE(waitUntil([this] { return titlesOn(day("2026-03-20")) == QStringList{"Nuovo"}; }));
    m_data->setMonth(day("2026-05-01"));
    EXPECT_EQ(titlesOn(day("2026-05-20")), QStringList{"Maggio"});
    EXPECT_EQ(titlesOn(day("2026-03-20")), QStringList());
}

// Random inserts, moves, edits and deletions of events and tasks around the chosen day, each
// saved, under a fatal model tester.
TEST_F(AgendaDataTest, TheDayListStaysAConsistentModelThroughRandomChanges) {
    build();
    m_day->setDay(day("2026-03-12"));
    QAbstractItemModelTester tester(m_day.get(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::mt19937 random(12);
    std::vector<std::shared_ptr<Event>> events;
    std::vector<std::shared_ptr<Task>> tasks;
    const auto someInstant = [&] {
        return Instant(at("2026-03-11 00:00").msSinceEpoch() +
                       qint64(random() % 72) * TimeHelpers::kHourMs);
    };
    for (int step = 0; step < 200; ++step) {
        const unsigned what = random() % 6;
        if (what == 0 || events.empty()) {
            const Instant start = someInstant();
            events.push_back(event(QStringLiteral("E%1").arg(step), start,
                                   Instant(start.msSinceEpoch() + TimeHelpers::kHourMs)));
        } else if (what == 1 || tasks.empty()) {
            tasks.push_back(task(QStringLiteral("T%1").arg(step),
                                 random() % 3 ? std::optional(someInstant()) : std::nullopt));
        } else if (what == 2) {
            auto& moved = events[random() % events.size()];
            if (!moved->isDeleted()) {
                moved->setStartDate(someInstant());
                moved->setEndDate(moved->startDate());
            }
        } else if (what == 3) {
            auto& ticked = tasks[random() % tasks.size()];
            if (!ticked->isDeleted()) {
                ticked->setDone(!ticked->isCompleted(), m_clock.now());
            }
        } else if (what == 4) {
            context().deleteObject(events[random() % events.size()].get());
        } else {
            context().deleteObject(tasks[random() % tasks.size()].get());
        }
        save();
        if (step % 3 == 0) {
            m_data->flush();
        }
        if (step % 50 == 0) {
            m_day->setDay(m_day->day().addDays(step % 100 ? 1 : -1));
        }
    }
    m_data->flush();
    // What the store holds now, worked out apart: the events touching the day and the tasks
    // due on it (all done today, so all still listed).
    const QDate shown = m_day->day();
    QStringList expected;
    for (const auto& kept : events) {
        const QDate first = m_data->dayOf(kept->startDate());
        const QDate last = kept->endDate() > kept->startDate()
                               ? m_data->dayOf(Instant(kept->endDate().msSinceEpoch() - 1))
                               : first;
        if (!kept->isDeleted() && first <= shown && shown <= last) {
            expected << kept->title();
        }
    }
    for (const auto& kept : tasks) {
        if (!kept->isDeleted() && kept->dueDate() && m_data->dayOf(*kept->dueDate()) == shown) {
            expected << kept->title();
        }
    }
    QStringList listed;
    QString group;
    for (int row = 0; row < m_day->rowCount(); ++row) {
        const QModelIndex index = m_day->index(row);
        const auto kind = AgendaDayEntry::Kind(index.data(AgendaDayModel::KindRole).toInt());
        if (kind == AgendaDayEntry::Kind::Heading) {
            group = index.data(TitleRole).toString();
        } else if (kind == AgendaDayEntry::Kind::Event ||
                   (kind == AgendaDayEntry::Kind::Task && group == QStringLiteral("Compiti"))) {
            listed << index.data(TitleRole).toString();
        }
    }
    expected.sort();
    listed.sort();
    EXPECT_EQ(listed, expected);
}

} // namespace
