#include "report/RenewalDocument.h"
#include "report/RenewalPages.h"
#include "report/RenewalRange.h"
#include "report/RenewalSelection.h"
#include "report/RenewalWeek.h"
#include "support/StoreFixture.h"
#include "transfer/TaskControl.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QRegularExpression>
#include <QTextDocument>

#include <csignal>
#include <sys/resource.h>

namespace {

using TimeHelpers::utc;

const QTimeZone kRome("Europe/Rome");

RenewalRow rowAt(const QString& name, Instant expiry) {
    return {.name = name,
            .number = QStringLiteral("N-") + name,
            .provider = QStringLiteral("Generali"),
            .expiry = expiry,
            .client = QStringLiteral("Giulia Ferraris"),
            .phone = QStringLiteral("+39 011 555 0142"),
            .email = QStringLiteral("giulia@example.it"),
            .lastNotified = std::nullopt};
}

QStringList names(const std::vector<RenewalRow>& rows) {
    QStringList out;
    for (const RenewalRow& row : rows) {
        out << row.name;
    }
    return out;
}

QString withoutSpaces(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

TEST(RenewalRange, PresetsEndOnTheRightDayAcrossMonthsAndYears) {
    const QDate newYearsEve(2026, 12, 31);
    const RenewalRange thirty = RenewalRange::of(RenewalRange::Preset::Next30Days, newYearsEve);
    EXPECT_EQ(thirty.first(), newYearsEve);
    EXPECT_EQ(thirty.last(), QDate(2027, 1, 29)); // today is the first of the 30 days
    EXPECT_EQ(RenewalRange::of(RenewalRange::Preset::Next90Days, newYearsEve).last(),
              QDate(2027, 3, 30));
    const RenewalRange month = RenewalRange::thisMonth(newYearsEve);
    EXPECT_EQ(month.first(), QDate(2026, 12, 1));
    EXPECT_EQ(month.last(), newYearsEve);
    const RenewalRange next = RenewalRange::nextMonth(QDate(2026, 12, 15));
    EXPECT_EQ(next.first(), QDate(2027, 1, 1));
    EXPECT_EQ(next.last(), QDate(2027, 1, 31));
    // From the last day of a long month into a short one.
    EXPECT_EQ(RenewalRange::nextMonth(QDate(2028, 1, 31)).last(), QDate(2028, 2, 29));
    EXPECT_EQ(next.text(), QStringLiteral("dal 1 gen 2027 al 31 gen 2027"));

    EXPECT_FALSE(RenewalRange(QDate(2027, 1, 2), QDate(2027, 1, 1)).isValid());
    EXPECT_FALSE(RenewalRange(QDate(2027, 1, 2), QDate(2027, 1, 1)).span(kRome));
    // A day's span runs from its local midnight to the next, here in winter time (+01:00).
    const auto span = RenewalRange(newYearsEve, newYearsEve).span(kRome);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->from, utc("2026-12-30T23:00:00Z"));
    EXPECT_EQ(span->until, utc("2026-12-31T23:00:00Z"));
}

class RenewalSelectionTest : public StoreFixture {
protected:
    std::unique_ptr<PersistenceController> m_store = openInMemory();
    ManagedObjectContext& context() { return m_store->container().viewContext(); }
};

TEST_F(RenewalSelectionTest, TakesBothEdgesOfTheRangeAndExpiredPoliciesOnlyWhenAsked) {
    ManagedObjectContext& store = context();
    const Instant now = utc("2026-12-08T10:00:00+01:00");
    insertPolicy(store, QStringLiteral("dopo"), utc("2027-01-07T00:00:00+01:00"));
    insertPolicy(store, QStringLiteral("ultima"), utc("2027-01-06T23:59:00+01:00"));
    auto first = insertPolicy(store, QStringLiteral("prima"), utc("2026-12-08T00:00:00+01:00"));
    insertPolicy(store, QStringLiteral("scaduta"), utc("2026-11-20T12:00:00+01:00"));
    auto client = store.insert<Contact>();
    client->setFirstName(QStringLiteral("Giulia"));
    client->setLastName(QStringLiteral("Ferraris"));
    client->setEmail(QStringLiteral("giulia@example.it"));
    first->setContact(client);
    first->setClientPhoneNumber(QStringLiteral("+39 333 000 0000"));
    first->setLastNotified(utc("2026-11-08T09:00:00+01:00"));
    ASSERT_TRUE(store.save());

    const RenewalRange range = RenewalRange::nextDays(QDate(2026, 12, 8), 30);
    std::vector<RenewalRow> rows = RenewalSelection::rowsOf(store, range, false, now, kRome);
    EXPECT_EQ(names(rows), QStringList({QStringLiteral("prima"), QStringLiteral("ultima")}));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].client, QStringLiteral("Giulia Ferraris"));
    EXPECT_EQ(rows[0].email, QStringLiteral("giulia@example.it"));
    // The client has no phone of their own: the one written on the policy is shown.
    EXPECT_EQ(rows[0].phone, QStringLiteral("+39 333 000 0000"));
    EXPECT_EQ(rows[0].lastNotified, utc("2026-11-08T09:00:00+01:00"));
    client->setPhoneNumber(QStringLiteral("+39 011 555 0142"));
    EXPECT_EQ(RenewalSelection::rowsOf(store, range, false, now, kRome)[0].phone,
              QStringLiteral("+39 011 555 0142"));

    rows = RenewalSelection::rowsOf(store, range, true, now, kRome);
    EXPECT_EQ(names(rows), QStringList({QStringLiteral("scaduta"), QStringLiteral("prima"),
                                        QStringLiteral("ultima")}));
    // In a later range, the expired are those whose expiry has passed, today's included, and
    // not those still to come before the range.
    const RenewalRange later(QDate(2027, 2, 1), QDate(2027, 2, 28));
    EXPECT_EQ(names(RenewalSelection::rowsOf(store, later, true, now, kRome)),
              QStringList({QStringLiteral("scaduta"), QStringLiteral("prima")}));
}

