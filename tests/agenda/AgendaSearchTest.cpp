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
