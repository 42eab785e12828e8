#include "agenda/AgendaSearchModel.h"
#include "support/AgendaFixture.h"
#include "support/ModelMirror.h"
#include "support/QtPrinters.h"

#include <QAbstractItemModelTester>

namespace {

class AgendaSearchTest : public AgendaFixture {
protected:
    void SetUp() override {
        auto meeting = event(QStringLiteral("Riunione Generali"), at("2026-03-20 10:00"),
                             at("2026-03-20 11:00"));
        meeting->setLocation(QStringLiteral("Via Roma 1"));
        auto call =
            event(QStringLiteral("Chiamata"), at("2026-03-02 09:00"), at("2026-03-02 09:15"));
        call->setNotes(QStringLiteral("Rinnovo polizza casa"));
        event(QStringLiteral("Caffè"), at("2026-04-01 08:00"), at("2026-04-01 08:30"));
        task(QStringLiteral("Mandare documenti"), at("2026-03-10 12:00"))
            ->setNotes(QStringLiteral("rinnovo auto"));
        task(QStringLiteral("Rinnovo senza data"));
        save();
    }
};

struct SearchCase {
    const char* text;
    QStringList shown;
};

void PrintTo(const SearchCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class AgendaSearchCases : public AgendaSearchTest,
                          public ::testing::WithParamInterface<SearchCase> {};

// Titles, places and notes of events and tasks, by date with undated tasks last.
TEST_P(AgendaSearchCases, ListsMatchesByDate) {
    AgendaSearchModel model(context(), m_clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setSearchText(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(shownTitles(model), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgendaSearchCases,
    ::testing::Values(
        SearchCase{"", {}},
        SearchCase{"rinnovo", {"Chiamata", "Mandare documenti", "Rinnovo senza data"}},
        SearchCase{"ROMA", {"Riunione Generali"}}, SearchCase{"generali", {"Riunione Generali"}},
        // Accents matter, letter case does not.
        SearchCase{"caffe", {}}, SearchCase{"CAFFÈ", {"Caffè"}},
        SearchCase{"r",
                   {"Chiamata", "Mandare documenti", "Riunione Generali", "Rinnovo senza data"}}));

// A repeating event is listed at each occurrence from today (12 March) through the next 60
// days, by date among the other matches; one with no occurrence then, once at its start. An
// edit moves its occurrences, and narrowing the text keeps each of them once.
TEST_F(AgendaSearchTest, ListsARepeatingEventAtEachOfItsComingOccurrences) {
    auto weekly = event(QStringLiteral("Riunione settimanale"), at("2026-03-02 09:00"),
                        at("2026-03-02 10:00"), QStringLiteral("FREQ=WEEKLY;COUNT=9"));
    event(QStringLiteral("Riunioni di gennaio"), at("2026-01-05 09:00"), at("2026-01-05 10:00"),
          QStringLiteral("FREQ=DAILY;COUNT=3"));
    save();
    AgendaSearchModel model(context(), m_clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const auto rows = [this, &model] {
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row) {
            const AgendaSearchModel::Match* match = model.matchAt(row);
            shown << model.index(row).data(TitleRole).toString() + u' ' +
                         TimeHelpers::wall(*match->date, m_clock.timeZone());
        }
        return shown;
    };
    model.setSearchText(QStringLiteral("riunion"));
    ASSERT_TRUE(waitUntil([&model] { return model.occurrencesAreCurrent(); }));
    ASSERT_TRUE(waitUntil([&] { return model.rowCount() == 9; }));
    EXPECT_EQ(rows(),
              (QStringList{
                  "Riunioni di gennaio 2026-01-05 09:00", "Riunione settimanale 2026-03-16 09:00",
                  "Riunione Generali 2026-03-20 10:00", "Riunione settimanale 2026-03-23 09:00",
                  "Riunione settimanale 2026-03-30 09:00", "Riunione settimanale 2026-04-06 09:00",
                  "Riunione settimanale 2026-04-13 09:00", "Riunione settimanale 2026-04-20 09:00",
                  "Riunione settimanale 2026-04-27 09:00"}));
    // Narrowed, the event is looked at once, not once per occurrence.
    model.setSearchText(QStringLiteral("riunione s"));
    EXPECT_EQ(model.rowCount(), 7);

    weekly->setStartDate(at("2026-03-03 09:00"));
    weekly->setEndDate(at("2026-03-03 10:00"));
    weekly->setRecurrenceRule(QStringLiteral("FREQ=WEEKLY;COUNT=3"));
    save();
    const QStringList moved{"Riunione settimanale 2026-03-17 09:00"};
    ASSERT_TRUE(waitUntil([&] { return model.occurrencesAreCurrent() && rows() == moved; }));
}

// Typing narrows what was found; a save meanwhile is looked at on the next turn, and the next
// keystroke does not narrow rows that moved.
TEST_F(AgendaSearchTest, FollowsTypingAndSaves) {
    AgendaSearchModel model(context(), m_clock);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setSearchText(QStringLiteral("r"));
    model.setSearchText(QStringLiteral("ri"));
    EXPECT_EQ(shownTitles(model), (QStringList{"Chiamata", "Mandare documenti", "Riunione Generali",
                                               "Rinnovo senza data"}));
    event(QStringLiteral("Rivedere contratto"), at("2026-01-05 09:00"), at("2026-01-05 10:00"));
    save();
    model.setSearchText(QStringLiteral("riv"));
    EXPECT_EQ(shownTitles(model), QStringList{"Rivedere contratto"});
    model.setSearchText(QStringLiteral("ri"));
    ASSERT_TRUE(waitUntil([&model] { return model.rowCount() == 5; }));
    EXPECT_EQ(shownTitles(model).first(), QStringLiteral("Rivedere contratto"));
}

} // namespace