TEST(RenewalWeek, GroupsByMondayToSundayWeeksOfTheUsersZone) {
    const std::vector<RenewalRow> rows = {
        rowAt(QStringLiteral("domenica sera"), utc("2026-12-13T23:30:00+01:00")),
        // Still Sunday in UTC, already Monday in Rome.
        rowAt(QStringLiteral("lunedì"), utc("2026-12-14T00:30:00+01:00")),
        rowAt(QStringLiteral("giovedì"), utc("2026-12-31T10:00:00+01:00")),
        rowAt(QStringLiteral("domenica"), utc("2027-01-03T10:00:00+01:00")),
        rowAt(QStringLiteral("lunedì dopo"), utc("2027-01-04T10:00:00+01:00")),
    };
    const std::vector<RenewalWeek> weeks = RenewalWeek::group(rows, kRome);
    ASSERT_EQ(weeks.size(), 4U);
    EXPECT_EQ(weeks[0].heading(), QStringLiteral("Settimana dal 7 dic al 13 dic 2026"));
    EXPECT_EQ(names(weeks[0].rows), QStringList({QStringLiteral("domenica sera")}));
    EXPECT_EQ(weeks[1].monday, QDate(2026, 12, 14));
    EXPECT_EQ(weeks[2].heading(), QStringLiteral("Settimana dal 28 dic 2026 al 3 gen 2027"));
    EXPECT_EQ(weeks[2].rows.size(), 2U);
    EXPECT_EQ(weeks[3].monday, QDate(2027, 1, 4));
    EXPECT_EQ(RenewalDocument::policyCount(1), QStringLiteral("1 polizza"));
    EXPECT_EQ(RenewalDocument::policyCount(2000), QStringLiteral("2.000 polizze"));
}

class RenewalPdf : public ::testing::Test {
protected:
    // `count` policies over three weeks, the second of which holds a name in several scripts
    // with a line break, commas and semicolons, longer than its column and with no space.
    static RenewalReportContent content(int count) {
        RenewalReportContent report{.heading = QStringLiteral("Agenzia Ferraris & Figli"),
                                    .range = RenewalRange(QDate(2026, 12, 7), QDate(2026, 12, 27)),
                                    .includesExpired = false,
                                    .madeAt = utc("2026-12-07T09:05:00+01:00"),
                                    .zone = kRome,
                                    .rows = {}};
        for (int i = 0; i < count; ++i) {
            const Instant expiry(utc("2026-12-07T09:00:00+01:00").msSinceEpoch() +
                                 qint64(i) * 20 * TimeHelpers::kDayMs / count);
            report.rows.push_back(rowAt(QStringLiteral("Polizza %1").arg(i), expiry));
        }
        report.rows[size_t(count) / 2].name = longName();
        report.rows[1].provider = markup();
        return report;
    }
    static QString longName() {
        return QStringLiteral("Страхование;Ωμέγα,Casa\nВеликаяПолисаБезПробеловЧтобыНеПоместиться"
                              "ВКолонкуТаблицыΑσφάλισηΚατοικίαςΚαιΑυτοκινήτου");
    }
    static QString markup() {
        return QStringLiteral("<a href=\"https://example.invalid/\">Generali</a>");
    }
    static QStringList pageTexts(const QString& path) {
        QPdfDocument pdf;
        if (pdf.load(path) != QPdfDocument::Error::None) {
            return {};
        }
        QStringList texts;
        for (int page = 0; page < pdf.pageCount(); ++page) {
            texts << pdf.getAllText(page).text();
        }
        return texts;
    }
    QTemporaryDir m_dir;
};

