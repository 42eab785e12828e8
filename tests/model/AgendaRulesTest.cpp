#include "model/Checklist.h"
#include "model/EventRules.h"

#include "support/CaseName.h"
#include "support/StoreFixture.h"

using namespace TimeHelpers;
using EventRules::Times;

namespace {

const QTimeZone kRome("Europe/Rome");

struct HourCase {
    const char* now;
    const char* expected;
};

void PrintTo(const HourCase& c, std::ostream* out) {
    *out << c.now;
}

class NewEventTimes : public ::testing::TestWithParam<HourCase> {};

TEST_P(NewEventTimes, StartAtTheNextWholeHourOfTheWallClockAndLastAnHour) {
    const EventRules::NewEvent event = EventRules::newEvent(utc(GetParam().now), kRome, 30);
    EXPECT_EQ(wall(event.times.start, kRome), QString::fromLatin1(GetParam().expected));
    EXPECT_EQ(event.times.end.msSinceEpoch() - event.times.start.msSinceEpoch(), kHourMs);
    EXPECT_EQ(event.reminderMinutes, 30);
}

INSTANTIATE_TEST_SUITE_P(
    Instants, NewEventTimes,
    ::testing::Values(HourCase{"2027-06-01T08:20:00Z", "2027-06-01 11:00"},
                      // On the hour: the next one, not this one.
                      HourCase{"2027-06-01T08:00:00Z", "2027-06-01 11:00"},
                      HourCase{"2027-06-01T21:59:59Z", "2027-06-02 00:00"},
                      // 01:30 on the spring day: 02:00 does not exist.
                      HourCase{"2027-03-28T00:30:00Z", "2027-03-28 03:00"},
                      // 02:30 of the first autumn 02:00 hour: the repeated 02:00 follows.
                      HourCase{"2027-10-31T00:30:00Z", "2027-10-31 02:00"}),
    CaseName());

TEST(EventRules, ANegativeDefaultReminderPreferenceMeansNone) {
    EXPECT_EQ(EventRules::newEvent(utc("2027-06-01T08:20:00Z"), kRome, -5).reminderMinutes,
              EventRules::kNoReminder);
    EXPECT_EQ(EventRules::newEvent(utc("2027-06-01T08:20:00Z"), kRome, 15).reminderMinutes, 15);
}

TEST(EventRules, TheReminderChoicesMapToMinutesWithNegativeForNone) {
    EXPECT_EQ(EventRules::reminderChoiceIndex(-1), 0U);
    EXPECT_EQ(EventRules::reminderChoiceIndex(-40), 0U);
    EXPECT_EQ(EventRules::reminderChoiceIndex(0), 1U);
    EXPECT_EQ(EventRules::reminderChoiceIndex(60), 5U);
    EXPECT_EQ(EventRules::reminderChoiceIndex(1440), 6U);
    EXPECT_EQ(EventRules::reminderChoiceIndex(45), std::nullopt);
    // A day before 09:00 across the spring change is 09:00 the day before, 23 hours earlier.
    const Instant start = utc("2027-03-28T07:00:00Z");
    EXPECT_EQ(EventRules::reminderInstant(start, 1440, kRome), utc("2027-03-27T08:00:00Z"));
    EXPECT_EQ(EventRules::reminderInstant(start, 15, kRome), utc("2027-03-28T06:45:00Z"));
    EXPECT_EQ(EventRules::reminderInstant(start, 0, kRome), start);
    EXPECT_EQ(EventRules::reminderInstant(start, -1, kRome), std::nullopt);
}

TEST(EventRules, TheEndFollowsAMovedStartKeepingTheLength) {
    const Times timed{utc("2027-06-01T08:00:00Z"), utc("2027-06-01T09:30:00Z")};
    EXPECT_EQ(EventRules::endFollowingStart(timed, utc("2027-06-03T15:00:00Z"), false, kRome),
              utc("2027-06-03T16:30:00Z"));
    // An end before the start becomes the start itself.
    const Times backwards{timed.end, timed.start};
    EXPECT_EQ(EventRules::endFollowingStart(backwards, utc("2027-06-03T15:00:00Z"), false, kRome),
              utc("2027-06-03T15:00:00Z"));
    EXPECT_FALSE(EventRules::endIsNotBeforeStart(backwards));
    EXPECT_TRUE(EventRules::endIsNotBeforeStart({timed.start, timed.start}));
    // Two all-day days moved onto the spring change: two days, bounded by local midnights.
    const Times twoDays = EventRules::allDayBounds({QDate(2027, 6, 1), QDate(2027, 6, 2)}, kRome);
    EXPECT_EQ(EventRules::endFollowingStart(twoDays, utc("2027-03-26T23:00:00Z"), true, kRome),
              utc("2027-03-28T22:00:00Z"));
}

struct AllDayCase {
    const char* start;
    const char* end;
    QDate first, last;
    const char* boundStart;
    const char* boundEnd;
};

void PrintTo(const AllDayCase& c, std::ostream* out) {
    *out << c.start << ' ' << c.end;
}

class AllDay : public ::testing::TestWithParam<AllDayCase> {};

TEST_P(AllDay, CoversTheLocalDatesAndIsStoredAsTheMidnightsBoundingThem) {
    const AllDayCase& c = GetParam();
    const EventRules::Days days = EventRules::days({utc(c.start), utc(c.end)}, kRome);
    EXPECT_EQ(days, (EventRules::Days{c.first, c.last}));
    const Times bounds = EventRules::allDayBounds(days, kRome);
    EXPECT_EQ(bounds, (Times{utc(c.boundStart), utc(c.boundEnd)}));
    // Stored bounds read back as the same days.
    EXPECT_EQ(EventRules::days(bounds, kRome), days);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, AllDay,
    ::testing::Values(
        // 23:30 to 00:30 in Rome spans two dates.
        AllDayCase{"2027-06-01T21:30:00Z", "2027-06-01T22:30:00Z", QDate(2027, 6, 1),
                   QDate(2027, 6, 2), "2027-05-31T22:00:00Z", "2027-06-02T22:00:00Z"},
        // The spring day is 23 hours long, the autumn day 25.
        AllDayCase{"2027-03-28T10:00:00Z", "2027-03-28T11:00:00Z", QDate(2027, 3, 28),
                   QDate(2027, 3, 28), "2027-03-27T23:00:00Z", "2027-03-28T22:00:00Z"},
        AllDayCase{"2027-10-31T10:00:00Z", "2027-10-31T11:00:00Z", QDate(2027, 10, 31),
                   QDate(2027, 10, 31), "2027-10-30T22:00:00Z", "2027-10-31T23:00:00Z"},
        // An end before the start: the start's day alone.
        AllDayCase{"2027-06-05T10:00:00Z", "2027-06-01T10:00:00Z", QDate(2027, 6, 5),
                   QDate(2027, 6, 5), "2027-06-04T22:00:00Z", "2027-06-05T22:00:00Z"}),
    CaseName());

TEST(Checklist, ReadsItemsAndWritesBackForeignLinesAsTheyStand) {
    const QString stored = QStringLiteral("Documenti:\n[ ] Carta d'identità\n[x] Libretto\n"
                                          "[X] maiuscola\n[]stretto\n\r\n[ ] \n- trattino\n");
    Checklist list = Checklist::read(stored);
    EXPECT_EQ(list.text(), stored);
    EXPECT_EQ(list.itemCount(), 3);
    EXPECT_EQ(list.doneCount(), 1);
    EXPECT_EQ(list.lines()[1], (Checklist::Line{true, false, QStringLiteral("Carta d'identità")}));
    EXPECT_FALSE(list.lines()[3].isItem);

    list.setDone(1, true);
    list.setDone(2, false);
    list.setDone(3, true); // a foreign line stays as it is
    list.addItem(QStringLiteral("Firma\nsul retro"));
    list.remove(0);
    EXPECT_EQ(list.text(),
              QStringLiteral("[x] Carta d'identità\n[ ] Libretto\n[X] maiuscola\n"
                             "[]stretto\n\r\n[ ] \n- trattino\n\n[ ] Firma sul retro"));
    EXPECT_EQ(Checklist::read(std::nullopt).text(), std::nullopt);
    EXPECT_EQ(Checklist::read(QString()).text(), QString());
}

class TaskCompletion : public StoreFixture {};

TEST_F(TaskCompletion, TickingSetsWhenAndUntickingClearsBoth) {
    auto persistence = openInMemory();
    auto task = persistence->container().viewContext().insert<Task>();
    task->setTitle(QStringLiteral("Inviare i documenti del rinnovo"));
    task->setDone(true, utc("2027-06-01T08:00:00Z"));
    EXPECT_TRUE(task->isCompleted());
    EXPECT_EQ(task->completedAt(), utc("2027-06-01T08:00:00Z"));
    task->setDone(true, utc("2027-06-02T08:00:00Z")); // already done: keeps when
    EXPECT_EQ(task->completedAt(), utc("2027-06-01T08:00:00Z"));
    task->setDone(false, utc("2027-06-03T08:00:00Z"));
    EXPECT_FALSE(task->isCompleted());
    EXPECT_EQ(task->completedAt(), std::nullopt);
    EXPECT_TRUE(persistence->container().viewContext().save());
}

} // namespace
