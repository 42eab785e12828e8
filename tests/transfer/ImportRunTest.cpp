#include "SheetFiles.h"
#include "model/Category.h"
#include "model/ClientNotice.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"
#include "platform/InstallationCheck.h"
#include "platform/NotificationCenter.h"
#include "policies/PolicyDraft.h"
#include "reminders/NotificationManager.h"
#include "support/InMemoryNotificationService.h"
#include "support/QtPrinters.h"
#include "support/RawSqlite.h"
#include "support/StoreFixture.h"
#include "support/WaitUntil.h"
#include "transfer/BookExport.h"
#include "transfer/ColumnMapMemory.h"
#include "transfer/FormulaGuard.h"
#include "transfer/ImportSession.h"
#include "transfer/TableReader.h"
#include "transfer/ZipArchive.h"

#include <QSettings>

namespace {

using TimeHelpers::utc;
using F = ImportField;

class Installed final : public InstallationCheck {
public:
    bool isInstalledApplication() const override { return true; }
};

QDateTime rome(int y, int m, int d, int h, int min, int s = 0, int ms = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s, ms), QTimeZone("Europe/Rome"));
}

// Every value of a policy that the user sees or that drives its reminders.
QString describe(const Policy& policy) {
    const std::shared_ptr<Contact> contact = policy.contact();
    return QStringList{policy.name(),
                       policy.policyNumber(),
                       policy.provider(),
                       policy.expirationDate().toUtcDateTime().toString(Qt::ISODateWithMs),
                       policy.renewalType(),
                       policy.customReminderDays().value_or(QStringLiteral("(none)")),
                       QString::number(policy.reminderDays()),
                       policy.notes().value_or(QStringLiteral("(none)")),
                       policy.clientPhoneNumber().value_or(QStringLiteral("(none)")),
                       policy.pdfFileName().value_or(QStringLiteral("(none)")),
                       contact ? contact->fullName() : QStringLiteral("(no client)")}
        .join(u'|');
}

QString describe(const Contact& contact) {
    return QStringList{contact.firstName(),
                       contact.lastName(),
                       contact.company().value_or(QStringLiteral("(none)")),
                       contact.phoneNumber().value_or(QStringLiteral("(none)")),
                       contact.email().value_or(QStringLiteral("(none)")),
                       contact.notes().value_or(QStringLiteral("(none)")),
                       QString::number(contact.policies().size())}
        .join(u'|');
}

// A store on disk, the clock at 10 March 2026 in Rome with an Italian locale, and reminders
// held by an in-memory service for an installed program.
class ImportRun : public StoreFixture {
protected:
    void SetUp() override {
        m_clock.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
        m_controller = open(storePath());
        m_manager = NotificationManager::make({m_service, m_installed, m_clock, *m_log, m_center});
    }

    ManagedObjectContext& context() { return m_controller->container().viewContext(); }