TEST_F(RenewalPdf, SeveralPagesShowEveryWeekItsCountThePageNumbersAndLongNamesWhole) {
    const QString path = m_dir.filePath(QStringLiteral("scadenze.pdf"));
    const RenewalReportContent report = content(150);
    ASSERT_EQ(RenewalPages::writePdf(path, report, QPageSize(QPageSize::A4)), std::nullopt);
    const QStringList pages = pageTexts(path);
    ASSERT_GE(pages.size(), 3);
    for (int page = 0; page < pages.size(); ++page) {
        EXPECT_TRUE(pages[page].contains(RenewalPages::pageFooter(page + 1, int(pages.size()))))
            << "page " << page + 1;
    }
    const QString all = pages.join(u'\n');
    EXPECT_TRUE(all.contains(QStringLiteral("Agenzia Ferraris & Figli")));
    EXPECT_TRUE(all.contains(QStringLiteral("Creato il 7 dicembre 2026 alle 09:05")));
    EXPECT_TRUE(all.contains(QStringLiteral("Totale: 150 polizze")));
    int counted = 0;
    for (const RenewalWeek& week : RenewalWeek::group(report.rows, kRome)) {
        EXPECT_TRUE(all.contains(week.heading() + QStringLiteral(" · ") +
                                 RenewalDocument::policyCount(qsizetype(week.rows.size()))))
            << week.heading().toStdString();
        counted += int(week.rows.size());
    }
    EXPECT_EQ(counted, 150);
    EXPECT_TRUE(withoutSpaces(all).contains(withoutSpaces(longName())));
    EXPECT_TRUE(all.contains(QStringLiteral("Polizza 149")));
    // What a user typed is text, never markup.
    EXPECT_TRUE(withoutSpaces(all).contains(withoutSpaces(markup())));

    // However long a word, the tables stay within the page.
    const std::unique_ptr<QTextDocument> document = RenewalDocument::build(report, 72);
    document->setTextWidth(500);
    EXPECT_LE(document->documentLayout()->documentSize().width(), 500.5);

    // Letter in the United States and Canada, A4 elsewhere.
    EXPECT_EQ(RenewalPages::paperFor(QLocale(QLocale::English, QLocale::UnitedStates)).id(),
              QPageSize::Letter);
    EXPECT_EQ(RenewalPages::paperFor(QLocale(QLocale::French, QLocale::Canada)).id(),
              QPageSize::Letter);
    EXPECT_EQ(RenewalPages::paperFor(QLocale(QLocale::Italian, QLocale::Italy)).id(),
              QPageSize::A4);
    QPdfDocument pdf;
    ASSERT_EQ(pdf.load(path), QPdfDocument::Error::None);
    EXPECT_NEAR(pdf.pagePointSize(0).width(), 595, 1);
    EXPECT_NEAR(pdf.pagePointSize(0).height(), 842, 1);
}

TEST_F(RenewalPdf, AFailedOrStoppedWriteLeavesTheChosenNameAsItWas) {
    const RenewalReportContent report = content(400);
    const QString missing = m_dir.filePath(QStringLiteral("manca/scadenze.pdf"));
    EXPECT_TRUE(RenewalPages::writePdf(missing, report, QPageSize(QPageSize::A4)));
    EXPECT_FALSE(QFile::exists(missing));

    // A disk that fills up half way: the file that had the name keeps its bytes.
    const QString path = m_dir.filePath(QStringLiteral("scadenze.pdf"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("vecchio");
    }
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::optional<QString> full =
        RenewalPages::writePdf(path, report, QPageSize(QPageSize::A4));
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(full);

    TaskControl stopped;
    stopped.cancel();
    EXPECT_EQ(RenewalPages::writePdf(path, report, QPageSize(QPageSize::A4), &stopped),
              QStringLiteral("Annullato"));

    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("vecchio"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("scadenze.pdf")}));
}

} // namespace
