#include "app/ContentView.h"
#include "backup/BackupFixture.h"
#include "recovery/DamagedStorePage.h"
#include "recovery/RestoreFlow.h"
#include "recovery/RestoreSheet.h"
#include "support/CaseName.h"
#include "support/Child.h"
#include "support/ScreenWorld.h"
#include "support/WaitUntil.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTest>

namespace {

using TimeHelpers::utc;

const QString kKeptText =
    QStringLiteral(" Lo stato attuale viene salvato come backup prima del ripristino.");

// The backups folder of the screen world, and a book of 2 policies and 1 contact open now.
class RecoveryScreens : public BackupFixture {
protected:
    RecoveryScreens() {
        m_clock.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
        ManagedObjectContext& now = context();
        insertPolicy(now, QStringLiteral("Casa"));
        insertPolicy(now, QStringLiteral("Auto"));
        now.insert<Contact>()->setLastName(QStringLiteral("Rossi"));
        EXPECT_TRUE(now.save());
    }

    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    QString folder() const { return m_world.backups.folder(); }
    // An automatic backup written at `time` (local, "2026-03-09-090000").
    QString backup(const char* time, int policies, int contacts) {
        QDir().mkpath(folder());
        const QString path =
            QDir(folder()).filePath(QStringLiteral("QuintaverModel-%1.sqlite").arg(time));
        makeStore(path, policies, contacts);
        return path;
    }
    RestoreSheet::Services sheetServices() {
        return {.context = context(),
                .clock = m_clock,
                .log = *m_log,
                .confirmation = m_world.answers,
                .folder = folder(),
                .restoreBackup = m_world.restoreBackup()};
    }
    // The sheet on show, its backups listed.
    std::unique_ptr<RestoreSheet> listedSheet() {
        auto sheet = std::make_unique<RestoreSheet>(sheetServices());
        sheet->setAttribute(Qt::WA_DeleteOnClose, false);
        sheet->show();
        EXPECT_TRUE(waitUntil([&] { return !sheet->isListing(); }));
        return sheet;
    }
    static QStringList rows(const RestoreSheet& sheet) {
        const QAbstractItemModel* model = child<QTableView>(&sheet, "backupList")->model();
        QStringList rows;
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model->columnCount(); ++column) {
                cells << model->index(row, column).data().toString();
            }
            rows << cells.join(QStringLiteral(" | "));
        }
        return rows;
    }
    QString askedMessage() {
        return waitUntil([this] { return m_world.answers.hasPending(); })
                   ? m_world.answers.asked.last().message
                   : QString();
    }
    static RestoreOutcome outcome(bool restored, qint64 policies, qint64 contacts) {
        RestoreOutcome outcome;
        outcome.restored = restored;
        outcome.error = restored ? QString() : QStringLiteral("Cannot write the store");
        outcome.contents.policies = policies;
        outcome.contents.contacts = contacts;
        return outcome;
    }

    std::unique_ptr<PersistenceController> m_controller = openInMemory();
    ScreenWorld m_world{m_clock, *m_log};
};