    std::unique_ptr<ImportSession> session(ManagedObjectContext& into,
                                           ColumnMapMemory* memory = nullptr) {
        return std::make_unique<ImportSession>(
            ImportSession::Services{into, *m_manager, m_clock, *m_log, memory});
    }
    std::unique_ptr<ImportSession> session() { return session(context()); }

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(SheetFiles::writeBytes(path, bytes));
        return path;
    }

    static bool opened(ImportSession& import, const QString& path) {
        import.open(path);
        return waitUntil([&] { return !import.isBusy(); }, 20'000) && !import.error();
    }
    static bool settled(ImportSession& import) {
        return waitUntil([&] { return !import.isBusy(); }, 20'000);
    }
    static std::optional<ImportResult> run(ImportSession& import) {
        std::optional<ImportResult> result;
        QObject::connect(&import, &ImportSession::finished,
                         [&](const ImportResult& finished) { result = finished; });
        import.run();
        waitUntil([&] { return result.has_value(); }, 60'000);
        return result;
    }

    template <typename T> std::vector<std::shared_ptr<T>> all(ManagedObjectContext& from) {
        FetchRequest<T> request;
        return from.fetch(request);
    }
    QStringList pending() const {
        QStringList identifiers;
        for (const NotificationRequest& request : m_service.pending()) {
            identifiers.append(request.identifier);
        }
        identifiers.sort();
        return identifiers;
    }

    std::unique_ptr<PersistenceController> m_controller;
    InMemoryNotificationService m_service;
    Installed m_installed;
    NotificationCenter m_center;
    std::unique_ptr<NotificationManager> m_manager;
};

const QByteArray kBook =
    "Nome Polizza;N. Polizza;Compagnia;Scadenza;Rinnovo;Giorni Promemoria;Note;Nome;Cognome;"
    "Telefono;Email\r\n"
    "Casa;P-1;Generali;15/06/2026;annuale;30, 15, 7;;Mario;Rossi;333 1234567;mario@x.it\r\n"
    "Auto;P-2;Allianz;01/09/2026 10:30;mensile;;rata;Mario;Rossi;+39 3331234567;\r\n"
    "Vita;P-3;;20/12/2026;semestrale;60;;;;;\r\n"
    ";;;;;;;Lucia;Bianchi;;lucia@x.it\r\n"
    "Moto;P-4;Axa;31/02/2026;;;;;;;\r\n";

TEST_F(ImportRun, EveryAcceptedRowIsSavedAsTheEditorsSaveThemAndTheirRemindersAreScheduled) {
    auto import = session();
    ASSERT_TRUE(opened(*import, file(QStringLiteral("libro.csv"), kBook)));
    EXPECT_EQ(import->source().delimiter, u';');
    EXPECT_TRUE(import->settings().hasHeader);
    EXPECT_FALSE(import->expiryFormat().ambiguous);
    EXPECT_EQ(import->settings().columns,
              (ColumnMap{F::PolicyName, F::PolicyNumber, F::Provider, F::ExpirationDate,
                         F::RenewalType, F::ReminderDays, F::PolicyNotes, F::FirstName, F::LastName,
                         F::Phone, F::Email}));
    std::vector<ImportPlan::Verdict> verdicts;
    for (const ImportSession::PreviewRow& row : import->preview()) {
        verdicts.push_back(row.verdict);
    }
    using V = ImportPlan::Verdict;
    EXPECT_EQ(verdicts,
              (std::vector<V>{V::Accepted, V::Accepted, V::Adjusted, V::Accepted, V::Refused}));
    // The notes column belongs to the client in this file.
    import->setColumn(6, F::ContactNotes);
    ASSERT_TRUE(settled(*import));

    const std::optional<ImportResult> result = run(*import);
    ASSERT_TRUE(result);
    ASSERT_FALSE(result->error);
    EXPECT_EQ(result->summary(), QStringLiteral("Importate 3 polizze e 2 contatti; 1 riga "
                                                "saltata; 1 riga corretta"));
    ASSERT_EQ(result->skipped.size(), 1u);
    EXPECT_EQ(result->skipped[0].line, 6);
    EXPECT_EQ(result->skipped[0].reason,
              QStringLiteral("Data di scadenza non letta: «31/02/2026»"));
    EXPECT_EQ(result->skipped[0].text, QStringLiteral("Moto;P-4;Axa;31/02/2026;;;;;;;"));

    // Each policy is what the editor saves for the same values.
    PersistenceController twins(true, m_clock, *m_log);
    const auto twin = [&](const char* name, const char* number, const char* provider,
                          QDateTime expiry, const char* cycle, const char* days) {
        PolicyDraft draft = PolicyDraft::fresh(m_clock.now());
        draft.name = QString::fromUtf8(name);
        draft.policyNumber = QString::fromUtf8(number);
        draft.provider = QString::fromUtf8(provider);
        draft.expirationDate = Instant::fromDateTime(expiry);
        draft.renewalType = QString::fromUtf8(cycle);
        draft.customReminderDays = QString::fromUtf8(days);
        auto policy = twins.container().viewContext().insert<Policy>();
        draft.writeInto(*policy);
        return describe(*policy).replace(QStringLiteral("(no client)"), QStringLiteral("%1"));
    };
    QStringList stored;
    for (const auto& policy : all<Policy>(context())) {
        stored.append(describe(*policy));
    }
    EXPECT_EQ(stored,
              (QStringList{
                  twin("Casa", "P-1", "Generali", rome(2026, 6, 15, 9, 0), "yearly", "30, 15, 7")
                      .arg(QStringLiteral("Mario Rossi")),
                  twin("Auto", "P-2", "Allianz", rome(2026, 9, 1, 10, 30), "monthly", "30")
                      .arg(QStringLiteral("Mario Rossi")),
                  twin("Vita", "P-3", "", rome(2026, 12, 20, 9, 0), "yearly", "60")
                      .arg(QStringLiteral("(no client)")),
              }));
    QStringList contacts;
    for (const auto& contact : all<Contact>(context())) {
        contacts.append(describe(*contact));
    }
    EXPECT_EQ(contacts, (QStringList{"Mario|Rossi|(none)|333 1234567|mario@x.it|rata|2",
                                     "Lucia|Bianchi|(none)|(none)|lucia@x.it|(none)|0"}));

    // Every reminder still to come: Casa's three, Auto's and Vita's one each.
    QStringList expected;
    for (const auto& policy : all<Policy>(context())) {
        for (const qint64 day : policy->reminderDaysArray()) {
            expected.append(QStringLiteral("policy-%1-%2")
                                .arg(NotificationManager::identifierText(*policy))
                                .arg(day));
        }
    }
    expected.sort();
    EXPECT_EQ(pending(), expected);
    EXPECT_EQ(result->remindersScheduled, 5);
    EXPECT_EQ(logLines().filter(QStringLiteral("Scheduled policy reminder for ")).size(), 5);

    // The skipped rows can be kept as a file.
    QString error;
    const QString skipped = m_dir.filePath(QStringLiteral("saltate.csv"));
    ASSERT_TRUE(result->writeSkippedRows(skipped, m_clock.locale(), &error));
    QFile written(skipped);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("\xEF\xBB\xBFRiga;Motivo;Testo\r\n6;Data di scadenza "
                                            "non letta: «31/02/2026»;\"Moto;P-4;Axa;31/02/2026;"
                                            ";;;;;;\"\r\n"));
}

TEST_F(ImportRun, ARefusedSaveLeavesTheStoreAsItWasAndSaysWhy) {
    auto old = insertPolicy(context(), QStringLiteral("Vecchia"));
    old->setPolicyNumber(QStringLiteral("P-1"));
    ASSERT_TRUE(context().save());
    {
        RawSqlite raw(storePath());
        ASSERT_TRUE(raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON Contact BEGIN "
                             "SELECT RAISE(ABORT, 'disk refuses'); END;"));
    }
    auto import = session();
    ASSERT_TRUE(opened(*import, file(QStringLiteral("libro.csv"), kBook)));
    import->setDuplicates(ImportSettings::Duplicates::Update);
    const std::optional<ImportResult> result = run(*import);
    ASSERT_TRUE(result && result->error);
    EXPECT_TRUE(result->error->contains(QStringLiteral("disk refuses")));
    EXPECT_EQ(result->policiesImported + result->policiesUpdated + result->contactsCreated, 0);
    EXPECT_EQ(logLines().filter(QStringLiteral("Error importing: ")).size(), 1);
    EXPECT_TRUE(logLines()
                    .filter(QStringLiteral("Error importing: "))
                    .value(0)
                    .contains(QStringLiteral("disk refuses")));
    EXPECT_FALSE(context().hasChanges());
    // The context was read again from the store: its objects are new ones.
    ASSERT_EQ(all<Policy>(context()).size(), 1u);
    EXPECT_EQ(all<Policy>(context()).front()->name(), QStringLiteral("Vecchia"));
    EXPECT_TRUE(all<Contact>(context()).empty());
    RawSqlite raw(storePath());
    EXPECT_EQ(raw.query("SELECT name FROM Policy"), QStringList{QStringLiteral("Vecchia")});
    EXPECT_EQ(raw.value("SELECT count(*) FROM Contact"), QStringLiteral("0"));
    waitUntil([] { return false; }, 100);
    EXPECT_TRUE(m_service.pending().isEmpty());
}

