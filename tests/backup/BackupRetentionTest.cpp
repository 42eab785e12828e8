#include "backup/BackupRetention.h"
#include "backup/BackupFileName.h"
#include "backup/BackupSchedule.h"
#include "support/CaseName.h"
#include "support/TimeHelpers.h"

#include <QDate>

#include <gtest/gtest.h>

#include <ostream>

using namespace TimeHelpers;

namespace {

const QTimeZone kRome("Europe/Rome");
// Tuesday 10 March 2026, 10:30 in Rome.
const Instant kNow = utc("2026-03-10T09:30:00Z");

QString name(const QString& local) {
    return QStringLiteral("QuintaverModel-%1.sqlite").arg(local);
}
QString name(const char* local) {
    return name(QString::fromLatin1(local));
}

// Daily backups at 09:00 from `first` to `last`, each named as the program names it.
QStringList daily(QDate first, QDate last) {
    QStringList names;
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        names << name(day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("-090000"));
    }
    return names;
}

struct RetentionCase {
    const char* what;
    QStringList names;
    QStringList kept;
};

void PrintTo(const RetentionCase& c, std::ostream* out) {
    *out << c.what;
}

class Retention : public ::testing::TestWithParam<RetentionCase> {};

TEST_P(Retention, KeepsTheNewestOfEachDayWeekAndMonthAndRemovesTheRest) {
    const RetentionCase& c = GetParam();
    QStringList expected;
    for (const QString& each : c.names) {
        if (!c.kept.contains(each) && BackupFileName::localTimeOf(each)) {
            expected << each;
        }
    }
    QStringList removed = BackupRetention::beyondRetention(c.names, kNow, kRome);
    removed.sort();
    expected.sort();
    EXPECT_EQ(removed, expected);
}

INSTANTIATE_TEST_SUITE_P(
    AtAFixedInstant, Retention,
    ::testing::Values(
        RetentionCase{"three a day for a week: the newest of each of the last 7 days",
                      [] {
                          QStringList names{name("2026-03-10-030000"), name("2026-03-10-090000")};
                          for (QDate d(2026, 3, 3); d <= QDate(2026, 3, 9); d = d.addDays(1)) {
                              for (const char* time : {"-030000", "-090000", "-150000"}) {
                                  names << name(d.toString(QStringLiteral("yyyy-MM-dd")) +
                                                QLatin1String(time));
                              }
                          }
                          return names;
                      }(),
                      // 3 March is eight days back, but the newest of last week's Monday-to-Sunday
                      // is 8 March and of March is today's.
                      {name("2026-03-04-150000"), name("2026-03-05-150000"),
                       name("2026-03-06-150000"), name("2026-03-07-150000"),
                       name("2026-03-08-150000"), name("2026-03-09-150000"),
                       name("2026-03-10-090000")}},
        RetentionCase{
            "daily for fourteen months: 7 days, 5 weeks, 12 months",
            daily(QDate(2025, 1, 1), QDate(2026, 3, 10)),
            {name("2026-03-04-090000"), name("2026-03-05-090000"), name("2026-03-06-090000"),
             name("2026-03-07-090000"), name("2026-03-08-090000"), name("2026-03-09-090000"),
             name("2026-03-10-090000"),
             // Sundays of the weeks from 23 February, 16 and 9 February
             name("2026-03-01-090000"), name("2026-02-22-090000"), name("2026-02-15-090000"),
             // the last day of each month back to April 2025
             name("2026-02-28-090000"), name("2026-01-31-090000"), name("2025-12-31-090000"),
             name("2025-11-30-090000"), name("2025-10-31-090000"), name("2025-09-30-090000"),
             name("2025-08-31-090000"), name("2025-07-31-090000"), name("2025-06-30-090000"),
             name("2025-05-31-090000"), name("2025-04-30-090000")}},
        RetentionCase{
            "a backup dated after now is kept and takes no day from today's",
            {name("2026-03-10-113000"), name("2026-03-10-090000"), name("2026-03-10-080000"),
             name("2026-03-11-090000")},
            {name("2026-03-10-113000"), name("2026-03-10-090000"), name("2026-03-11-090000")}},
        RetentionCase{"other names are never touched",
                      {name("2026-03-10-090000"), name("2026-03-10-080000"),
                       name("damaged-2026-03-01-090000"), name("2026-02-30-090000"),
                       QStringLiteral(".QuintaverModel-2026-03-10-070000.sqlite.partial"),
                       QStringLiteral("QuintaverModel-2026-03-10-070000.sqlite-wal"),
                       QStringLiteral("notes.txt")},
                      {name("2026-03-10-090000")}},
        RetentionCase{"after a year away, only what the year still covers",
                      {name("2026-03-10-090000"), name("2025-04-01-090000"),
                       name("2025-03-31-090000"), name("2024-12-01-090000")},
                      {name("2026-03-10-090000"), name("2025-04-01-090000")}}),
    CaseName());

TEST(BackupSchedule, AtStartUpAfter24HoursAndAfterTheFirstSaveOfEachLocalDay) {
    using BackupSchedule::dueAfterSave;
    using BackupSchedule::dueAtStartUp;
    EXPECT_TRUE(dueAtStartUp(std::nullopt, kNow));
    EXPECT_FALSE(dueAtStartUp(Instant(kNow.msSinceEpoch() - kDayMs + 1), kNow));
    EXPECT_TRUE(dueAtStartUp(Instant(kNow.msSinceEpoch() - kDayMs), kNow));
    // Written by a clock that has since been set back.
    EXPECT_TRUE(dueAtStartUp(Instant(kNow.msSinceEpoch() + kHourMs), kNow));

    const QDate today(2026, 3, 10);
    EXPECT_TRUE(dueAfterSave(today.addDays(-1), std::nullopt, kNow, kRome));
    EXPECT_TRUE(dueAfterSave(std::nullopt, today.addDays(-1), kNow, kRome));
    EXPECT_FALSE(dueAfterSave(today, std::nullopt, kNow, kRome));
    EXPECT_FALSE(dueAfterSave(today.addDays(-1), today, kNow, kRome));
    // 00:10 in Rome is still the previous day in UTC: the local day counts.
    EXPECT_TRUE(dueAfterSave(today, today, utc("2026-03-10T23:10:00Z"), kRome));
}

TEST(BackupFileName, NamesReadBackAsTheirInstantAndNothingElseReadsAsOne) {
    // 02:30 on the autumn change's night happens twice; the name reads as the first.
    const Instant first = utc("2026-10-25T00:30:00Z");
    const QString named = BackupFileName::at(first, kRome);
    EXPECT_EQ(named, name("2026-10-25-023000"));
    EXPECT_EQ(BackupFileName::instantOf(named, kRome), first);
    EXPECT_EQ(BackupFileName::at(utc("2026-10-25T01:30:00Z"), kRome), named);
    EXPECT_EQ(BackupFileName::damagedAt(kNow, kRome),
              QStringLiteral("QuintaverModel-damaged-2026-03-10-103000.sqlite"));
    for (const QString& other :
         {name("2026-13-01-090000"), name("2026-03-10-250000"), name("2026-03-10-0900"),
          name("２０２６-03-10-090000"), BackupFileName::partial(named), named + u' '}) {
        EXPECT_FALSE(BackupFileName::localTimeOf(other)) << qPrintable(other);
    }
    EXPECT_TRUE(BackupFileName::isPartial(BackupFileName::partial(named)));
}

} // namespace