TEST_F(RecoveryScreens, TheSheetListsTheBackupsNewestFirstAndRestoresTheOneChosenOnceConfirmed) {
    backup("2026-03-08-183000", 1, 1);
    const QString chosen = backup("2026-03-09-090000", 4, 1);
    backup("2026-03-10-083000", 3, 2);
    makeStore(QDir(folder()).filePath(QStringLiteral("copia.sqlite")), 9, 9);
    auto sheet = listedSheet();
    EXPECT_EQ(rows(*sheet),
              (QStringList{"10 marzo 2026, 08:30 | 3 | 2", "9 marzo 2026, 09:00 | 4 | 1",
                           "8 marzo 2026, 18:30 | 1 | 1"}));

    auto* list = child<QTableView>(sheet.get(), "backupList");
    list->selectRow(1);
    child<QPushButton>(sheet.get(), "saveButton")->click();
    EXPECT_EQ(askedMessage(),
              QStringLiteral("Il backup del 9 marzo 2026, 09:00 contiene 4 polizze e 1 "
                             "contatto; ora ne hai 2 e 1.") +
                  kKeptText);
    EXPECT_EQ(m_world.answers.asked.last().confirmText, QStringLiteral("Ripristina"));
    EXPECT_EQ(m_world.answers.asked.last().cancelText, QStringLiteral("Annulla"));
    m_world.answers.answer(true);
    ASSERT_EQ(m_world.restoresAsked, QStringList{chosen});
    EXPECT_FALSE(child<QWidget>(sheet.get(), "progressPanel")->isHidden());

    // A restore that fails says why and leaves the sheet to try again.
    m_world.pendingRestore(outcome(false, 0, 0));
    auto* status = child<QLabel>(sheet.get(), "restoreStatus");
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->text(), QStringLiteral("Ripristino non riuscito: Cannot write the store"));
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_FALSE(askedMessage().isEmpty());
    m_world.answers.answer(true);
    bool restored = false;
    QObject::connect(sheet.get(), &RestoreSheet::restored, [&restored] { restored = true; });
    m_world.pendingRestore(outcome(true, 4, 1));
    EXPECT_TRUE(restored);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(m_world.restoresAsked, (QStringList{chosen, chosen}));
}

// With the program's preparation: it checks in the flow's place, and whatever it made ready is
// dropped when the check is stopped or the question declined, never once restored.
TEST_F(RecoveryScreens, TheFlowDropsAPreparedRestoreUnlessConfirmed) {
    QStringList prepared;
    int forgotten = 0;
    std::function<void(const StoreFileReport&)> checked;
    RestoreFlow::RestoreBackup restoreBackup = m_world.restoreBackup();
    restoreBackup.prepare = [&](const QString& chosen, auto done) {
        prepared << chosen;
        checked = std::move(done);
    };
    restoreBackup.forget = [&] { ++forgotten; };
    QWidget window;
    RestoreFlow flow({.context = context(),
                      .clock = m_clock,
                      .log = *m_log,
                      .confirmation = m_world.answers,
                      .restoreBackup = restoreBackup},
                     &window);
    const QString chosen = m_dir.filePath(QStringLiteral("scelto.sqlite"));
    StoreFileReport whole;
    whole.policies = 4;

    flow.start(chosen);
    flow.stopChecking();
    EXPECT_EQ(flow.phase(), RestoreFlow::Phase::Idle);
    EXPECT_EQ(forgotten, 1);
    for (const bool confirmed : {false, true}) {
        flow.start(chosen);
        checked(whole);
        ASSERT_EQ(flow.phase(), RestoreFlow::Phase::Asking);
        m_world.answers.answer(confirmed);
    }
    EXPECT_EQ(prepared, (QStringList{chosen, chosen, chosen}));
    EXPECT_EQ(forgotten, 2);
    EXPECT_EQ(m_world.restoresAsked, QStringList{chosen});
    EXPECT_EQ(flow.phase(), RestoreFlow::Phase::Restoring);
}

struct Refused {
    const char* name;
    std::function<void(RecoveryScreens&, const QString& path)> make;
    const char* reason;
};

void PrintTo(const Refused& refused, std::ostream* out) {
    *out << refused.name;
}

class RefusedFiles : public RecoveryScreens, public ::testing::WithParamInterface<Refused> {
public:
    void store(const QString& path) { makeStore(path, 1, 1); }
};