// A book larger than one slice is written over several turns: a refusal in a late slice
// still leaves nothing of the early ones, in the store or in the window's objects.
TEST_F(ImportRun, ABookWrittenInSlicesIsKeptWholeOrNotAtAll) {
    QByteArray book = "Nome Polizza;N. Polizza;Scadenza;Nome;Cognome\r\n";
    for (int i = 0; i < 1'200; ++i) {
        book += QStringLiteral("Casa %1;P-%1;15/06/2027;Nome%1;Rossi\r\n").arg(i).toUtf8();
    }
    {
        RawSqlite raw(storePath());
        ASSERT_TRUE(raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON Policy WHEN "
                             "NEW.policyNumber = 'P-1150' BEGIN "
                             "SELECT RAISE(ABORT, 'disk refuses'); END;"));
    }
    auto import = session();
    ASSERT_TRUE(opened(*import, file(QStringLiteral("libro.csv"), book)));
    std::optional<ImportResult> result = run(*import);
    ASSERT_TRUE(result && result->error);
    EXPECT_TRUE(result->error->contains(QStringLiteral("disk refuses")));
    EXPECT_TRUE(all<Policy>(context()).empty());
    EXPECT_TRUE(all<Contact>(context()).empty());
    RawSqlite raw(storePath());
    EXPECT_EQ(raw.value("SELECT count(*) FROM Policy"), QStringLiteral("0"));
    EXPECT_EQ(raw.value("SELECT count(*) FROM Contact"), QStringLiteral("0"));

    ASSERT_TRUE(raw.exec("DROP TRIGGER refuse"));
    auto again = session();
    ASSERT_TRUE(opened(*again, file(QStringLiteral("libro2.csv"), book)));
    result = run(*again);
    ASSERT_TRUE(result && !result->error);
    EXPECT_EQ(result->policiesImported, 1'200);
    EXPECT_EQ(all<Policy>(context()).size(), 1'200u);
    EXPECT_EQ(raw.value("SELECT count(*) FROM Policy"), QStringLiteral("1200"));
}

TEST_F(ImportRun, AnUpdateKeepsTheDocumentTheReminderDaysAndTheClientUnlessTheFileHasThem) {
    auto client = context().insert<Contact>();
    client->setFirstName(QStringLiteral("Anna"));
    client->setLastName(QStringLiteral("Verdi"));
    auto stored = insertPolicy(context(), QStringLiteral("Casa"),
                               Instant::fromDateTime(rome(2026, 6, 1, 16, 45)));
    stored->setPolicyNumber(QStringLiteral("P-1"));
    stored->setCustomReminderDays(QStringLiteral("60"));
    stored->setReminderDays(60);
    stored->setPdfData(QByteArray("%PDF-1.4"));
    stored->setPdfFileName(QStringLiteral("casa.pdf"));
    stored->setContact(client);
    ASSERT_TRUE(context().save());
    m_manager->schedulePolicyReminder(*stored);
    ASSERT_TRUE(waitUntil([&] { return m_service.pending().size() == 1; }));

    auto import = session();
    ASSERT_TRUE(opened(*import, file(QStringLiteral("agg.csv"),
                                     "Numero Polizza,Compagnia,Scadenza\nP-1,Axa,01/07/2026\n")));
    import->setDuplicates(ImportSettings::Duplicates::Update);
    std::optional<ImportResult> result = run(*import);
    ASSERT_TRUE(result && !result->error);
    EXPECT_EQ(result->policiesUpdated, 1);
    EXPECT_EQ(result->policiesImported, 0);
    // The day is the file's; the time of day, the document, the days and the client stay.
    EXPECT_EQ(describe(*stored),
              QStringLiteral("Casa|P-1|Axa|%1|yearly|60|60|(none)|(none)|casa.pdf|Anna Verdi")
                  .arg(Instant::fromDateTime(rome(2026, 7, 1, 16, 45))
                           .toUtcDateTime()
                           .toString(Qt::ISODateWithMs)));
    EXPECT_EQ(stored->pdfData(), QByteArray("%PDF-1.4"));
    ASSERT_TRUE(waitUntil([&] { return m_service.pending().size() == 1; }));
    EXPECT_EQ(m_service.pending()[0].month, 5); // 60 days before 1 July, no longer 1 June's
    EXPECT_EQ(m_service.pending()[0].hour, 16);

    // A row that names a client, reminder days, when the client was told and a category gives
    // the policy all four; the stored category is taken whatever its case.
    auto home = context().insert<Category>();
    home->setName(QStringLiteral("Abitazione"));
    ASSERT_TRUE(context().save());
    ASSERT_TRUE(opened(*import, file(QStringLiteral("agg2.csv"),
                                     "Polizza,Cliente,Promemoria,Avvisato il,Categoria\n"
                                     "P-1,Mario Rossi,\"7, 3\",05/05/2026, ABITAZIONE \n")));
    import->setDuplicates(ImportSettings::Duplicates::Update);
    result = run(*import);
    ASSERT_TRUE(result && !result->error);
    EXPECT_EQ(stored->contact()->fullName(), QStringLiteral("Mario Rossi"));
    EXPECT_EQ(stored->customReminderDays(), QStringLiteral("7, 3"));
    EXPECT_EQ(stored->reminderDays(), 7);
    EXPECT_EQ(stored->lastNotified(), Instant::fromDateTime(rome(2026, 5, 5, 9, 0)));
    EXPECT_EQ(stored->category(), home);
    EXPECT_EQ(all<Category>(context()).size(), 1u);
    EXPECT_EQ(stored->pdfFileName(), QStringLiteral("casa.pdf"));
}

TEST_F(ImportRun, ARunChecksAgainWhatChangedSinceThePreviewAndCancellingSavesNothing) {
    QByteArray big = "Polizza;Nome Polizza;Scadenza\n";
    for (int i = 0; i < 2'000; ++i) {
        big += "N-" + QByteArray::number(i) + ";Casa;01/01/2027\n";
    }
    const QString path = file(QStringLiteral("grande.csv"), big);
    auto import = session();
    import->open(path);
    import->cancel();
    EXPECT_EQ(import->error(), QStringLiteral("Lettura annullata"));
    EXPECT_FALSE(import->isBusy());
    ASSERT_TRUE(opened(*import, path));
    EXPECT_EQ(import->plan().policiesToInsert(), 2'000);

    // Another window saves one of the file's numbers after the preview.
    const auto saveNumber = [&](const QString& number) {
        auto policy = insertPolicy(context(), QStringLiteral("Altra"));
        policy->setPolicyNumber(number);
        ASSERT_TRUE(context().save());
    };
    saveNumber(QStringLiteral("N-7"));
    std::optional<ImportResult> result;
    QObject::connect(import.get(), &ImportSession::finished,
                     [&](const ImportResult& finished) { result = finished; });
    import->run();
    ASSERT_EQ(import->phase(), ImportSession::Phase::Checking);
    import->cancel();
    ASSERT_TRUE(result && result->error);
    EXPECT_TRUE(result->error->contains(QStringLiteral("annullata")));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(all<Policy>(context()).size(), 1u);
    EXPECT_TRUE(m_service.pending().isEmpty());

    result = run(*import);
    ASSERT_TRUE(result && !result->error);
    EXPECT_EQ(result->policiesImported, 1'999);
    ASSERT_EQ(result->skipped.size(), 1u);
    EXPECT_EQ(result->skipped[0].reason, QStringLiteral("La polizza N-7 è già nell'archivio"));
}

TEST_F(ImportRun, TheColumnMapOfAFileIsOfferedAgainForTheSameHeaders) {
    QSettings settings(m_dir.filePath(QStringLiteral("prefs.conf")), QSettings::IniFormat);
    ColumnMapMemory memory(settings);
    {
        auto import = session(context(), &memory);
        ASSERT_TRUE(opened(*import, file(QStringLiteral("uno.csv"),
                                         "Codice;Descrizione;Fine\nA-1;Casa;01/01/2027\n")));
        EXPECT_EQ(import->settings().columns, (ColumnMap{F::Ignore, F::PolicyName, F::Ignore}));
        import->setColumn(0, F::PolicyNumber);
        import->setColumn(2, F::ExpirationDate);
        ASSERT_TRUE(settled(*import));
        ASSERT_TRUE(run(*import));
    }
    // Another session, after a wider file.
    auto again = session(context(), &memory);
    ASSERT_TRUE(opened(*again, file(QStringLiteral("largo.csv"), "a;b;c;d\n1;2;3;4\n")));
    ASSERT_TRUE(opened(
        *again, file(QStringLiteral("due.csv"), "CODICE;descrizione;Fine\nA-2;Auto;02/02/2027\n")));
    EXPECT_EQ(again->settings().columns,
              (ColumnMap{F::PolicyNumber, F::PolicyName, F::ExpirationDate}));
}

TEST_F(ImportRun, AnotherEncodingShowsWhatDoesNotReadAndTheRowsItTouches) {
    auto import = session();
    ASSERT_TRUE(opened(*import, file(QStringLiteral("win.csv"),
                                     "Polizza;Nome Polizza;Scadenza\nP-1;Caff\xE8;01/01/2027\n")));
    EXPECT_EQ(import->source().encoding, TextEncoding::Windows1252);
    EXPECT_EQ(import->preview()[0].cells[1], QStringLiteral("Caffè"));
    import->setEncoding(TextEncoding::Utf8);
    ASSERT_TRUE(settled(*import));
    EXPECT_EQ(import->source().replacedCharacters, 1);
    EXPECT_EQ(import->preview()[0].verdict, ImportPlan::Verdict::Adjusted);
    EXPECT_TRUE(import->preview()[0].notes.value(0).contains(QStringLiteral("codifica")));
}

TEST(FormulaGuard, KeepsFormulasOutOfSpreadsheetsAndGivesEveryTextBack) {
    for (const char* text : {"=HYPERLINK(\"http://x\")", "+39 333", "-5", "@SUM(A1)", "\tTab",
                             "\rCR", "'=già", "''+x", "'plain", "plain", "", "a=b"}) {
        const QString original = QString::fromUtf8(text);
        const QString guarded = FormulaGuard::guarded(original);
        EXPECT_FALSE(FormulaGuard::startsLikeFormula(guarded)) << text;
        EXPECT_EQ(FormulaGuard::unguarded(guarded), original) << text;
    }
    EXPECT_EQ(FormulaGuard::guarded(QStringLiteral("=1+1")), QStringLiteral("'=1+1"));
    EXPECT_EQ(FormulaGuard::guarded(QStringLiteral("'plain")), QStringLiteral("'plain"));
}

// A book with texts that spreadsheets would take for formulas, every kind of client and
// expiries with seconds and milliseconds: exported, then imported into an empty store.
class RoundTrip : public ImportRun, public ::testing::WithParamInterface<const char*> {};

TEST_P(RoundTrip, GivesBackEveryPolicyAndClientDocumentsAside) {
    auto mario = context().insert<Contact>();
    mario->setFirstName(QStringLiteral("=HYPERLINK(\"http://x\",\"Mario\")"));
    mario->setLastName(QStringLiteral("Rossi"));
    mario->setPhoneNumber(QStringLiteral("+39 333 1234567"));
    mario->setNotes(QStringLiteral("riga 1\nriga 2; \"citata\""));
    auto acme = context().insert<Contact>();
    acme->setCompany(QStringLiteral("@Acme srl"));
    acme->setEmail(QStringLiteral("info@acme.it"));
    auto alone = context().insert<Contact>();
    alone->setFirstName(QStringLiteral("Zoë"));
    alone->setLastName(QStringLiteral("-Ælfred 😀"));
    const struct {
        const char* name;
        const char* number;
        QDateTime expiry;
        const char* cycle;
        std::optional<const char*> days;
        std::shared_ptr<Contact> client;
    } policies[] = {
        {"Casa", "P-1", rome(2026, 6, 15, 9, 0), "yearly", "30, 15, 7", mario},
        {"\tAuto", "'=P-2", rome(2026, 9, 1, 14, 37, 22, 481), "monthly", std::nullopt, mario},
        {"Flotta", "P-3", rome(2027, 1, 31, 23, 59, 59), "quarterly", "7,30", acme},
        {"Vita", "-4", rome(2026, 3, 29, 3, 30), "yearly", "0", nullptr},
    };
    // Who was told, and how: the way rides in the milliseconds.
    const std::optional<Instant> told[] = {
        ClientNotice::stamped(Instant::fromDateTime(rome(2026, 5, 20, 11, 4, 9)),
                              ClientNotice::Channel::WhatsApp),
        std::nullopt,
        ClientNotice::stamped(Instant::fromDateTime(rome(2026, 12, 30, 18, 0)),
                              ClientNotice::Channel::Email),
        Instant::fromDateTime(rome(2026, 3, 1, 9, 0)),
    };
    auto home = context().insert<Category>();
    home->setName(QStringLiteral("Abitazione"));
    auto firms = context().insert<Category>();
    firms->setName(QStringLiteral("=Aziende"));
    const std::shared_ptr<Category> filed[] = {home, home, firms, nullptr};
    for (const auto& p : policies) {
        auto policy =
            insertPolicy(context(), QString::fromUtf8(p.name), Instant::fromDateTime(p.expiry));
        policy->setLastNotified(told[&p - policies]);
        policy->setCategory(filed[&p - policies]);
        policy->setPolicyNumber(QString::fromUtf8(p.number));
        policy->setProvider(QStringLiteral("Generali; \"Vita\""));
        policy->setRenewalType(QString::fromUtf8(p.cycle));
        policy->setCustomReminderDays(p.days ? std::optional(QString::fromUtf8(*p.days))
                                             : std::nullopt);
        policy->setReminderDays(p.days ? PolicyRules::storedReminderDays(QString::fromUtf8(*p.days))
                                       : 45);
        policy->setClientPhoneNumber(QStringLiteral("+39 02 1234"));
        policy->setNotes(QStringLiteral("nota"));
        policy->setContact(p.client);
    }
    ASSERT_TRUE(context().save());

    const bool workbook = QString::fromLatin1(GetParam()) == u"xlsx";
    const QString path = m_dir.filePath(QStringLiteral("libro.") + QString::fromLatin1(GetParam()));
    const std::vector<BookExport::Row> rows = BookExport::rowsOfBook(context());
    ASSERT_EQ(rows.size(), 5u);
    const std::optional<QString> failure =
        workbook ? BookExport::writeXlsx(path, rows, m_clock.timeZone())
                 : BookExport::writeCsv(path, rows, m_clock.locale(), m_clock.timeZone());
    ASSERT_FALSE(failure) << failure->toStdString();

    // What a spreadsheet sees: text, never a formula.
    if (workbook) {
        ZipArchive zip(path, qint64(1) << 30, nullptr);
        QString error;
        ASSERT_TRUE(zip.open(&error));
        const QByteArray xml =
            zip.smallPart(QStringLiteral("xl/worksheets/sheet1.xml"), 1 << 24).value_or("");
        EXPECT_FALSE(xml.contains("<f>"));
        EXPECT_TRUE(xml.contains("=HYPERLINK"));
    } else {
        QFile csv(path);
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBFNome Polizza;Numero Polizza;"));
        const QString text = QString::fromUtf8(bytes);
        EXPECT_TRUE(
            text.contains(QStringLiteral(";\"'=HYPERLINK(\"\"http://x\"\",\"\"Mario\"\")\";")));
        EXPECT_TRUE(text.contains(QStringLiteral("\r\n'\tAuto;''=P-2;"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral(";2026-09-01 14:37:22.481;mensile;")));
        EXPECT_TRUE(text.contains(QStringLiteral(";2026-05-20 11:04:09.001;")))
            << text.toStdString();
        for (const QString& line : text.split(QStringLiteral("\r\n"))) {
            for (const QString& cell : line.split(u';')) {
                EXPECT_FALSE(FormulaGuard::startsLikeFormula(cell)) << cell.toStdString();
            }
        }
    }

    PersistenceController empty(true, m_clock, *m_log);
    ManagedObjectContext& fresh = empty.container().viewContext();
    auto import = session(fresh);
    ASSERT_TRUE(opened(*import, path));
    EXPECT_EQ(import->settings().columns, ImportFields::exported());
    const std::optional<ImportResult> result = run(*import);
    ASSERT_TRUE(result && !result->error);
    EXPECT_EQ(result->summary(),
              QStringLiteral("Importate 4 polizze e 3 contatti; 0 righe saltate"));

    const auto book = [&](ManagedObjectContext& from) {
        QStringList lines;
        for (const auto& policy : all<Policy>(from)) {
            const std::optional<Instant> notified = policy->lastNotified();
            const std::shared_ptr<Category> category = policy->category();
            lines.append(describe(*policy) + u'|' +
                         (notified ? notified->toUtcDateTime().toString(Qt::ISODateWithMs)
                                   : QStringLiteral("(none)")) +
                         u'|' + (category ? category->name() : QStringLiteral("(none)")));
        }
        for (const auto& contact : all<Contact>(from)) {
            lines.append(describe(*contact));
        }
        lines.sort();
        return lines;
    };
    // Absent reminder days come back as the number they stood for.
    EXPECT_EQ(book(fresh), book(context()).replaceInStrings(QStringLiteral("|(none)|45|"),
                                                            QStringLiteral("|45|45|")));
    EXPECT_EQ(all<Category>(fresh).size(), 2u) << "one category for the policies that share it";
}

INSTANTIATE_TEST_SUITE_P(Export, RoundTrip, ::testing::Values("csv", "xlsx"));

// The list as the user filtered it: its policies only, in its order, without the clients that
// have none; the locale decides the CSV's delimiter; a workbook's expiries are date cells.
TEST_F(ImportRun, AnExportOfTheListShownHoldsItsPoliciesOnly) {
    auto lone = context().insert<Contact>();
    lone->setLastName(QStringLiteral("Solo"));
    auto casa = insertPolicy(context(), QStringLiteral("Casa"),
                             Instant::fromDateTime(rome(2026, 6, 15, 9, 0)));
    casa->setPolicyNumber(QStringLiteral("P-1"));
    auto auto2 = insertPolicy(context(), QStringLiteral("Auto, nuova"),
                              Instant::fromDateTime(rome(2026, 5, 1, 18, 30)));
    auto2->setPolicyNumber(QStringLiteral("P-2"));
    ASSERT_TRUE(context().save());
    const std::vector<BookExport::Row> rows = BookExport::rowsOf({casa, auto2});
    ASSERT_EQ(rows.size(), 2u);

    const QString csv = m_dir.filePath(QStringLiteral("lista.csv"));
    ASSERT_FALSE(BookExport::writeCsv(csv, rows, QLocale(QLocale::English, QLocale::UnitedStates),
                                      m_clock.timeZone()));
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBFNome Polizza,Numero Polizza,"));
    const QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4); // the header, two policies, and the end of the last line
    EXPECT_TRUE(
        lines[1].startsWith(QStringLiteral("Casa,P-1,Generali,2026-06-15 09:00:00,annuale,")));
    EXPECT_TRUE(
        lines[2].startsWith(QStringLiteral("\"Auto, nuova\",P-2,Generali,2026-05-01 18:30:00,")));
    EXPECT_EQ(lines[3], QString());

    const QString xlsx = m_dir.filePath(QStringLiteral("lista.xlsx"));
    ASSERT_FALSE(BookExport::writeXlsx(xlsx, rows, m_clock.timeZone()));
    const TableReader::Result read = TableReader::read(xlsx, {});
    ASSERT_FALSE(read.error);
    ASSERT_EQ(read.table.rows.size(), 3u);
    // Read back through the cell's date format: a text cell would keep its space.
    EXPECT_EQ(read.table.rows[2].cell(BookExport::columnOf(ImportField::ExpirationDate)),
              u"2026-05-01T18:30:00");
    EXPECT_EQ(read.table.rows[2].cell(0), u"Auto, nuova");
}

} // namespace
