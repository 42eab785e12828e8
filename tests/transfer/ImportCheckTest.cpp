#include "support/QtPrinters.h"
#include "transfer/ColumnGuesser.h"
#include "transfer/DateReading.h"
#include "transfer/FullNameSplitter.h"
#include "transfer/ImportPlan.h"
#include "transfer/ImportResult.h"
#include "transfer/RenewalCycle.h"

#include <gtest/gtest.h>

namespace {

using F = ImportField;
using Verdict = ImportPlan::Verdict;

TableRow rowOf(qint64 line, const QStringList& cells) {
    TableRow row(line);
    for (const QString& cell : cells) {
        row.append(cell);
    }
    return row;
}

Table tableOf(const std::vector<QStringList>& rows) {
    Table table;
    qint64 line = 1;
    for (const QStringList& cells : rows) {
        table.rows.push_back(rowOf(line++, cells));
    }
    return table;
}

TEST(ColumnGuessing, ReadsItalianAndEnglishHeadersWhateverTheirCaseAccentsAndPunctuation) {
    const struct {
        const char* header;
        std::optional<F> field;
    } cases[] = {
        {"Nome", F::FirstName},
        {"COGNOME", F::LastName},
        {"Nome Polizza", F::PolicyName},
        {"Ragione Sociale", F::Company},
        {"Azienda", F::Company},
        {"Company", F::Company},
        {"Compagnia", F::Provider},
        {"Fornitore", F::Provider},
        {"Provider", F::Provider},
        {"Telefono", F::Phone},
        {"Cellulare", F::Phone},
        {"Phone", F::Phone},
        {"E-mail", F::Email},
        {"email", F::Email},
        {"Polizza", F::PolicyNumber},
        {"N. Polizza", F::PolicyNumber},
        {"numero  polizza", F::PolicyNumber},
        {"Policy Number", F::PolicyNumber},
        {"Scadenza", F::ExpirationDate},
        {"DATA DI SCADENZA", F::ExpirationDate},
        {"Expiry", F::ExpirationDate},
        {"Data scadenza polizza", F::ExpirationDate},
        {"Rinnovo", F::RenewalType},
        {"Ciclo", F::RenewalType},
        {"Renewal", F::RenewalType},
        {"Periodicità", F::RenewalType},
        {"Note", F::PolicyNotes},
        {"Note Cliente", F::ContactNotes},
        {"Nominativo", F::FullName},
        {"Cognome e Nome", F::FullNameLastFirst},
        {"Giorni preavviso", F::ReminderDays},
        {"Telefono Cliente", F::ClientPhoneNumber},
        {"Ultimo avviso", F::NotifiedAt},
        {"Codice fiscale", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ColumnGuesser::fieldFor(QString::fromUtf8(c.header)), c.field) << c.header;
    }
    // The export's own headers read back as what they were written from.
    QStringList labels;
    for (const F field : ImportFields::exported()) {
        labels.append(ImportFields::label(field));
    }
    EXPECT_EQ(ColumnGuesser::guess(rowOf(1, labels)), ImportFields::exported());
    // A field is not given to two columns.
    EXPECT_EQ(ColumnGuesser::guess(rowOf(1, {"Telefono", "Cellulare", "Cognome"})),
              (ColumnMap{F::Phone, F::Ignore, F::LastName}));
}

TEST(ColumnGuessing, TellsAHeaderRowFromARowOfData) {
    EXPECT_TRUE(
        ColumnGuesser::firstRowIsHeader(tableOf({{"Polizza", "Scadenza"}, {"P-1", "03/03/2027"}})));
    // Unknown words over numbers and dates: still a header.
    EXPECT_TRUE(
        ColumnGuesser::firstRowIsHeader(tableOf({{"Codice", "Quando"}, {"12", "03/03/2027"}})));
    EXPECT_FALSE(ColumnGuesser::firstRowIsHeader(
        tableOf({{"Casa", "P-1", "03/03/2027"}, {"Auto", "P-2", "04/04/2027"}})));
    EXPECT_FALSE(ColumnGuesser::firstRowIsHeader(tableOf({{"Mario", "Rossi"}})));
}

TEST(RenewalWords, MapToTheThreeCyclesAndNothingElse) {
    for (const char* word : {"annuale", "Annuale", "ANNUO", "yearly", "Annual", "12 mesi"}) {
        EXPECT_EQ(RenewalCycle::fromWord(QString::fromUtf8(word)), QStringLiteral("yearly"))
            << word;
    }
    for (const char* word : {"trimestrale", "Quarterly", "3 mesi"}) {
        EXPECT_EQ(RenewalCycle::fromWord(QString::fromUtf8(word)), QStringLiteral("quarterly"));
    }
    for (const char* word : {"mensile", "Monthly", "mese"}) {
        EXPECT_EQ(RenewalCycle::fromWord(QString::fromUtf8(word)), QStringLiteral("monthly"));
    }
    for (const char* word : {"semestrale", "biennale", "6 mesi", ""}) {
        EXPECT_EQ(RenewalCycle::fromWord(QString::fromUtf8(word)), std::nullopt) << word;
    }
}

TEST(FullNames, SplitIntoFirstAndLastName) {
    const struct {
        const char* whole;
        bool lastFirst;
        const char* first;
        const char* last;
    } cases[] = {
        {"Mario Rossi", false, "Mario", "Rossi"},
        {"  Mario   Rossi ", false, "Mario", "Rossi"},
        {"Anna Maria De Luca", false, "Anna Maria", "De Luca"},
        {"Giulia D'Amico", false, "Giulia", "D'Amico"},
        {"Rossi, Mario", false, "Mario", "Rossi"},
        {"Rossi Mario", true, "Mario", "Rossi"},
        {"De La Cruz Maria Pia", true, "Maria Pia", "De La Cruz"},
        {"Rossi", false, "", "Rossi"},
    };
    for (const auto& c : cases) {
        const FullNameSplitter::Parts parts =
            FullNameSplitter::split(QString::fromUtf8(c.whole), c.lastFirst);
        EXPECT_EQ(parts.firstName, QString::fromUtf8(c.first)) << c.whole;
        EXPECT_EQ(parts.lastName, QString::fromUtf8(c.last)) << c.whole;
    }
}

struct DateCase {
    const char* text;
    DateReading::Order order;
    const char* date; // empty: not read
    int minutes = -1; // time of day, -1 for none
};

class Dates : public ::testing::TestWithParam<DateCase> {};

TEST_P(Dates, ReadInEveryUsualWriting) {
    const DateCase& c = GetParam();
    const std::optional<DateReading::Value> value =
        DateReading::read(QString::fromUtf8(c.text), c.order, DateSystem::Since1900, 2026);
    EXPECT_EQ(value ? value->date.toString(Qt::ISODate) : QString(), QString::fromLatin1(c.date));
    if (value) {
        EXPECT_EQ(value->msOfDay.value_or(-60'000) / 60'000, c.minutes);
    }
}

using O = DateReading::Order;
INSTANTIATE_TEST_SUITE_P(
    Import, Dates,
    ::testing::Values(
        DateCase{"03/04/2027", O::DayFirst, "2027-04-03"},
        DateCase{"03/04/2027", O::MonthFirst, "2027-03-04"},
        DateCase{"3-4-27", O::DayFirst, "2027-04-03"},
        DateCase{"3.4.2027", O::DayFirst, "2027-04-03"},
        DateCase{"31/12/80", O::DayFirst, "1980-12-31"}, DateCase{"13/04/2027", O::MonthFirst, ""},
        DateCase{"3/4-2027", O::DayFirst, ""}, DateCase{"2027-03-04", O::MonthFirst, "2027-03-04"},
        DateCase{"2027-03-04 10:30", O::DayFirst, "2027-03-04", 630},
        DateCase{"2027-03-04T10:30:15.250Z", O::DayFirst, "2027-03-04", 630},
        DateCase{"03/04/2027 18.45", O::DayFirst, "2027-04-03", 1125},
        DateCase{"20270304", O::DayFirst, "2027-03-04"},
        DateCase{"46000", O::DayFirst, "2025-12-09"},
        DateCase{"46000,75", O::DayFirst, "2025-12-09", 1080}, DateCase{"60", O::DayFirst, ""},
        DateCase{"3 marzo 2027", O::MonthFirst, "2027-03-03"},
        DateCase{"3 Dicembre 27", O::DayFirst, "2027-12-03"},
        DateCase{"03-mar-2027", O::DayFirst, "2027-03-03"},
        DateCase{"1 set. 2027", O::DayFirst, "2027-09-01"},
        DateCase{"March 3, 2027", O::DayFirst, "2027-03-03"},
        DateCase{"3 brumaio 2027", O::DayFirst, ""}, DateCase{"31/02/2027", O::DayFirst, ""},
        DateCase{"domani", O::DayFirst, ""}));

TEST(DateColumns, AreReadInTheOrderThatReadsThemAllAndAskedWhenBothDo) {
    const auto detect = [](std::vector<const char*> texts, O locale = O::DayFirst) {
        std::vector<QString> owned;
        for (const char* text : texts) {
            owned.push_back(QString::fromUtf8(text));
        }
        return DateReading::detect(std::vector<QStringView>(owned.begin(), owned.end()), locale,
                                   DateSystem::Since1900, 2026);
    };
    // Both orders read every value and they differ: ambiguous, the locale's order first.
    DateReading::ColumnFormat format = detect({"03/04/2027", "05/06/2027", ""}, O::MonthFirst);
    EXPECT_TRUE(format.ambiguous);
    EXPECT_EQ(format.order, O::MonthFirst);
    EXPECT_EQ(format.unreadable, 0);
    // One day past 12 settles it for the whole column.
    format = detect({"03/04/2027", "25/06/2027"}, O::MonthFirst);
    EXPECT_FALSE(format.ambiguous);
    EXPECT_EQ(format.order, O::DayFirst);
    format = detect({"03/04/2027", "06/25/2027", "3 marzo 2027", "2027-01-01"});
    EXPECT_EQ(format.order, O::MonthFirst);
    // The same day either way is no question.
    EXPECT_FALSE(detect({"03/03/2027", "2027-05-06"}).ambiguous);
    // Values no order reads are counted, not guessed.
    format = detect({"25/06/2027", "domani", "06/25/2027"});
    EXPECT_EQ(format.unreadable, 2);
    EXPECT_FALSE(format.ambiguous);
    EXPECT_EQ(DateReading::orderOf(QLocale(QLocale::Italian, QLocale::Italy)), O::DayFirst);
    EXPECT_EQ(DateReading::orderOf(QLocale(QLocale::English, QLocale::UnitedStates)),
              O::MonthFirst);
}

TEST(ImportResultText, CountsInItalianWithThousandsSeparatorsAndSingulars) {
    ImportResult result;
    result.policiesImported = 1'234;
    result.contactsCreated = 456;
    result.skipped.resize(12);
    EXPECT_EQ(result.summary(),
              QStringLiteral("Importate 1.234 polizze e 456 contatti; 12 righe saltate"));
    result.policiesImported = result.contactsCreated = result.policiesUpdated = 1;
    result.skipped.resize(1);
    result.adjusted.resize(2'000);
    EXPECT_EQ(result.summary(), QStringLiteral("Importata 1 polizza e 1 contatto; 1 riga saltata; "
                                               "1 polizza aggiornata; 2.000 righe corrette"));
}

// A plan over a small file, against a store holding Mario Rossi (phone 333 1234567), the
// company Acme srl and policy P-1.
class Planning : public ::testing::Test {
protected:
    Planning() {
        m_book.policyNumbers.insert(QStringLiteral("P-1"), m_storedPolicy);
        m_book.contacts.push_back(
            {m_mario, {"Mario", "Rossi", "", "333 1234567", "mario@example.it", ""}});
        m_book.contacts.push_back({m_acme, {"", "", "Acme srl", "", "", ""}});
        m_settings.zone = QTimeZone("Europe/Rome");
        m_settings.columns = {F::PolicyName,   F::PolicyNumber, F::ExpirationDate, F::RenewalType,
                              F::ReminderDays, F::FirstName,    F::LastName,       F::Company,
                              F::Phone,        F::Email};
    }

    ImportPlan plan(std::vector<QStringList> rows) {
        rows.insert(rows.begin(), QStringList(10, QStringLiteral("header")));
        m_table = tableOf(rows);
        return ImportPlan::make(m_table, m_settings, m_book);
    }

    // Each row as "line verdict: notes".
    static QStringList verdicts(const ImportPlan& plan) {
        static const char* names[] = {"blank", "accepted", "adjusted", "refused"};
        QStringList lines;
        for (const ImportPlan::Row& row : plan.rows()) {
            lines.append(QStringLiteral("%1 %2%3")
                             .arg(row.line)
                             .arg(QString::fromLatin1(names[int(row.verdict)]))
                             .arg(row.notes.isEmpty() ? QString()
                                                      : QStringLiteral(": ") +
                                                            row.notes.join(QStringLiteral("; "))));
        }
        return lines;
    }

    BookIndex m_book;
    QUuid m_storedPolicy = QUuid::createUuid();
    QUuid m_mario = QUuid::createUuid();
    QUuid m_acme = QUuid::createUuid();
    ImportSettings m_settings;
    Table m_table;
};

TEST_F(Planning, RefusesRowsWithoutWhatAPolicyNeedsAndSaysWhy) {
    const ImportPlan result = plan({
        {"Casa", "P-2", "03/03/2027", "annuale", "30, 15, 7"},
        {"", "P-3", "03/03/2027"},
        {"Auto", "", "03/03/2027"},
        {"Auto", "P-4", ""},
        {"Auto", "P-5", "31/02/2027"},
        {"Vita", "P-6", "3 marzo 2027", "semestrale", "30; 7 giorni"},
        {"Moto", "P-7", "2027-03-03 18:30", "", "trenta"},
        {"", "", "", "", "", "", "", "", "", ""},
        {"Casa", "P-8", "03/03/2027", "mensile", "7,30"},
    });
    EXPECT_EQ(verdicts(result),
              (QStringList{
                  "2 accepted", "3 refused: Manca il nome della polizza",
                  "4 refused: Manca il numero di polizza", "5 refused: Manca la data di scadenza",
                  "6 refused: Data di scadenza non letta: «31/02/2027»",
                  "7 adjusted: Rinnovo «semestrale» non previsto: preso Annuale; Giorni di "
                  "promemoria «30; 7 giorni» letti come «30, 7»",
                  "8 adjusted: Giorni di promemoria «trenta» non letti: presi 30", "9 blank",
                  "10 accepted"}));
    ASSERT_EQ(result.policies().size(), 4u);
    const PolicyValues& casa = result.policies()[0].values;
    // A day without a time is 09:00 in the user's zone.
    EXPECT_EQ(casa.expirationDate, Instant::fromDateTime(QDateTime(QDate(2027, 3, 3), QTime(9, 0),
                                                                   QTimeZone("Europe/Rome"))));
    EXPECT_EQ(casa.customReminderDays, QStringLiteral("30, 15, 7"));
    EXPECT_EQ(casa.renewalType, QStringLiteral("yearly"));
    EXPECT_EQ(result.policies()[1].values.customReminderDays, QStringLiteral("30, 7"));
    EXPECT_EQ(result.policies()[2].values.expirationDate,
              Instant::fromDateTime(
                  QDateTime(QDate(2027, 3, 3), QTime(18, 30), QTimeZone("Europe/Rome"))));
    EXPECT_EQ(result.policies()[2].values.renewalType, QStringLiteral("yearly"));
    EXPECT_EQ(result.policies()[3].values.customReminderDays, QStringLiteral("7,30"));
    EXPECT_EQ(result.policies()[3].values.renewalType, QStringLiteral("monthly"));

    // When the client was told reads as the expiry does; a date that does not read refuses the row.
    m_settings.columns.back() = F::NotifiedAt;
    const ImportPlan told = plan({
        {"Casa", "P-9", "03/03/2027", "", "", "", "", "", "", "02/02/2027 10:15"},
        {"Casa", "P-10", "03/03/2027", "", "", "", "", "", "", "ieri"},
    });
    EXPECT_EQ(verdicts(told),
              (QStringList{"2 accepted", "3 refused: Data dell'avviso non letta: «ieri»"}));
    EXPECT_EQ(told.policies()[0].values.lastNotified,
              Instant::fromDateTime(
                  QDateTime(QDate(2027, 2, 2), QTime(10, 15), QTimeZone("Europe/Rome"))));

    // A file names at most so many categories; a row naming one more keeps its policy, without it.
    m_settings.columns.back() = F::Category;
    std::vector<QStringList> filed;
    for (int i = 0; i <= ImportPlan::kMaximumCategories; ++i) {
        filed.push_back({"Casa", QStringLiteral("C-%1").arg(i), "03/03/2027", "", "", "", "", "",
                         "", QStringLiteral("Gruppo %1").arg(i)});
    }
    filed.push_back({"Casa", "C-last", "03/03/2027", "", "", "", "", "", "", " gruppo  0 "});
    const ImportPlan many = plan(filed);
    const QStringList manyVerdicts = verdicts(many);
    EXPECT_EQ(manyVerdicts.filter(QStringLiteral("accepted")).size(),
              ImportPlan::kMaximumCategories + 1);
    EXPECT_EQ(manyVerdicts.filter(QStringLiteral("adjusted")),
              QStringList{QStringLiteral("%1 adjusted: Categoria «Gruppo 100» non presa: il file "
                                         "ne nomina più di 100")
                              .arg(ImportPlan::kMaximumCategories + 2)});
    EXPECT_EQ(many.policies().back().values.category, QStringLiteral(" gruppo  0 "));

    // The fallback for unknown cycles is the user's.
    m_settings.unknownCycle = QStringLiteral("quarterly");
    EXPECT_EQ(
        plan({{"Vita", "P-6", "3 marzo 2027", "semestrale"}}).policies()[0].values.renewalType,
        QStringLiteral("quarterly"));
}

TEST_F(Planning, ReusesStoredAndRepeatedClientsByTheirNamesAndPhoneOrEmail) {
    const ImportPlan result = plan({
        // Stored Mario: same names, same phone written otherwise.
        {"Casa", "P-2", "03/03/2027", "", "", "mario", "ROSSI", "", "+39 333-123-4567"},
        // Same names, the stored e-mail: Mario again.
        {"Auto", "P-3", "03/03/2027", "", "", "Mario", "Rossi", "", "", "MARIO@example.it"},
        // Same names, no phone nor e-mail in the file: Mario again.
        {"Vita", "P-4", "03/03/2027", "", "", "Mario", "Rossi"},
        // Same names, another phone: another Mario Rossi.
        {"Moto", "P-5", "03/03/2027", "", "", "Mario", "Rossi", "", "347 0000000"},
        // That new Mario again, by his phone; he gains his e-mail.
        {"Barca", "P-6", "03/03/2027", "", "", "Mario", "Rossi", "", "3470000000", "m2@x.it"},
        // No name: the stored company.
        {"Flotta", "P-7", "03/03/2027", "", "", "", "", "ACME SRL"},
        // A client alone, new, then repeated.
        {"", "", "", "", "", "Lucia", "Bianchi"},
        {"", "", "", "", "", "Lucia", "Bianchi", "", "", "lucia@x.it"},
    });
    ASSERT_EQ(result.count(Verdict::Accepted), 8);
    std::vector<int> contacts;
    for (const ImportPlan::Row& row : result.rows()) {
        contacts.push_back(row.contact);
    }
    // Targets 0 and 1 are the stored Mario and Acme; the file adds two.
    EXPECT_EQ(contacts, (std::vector<int>{0, 0, 0, 2, 2, 1, 3, 3}));
    EXPECT_EQ(result.contactsToCreate(), 2);
    EXPECT_EQ(result.contacts()[2].values.email, QStringLiteral("m2@x.it"));
    EXPECT_EQ(result.contacts()[3].values.email, QStringLiteral("lucia@x.it"));
    EXPECT_EQ(result.contacts()[0].stored, m_mario);
}

TEST_F(Planning, SkipsOrUpdatesNumbersAlreadyStoredOrRepeated) {
    const std::vector<QStringList> rows = {
        {"Casa", "P-1", "03/03/2027"},
        {"Auto", "P-2", "03/03/2027", "mensile"},
        {"", " P-2 ", "04/04/2027", "", "60"},
        {"", "P-1", "", "trimestrale", "", "Mario", "Rossi"},
    };
    ImportPlan skip = plan(rows);
    EXPECT_EQ(verdicts(skip),
              (QStringList{"2 refused: La polizza P-1 è già nell'archivio", "3 accepted",
                           "4 refused: Numero di polizza P-2 già alla riga 3",
                           "5 refused: La polizza P-1 è già nell'archivio"}));
    EXPECT_EQ(skip.policiesToInsert(), 1);

    m_settings.duplicates = ImportSettings::Duplicates::Update;
    ImportPlan update = plan(rows);
    EXPECT_EQ(update.count(Verdict::Accepted), 4);
    ASSERT_EQ(update.policies().size(), 2u);
    const ImportPlan::PolicyTarget& stored = update.policies()[0];
    EXPECT_EQ(stored.stored, m_storedPolicy);
    // The stored policy takes the non-empty values of both its rows, and the later client.
    EXPECT_EQ(stored.values.name, QStringLiteral("Casa"));
    EXPECT_EQ(stored.values.renewalType, QStringLiteral("quarterly"));
    EXPECT_EQ(stored.values.customReminderDays, QString());
    EXPECT_EQ(stored.contact, 0);
    // The repeated new one: the first row's values, then the later row's non-empty ones.
    const PolicyValues& auto2 = update.policies()[1].values;
    EXPECT_EQ(auto2.name, QStringLiteral("Auto"));
    EXPECT_EQ(auto2.renewalType, QStringLiteral("monthly"));
    EXPECT_EQ(auto2.customReminderDays, QStringLiteral("60"));
    EXPECT_EQ(auto2.expirationDay, QDate(2027, 4, 4));
    EXPECT_EQ(update.policiesToInsert(), 1);
    EXPECT_EQ(update.policiesToUpdate(), 1);
}

} // namespace