// A chosen file that cannot be restored says why in the sheet; nothing is asked or restored.
TEST_P(RefusedFiles, AreRefusedWithTheReasonAndNothingIsRestored) {
    const QString path = m_dir.filePath(QStringLiteral("scelto.sqlite"));
    GetParam().make(static_cast<RefusedFiles&>(*this), path);
    auto sheet = listedSheet();
    child<QPushButton>(sheet.get(), "chooseBackupFileButton")->click();
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        dialog = child<QFileDialog>(sheet.get(), "restoreFileDialog");
        return dialog && dialog->isVisible();
    }));
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();

    auto* status = child<QLabel>(sheet.get(), "restoreStatus");
    ASSERT_TRUE(waitUntil([&] { return status->isVisible(); }));
    EXPECT_EQ(status->text(), QStringLiteral("«scelto.sqlite» non si può ripristinare: ") +
                                  QString::fromUtf8(GetParam().reason));
    EXPECT_TRUE(m_world.answers.asked.isEmpty());
    EXPECT_TRUE(m_world.restoresAsked.isEmpty());
    EXPECT_EQ(logLines().filter(QStringLiteral("Error restoring backup: ")).size(), 1);
    EXPECT_EQ(sheet->flow().phase(), RestoreFlow::Phase::Idle);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFiles,
    ::testing::Values(
        Refused{"not a store",
                [](RecoveryScreens&, const QString& path) {
                    QFile file(path);
                    file.open(QIODevice::WriteOnly);
                    file.write("Nome;Cognome\r\nGiulia;Ferraris\r\n");
                },
                "il file non è un archivio di Quintaver Scheduler."},
        Refused{"a newer version",
                [](RecoveryScreens& test, const QString& path) {
                    static_cast<RefusedFiles&>(test).store(path);
                    RawSqlite(path).exec("PRAGMA user_version = 2");
                },
                "il file è stato scritto da una versione più recente di Quintaver Scheduler; "
                "aggiorna il programma per ripristinarlo."},
        Refused{"empty",
                [](RecoveryScreens&, const QString& path) {
                    QFile file(path);
                    file.open(QIODevice::WriteOnly);
                },
                "il file è vuoto."}),
    CaseName());

TEST_F(RecoveryScreens, TheDamagedStorePageOffersTheNewestWholeBackupAndRestoresIt) {
    const QString whole = backup("2026-03-09-090000", 3, 2);
    const QString damaged = backup("2026-03-10-083000", 5, 2);
    QFile(damaged).resize(QFileInfo(damaged).size() / 2);
    DamagedStorePage page({.context = context(),
                           .clock = m_clock,
                           .log = *m_log,
                           .confirmation = m_world.answers,
                           .desktop = m_world.desktop,
                           .folder = folder(),
                           .restoreBackup = m_world.restoreBackup()},
                          QStringLiteral("file is not a database"));
    page.show();
    ASSERT_TRUE(waitUntil([&] { return !page.isLooking(); }, 30000));
    EXPECT_EQ(child<QLabel>(&page, "damagedStoreReason")->text(),
              QStringLiteral("file is not a database"));
    EXPECT_EQ(child<QLabel>(&page, "offeredBackup")->text(),
              QStringLiteral("Backup del 9 marzo 2026, 09:00"));
    EXPECT_EQ(child<QLabel>(&page, "offeredBackupCounts")->text(),
              QStringLiteral("3 polizze e 2 contatti"));

    child<QPushButton>(&page, "restoreOfferedButton")->click();
    EXPECT_EQ(askedMessage(),
              QStringLiteral("Il backup del 9 marzo 2026, 09:00 contiene 3 polizze e 2 "
                             "contatti; ora ne hai 2 e 1.") +
                  kKeptText);
    m_world.answers.answer(true);
    EXPECT_EQ(m_world.restoresAsked, QStringList{whole});

    child<QPushButton>(&page, "showBackupFolderButton")->click();
    EXPECT_EQ(m_world.desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(folder())});
}

TEST_F(RecoveryScreens, WithoutAWholeBackupThePageSaysSoAndOffersTheOtherWays) {
    const QString damaged = backup("2026-03-10-083000", 5, 2);
    QFile(damaged).resize(QFileInfo(damaged).size() / 2);
    DamagedStorePage page({.context = context(),
                           .clock = m_clock,
                           .log = *m_log,
                           .confirmation = m_world.answers,
                           .desktop = m_world.desktop,
                           .folder = folder(),
                           .restoreBackup = m_world.restoreBackup()},
                          QStringLiteral("disk I/O error"));
    page.show();
    ASSERT_TRUE(waitUntil([&] { return !page.isLooking(); }, 30000));
    EXPECT_EQ(child<QLabel>(&page, "offeredBackup")->text(),
              QStringLiteral("Nessun backup supera il controllo."));
    EXPECT_FALSE(child<QPushButton>(&page, "restoreOfferedButton")->isVisible());
    EXPECT_TRUE(child<QPushButton>(&page, "otherBackupButton")->isVisible());
    EXPECT_TRUE(child<QPushButton>(&page, "showBackupFolderButton")->isVisible());
}

// The main window: a store that could not be opened puts the page in place of the lists and
// turns off what needs the store; a restore from it is told in the notice; the lists return.
TEST_F(RecoveryScreens, TheWindowShowsTheStoreProblemUntilItIsCleared) {
    backup("2026-03-09-090000", 3, 2);
    QSettings settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    ContentView window(m_world.window(context(), settings));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QStringList storeCommands{"newPolicyAction",     "importAction",
                                    "exportAction",        "exportCalendarAction",
                                    "printRenewalsAction", "backUpToFileAction"};
    const auto enabled = [&window](const QString& name) {
        return window.findChild<QAction*>(name)->isEnabled();
    };

    window.showStoreProblem(QStringLiteral("file is not a database"));
    DamagedStorePage* page = window.storeProblem();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(child<QWidget>(&window, "policyListView")->isVisible());
    for (const QString& name : storeCommands) {
        EXPECT_FALSE(enabled(name)) << name.toStdString();
    }
    EXPECT_TRUE(enabled(QStringLiteral("restoreBackupAction")));
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    EXPECT_FALSE(window.hasOpenSheet());

    child<QPushButton>(page, "otherBackupButton")->click();
    auto* sheet = child<RestoreSheet>(&window, "restoreSheet");
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    sheet->reject();

    ASSERT_TRUE(waitUntil([page] { return !page->isLooking(); }, 30000));
    child<QPushButton>(page, "restoreOfferedButton")->click();
    ASSERT_FALSE(askedMessage().isEmpty());
    m_world.answers.answer(true);
    m_world.pendingRestore(outcome(true, 3, 2));
    EXPECT_EQ(child<QLabel>(&window, "noticeText")->text(),
              QStringLiteral("Ripristinato il backup del 9 marzo 2026, 09:00: 3 polizze e 2 "
                             "contatti."));

    window.clearStoreProblem();
    EXPECT_EQ(window.storeProblem(), nullptr);
    EXPECT_TRUE(child<QWidget>(&window, "policyListView")->isVisible());
    for (const QString& name : storeCommands) {
        EXPECT_TRUE(enabled(name)) << name.toStdString();
    }
}

// "Esegui Backup...": a copy where the user says, named after today, told in the notice.
TEST_F(RecoveryScreens, TheWindowBacksUpToAChosenFile) {
    makeStore(m_world.exports.filePath(QStringLiteral("QuintaverModel.sqlite")), 3, 2);
    QSettings settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    ContentView window(m_world.window(context(), settings));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    child<QAction>(&window, "backUpToFileAction")->trigger();
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        dialog = child<QFileDialog>(&window, "backupFileDialog");
        return dialog && dialog->isVisible();
    }));
    EXPECT_EQ(QFileInfo(dialog->selectedFiles().value(0)).fileName(),
              QStringLiteral("QuintaverModel-2026-03-10.sqlite"));
    const QString target = m_dir.filePath(QStringLiteral("chiavetta.sqlite"));
    dialog->selectFile(target);
    static_cast<QDialog*>(dialog)->accept();
    auto* notice = child<QLabel>(&window, "noticeText");
    ASSERT_TRUE(waitUntil([notice] { return !notice->text().isEmpty(); }, 30000));
    EXPECT_EQ(notice->text(),
              QStringLiteral("Backup salvato in %1: 3 polizze e 2 contatti.").arg(target));
    EXPECT_EQ(StoreFileCheck::check(target).policies, 3);
}

} // namespace
