#include "app/ContentView.h"
#include "importexport/ExportSheet.h"
#include "importexport/ImportSheet.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "support/Child.h"
#include "support/PolicyScreenFixture.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTest>

namespace {

// An agency program's export: a column without a field, a cycle the program has no cycle for,
// a row without a policy number and one whose expiry is no date.
constexpr char kBook[] =
    "Nome;Cognome;Cellulare;Email;N. Polizza;Prodotto;Compagnia;Scadenza;Rinnovo;Codice Agenzia\r\n"
    "Giulia;Ferraris;+39 011 555 "
    "0142;giulia@example.it;AU-1;Auto;Allianz;15/03/2027;annuale;TO-12\r\n"
    "Marco;Esposito;+39 081 555 0199;;CA-2;Casa;Generali;02/04/2027;annuale;NA-03\r\n"
    "Sara;Colombo;+39 02 555 0177;;VI-3;Vita;UnipolSai;28/02/2027;semestrale;MI-07\r\n"
    "Luca;Romano;+39 06 555 0123;;;Casa;Reale Mutua;10/05/2027;annuale;RM-01\r\n"
    "Elena;Bruno;+39 051 555 0188;;RC-5;RC;Zurich;31/13/2027;trimestrale;BO-02\r\n"
    "Paolo;Gallo;+39 055 555 0166;;AU-6;Auto;AXA;20/06/2027;mensile;FI-04\r\n";

class TransferSheets : public PolicyScreenFixture {
protected:
    TransferSheets()
        : m_settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat) {}

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        return path;
    }
    void showWindow() {
        m_window = std::make_unique<ContentView>(m_world.window(context(), m_settings));
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        QApplication::setActiveWindow(m_window.get());
    }
    // The file dialog on show (one closed a moment ago may await its deletion).
    QFileDialog* fileDialog(const char* name) {
        QFileDialog* shown = nullptr;
        waitUntil([&] {
            const auto dialogs = m_window->findChildren<QFileDialog*>(QLatin1String(name));
            for (QFileDialog* dialog : dialogs) {
                shown = dialog->isVisible() ? dialog : shown;
            }
            return shown != nullptr;
        });
        return shown;
    }
    // The import sheet over the window once it has read and checked its file.
    ImportSheet* readySheet() {
        ImportSheet* sheet = nullptr;
        const bool ready = waitUntil([&] {
            sheet = child<ImportSheet>(m_window.get(), "importSheet");
            return sheet && sheet->isVisible() && !sheet->session().isBusy();
        });
        return ready ? sheet : nullptr;
    }
    bool drop(const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPoint at = m_window->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &dropped);
        return dropped.isAccepted();
    }

    QSettings m_settings;
    std::unique_ptr<ContentView> m_window;
};

TEST_F(TransferSheets, AFilePickedFromTheMenuIsPreviewedRemappedAndImportedWithItsReminders) {
    showWindow();
    const QString path = file(QStringLiteral("portafoglio.csv"), kBook);
    child<QAction>(m_window.get(), "importAction")->trigger();
    QFileDialog* dialog = fileDialog("importFileDialog");
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
    ImportSheet* sheet = readySheet();
    ASSERT_NE(sheet, nullptr);

    EXPECT_EQ(child<QLabel>(sheet, "importFileName")->text(), QStringLiteral("portafoglio.csv"));
    EXPECT_EQ(child<QLabel>(sheet, "importDetected")->text(),
              QStringLiteral("Letto come testo UTF-8, separato da: punto e virgola (;); 6 righe"));
    auto* preview = child<QTableView>(sheet, "importPreview");
    QAbstractItemModel* rows = preview->model();
    ASSERT_EQ(rows->rowCount(), 6);
    const int verdict = 1;
    const auto verdictOf = [&](int row) { return rows->index(row, verdict).data().toString(); };
    EXPECT_EQ(verdictOf(0), QStringLiteral("Da importare"));
    EXPECT_TRUE(verdictOf(2).startsWith(QStringLiteral("Corretta: ")))
        << verdictOf(2).toStdString();
    EXPECT_TRUE(verdictOf(3).startsWith(QStringLiteral("Rifiutata: ")))
        << verdictOf(3).toStdString();
    EXPECT_TRUE(verdictOf(4).startsWith(QStringLiteral("Rifiutata: ")))
        << verdictOf(4).toStdString();
    EXPECT_TRUE(rows->index(3, 3).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(rows->index(0, 3).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(rows->headerData(11, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Codice Agenzia\n→ Ignora"));

    // The agency code goes into the policy's notes, chosen from its header's menu.
    sheet->openFieldMenu(9);
    auto* menu = child<QMenu>(sheet, "columnFieldMenu");
    ASSERT_NE(menu, nullptr);
    child<QAction>(menu, "field_policyNotes")->trigger();
    menu->close();
    ASSERT_TRUE(waitUntil([sheet] { return !sheet->session().isBusy(); }));
    EXPECT_EQ(rows->headerData(11, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Codice Agenzia\n→ Note Polizza"));
    // The picker below follows the cell chosen with the keyboard, and stays on its column
    // through a remap of its own, there and back.
    preview->setCurrentIndex(rows->index(0, 5));
    auto* picker = child<QComboBox>(sheet, "columnFieldPicker");
    EXPECT_EQ(picker->currentText(), QStringLiteral("Email"));
    preview->setCurrentIndex(rows->index(0, 11));
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down}) {
        QTest::keyClick(picker, key);
        ASSERT_TRUE(waitUntil([sheet] { return !sheet->session().isBusy(); }));
        EXPECT_EQ(child<QLabel>(sheet, "fieldColumnName")->text(),
                  QStringLiteral("Colonna «Codice Agenzia»"));
    }
    EXPECT_EQ(picker->currentText(), QStringLiteral("Note Polizza"));

    auto* importButton = child<QPushButton>(sheet, "saveButton");
    ASSERT_TRUE(importButton->isEnabled());
    importButton->click();
    auto* summary = child<QLabel>(sheet, "importSummary");
    ASSERT_TRUE(waitUntil([summary] { return summary->isVisible(); }));
    EXPECT_EQ(summary->text(),
              QStringLiteral("Importate 4 polizze e 4 contatti; 2 righe saltate; 1 riga corretta"));
    EXPECT_EQ(child<QTableView>(sheet, "importResultRows")->model()->rowCount(), 3);
    child<QPushButton>(sheet, "copySkippedButton")->click();
    EXPECT_EQ(QApplication::clipboard()->text().count(u'\n'), 3);

    const auto policies = context().fetch(Policy::fetchRequest());
    ASSERT_EQ(policies.size(), 4u);
    const auto first = std::find_if(policies.begin(), policies.end(), [](const auto& policy) {
        return policy->policyNumber() == u"AU-1";
    });
    ASSERT_NE(first, policies.end());
    EXPECT_EQ((*first)->notes(), QStringLiteral("TO-12"));
    // The file names no reminder days: each policy has the default one, 30 days before.
    EXPECT_EQ(pendingReminders().size(), 4);

    ASSERT_EQ(importButton->text(), QStringLiteral("Fine"));
    QPointer<ImportSheet> closing(sheet);
    importButton->click();
    EXPECT_TRUE(waitUntil([&closing] { return closing.isNull(); }));
}

TEST_F(TransferSheets, TheShortcutTheEmptyStateAndADropOpenTheImport) {
    showWindow();
    QTest::keyClick(m_window.get(), Qt::Key_I, Qt::ControlModifier);
    QFileDialog* dialog = fileDialog("importFileDialog");
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    ASSERT_TRUE(waitUntil([this] { return !m_window->hasOpenSheet(); }));

    child<QPushButton>(m_window.get(), "importPolicyButton")->click();
    dialog = fileDialog("importFileDialog");
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    ASSERT_TRUE(waitUntil([this] { return !m_window->hasOpenSheet(); }));

    // Only the files the import reads are taken; an image renamed .csv is refused in the sheet.
    EXPECT_FALSE(drop(file(QStringLiteral("polizza.pdf"), "%PDF-1.7")));
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += QByteArray(300, '\0');
    ASSERT_TRUE(drop(file(QStringLiteral("foto.CSV"), png)));
    ImportSheet* sheet = readySheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(child<QLabel>(sheet, "importFileName")->text(), QStringLiteral("foto.CSV"));
    EXPECT_TRUE(child<QLabel>(sheet, "importFileError")->isVisible());
    EXPECT_FALSE(child<QLabel>(sheet, "importFileError")->text().isEmpty());
    EXPECT_FALSE(child<QPushButton>(sheet, "saveButton")->isEnabled());
    sheet->reject();
}

TEST_F(TransferSheets, TheExportWritesTheChosenPoliciesOrSaysWhyItCouldNot) {
    for (const char* name : {"Casa", "Auto", "Vita"}) {
        insertPolicy(context(), QLatin1String(name));
    }
    ASSERT_TRUE(context().save());
    const auto all = context().fetch(Policy::fetchRequest());
    ExportSheet sheet(
        {.context = context(), .clock = m_clock, .log = *m_log, .shownPolicies = [&all] {
             return std::vector<std::shared_ptr<Policy>>{all.front()};
         }});
    sheet.setAttribute(Qt::WA_DeleteOnClose, false);
    sheet.show();
    EXPECT_EQ(child<QWidget>(&sheet, "shownPoliciesSegment")->property("text").toString(),
              QStringLiteral("Solo quelle mostrate nella lista (1)"));
    QStringList written;
    QObject::connect(&sheet, &ExportSheet::exported, &sheet,
                     [&written](const QString& path) { written << path; });

    sheet.setScope(ExportSheet::Scope::Shown);
    const QString shown = m_dir.filePath(QStringLiteral("mostrate.csv"));
    sheet.exportTo(shown);
    ASSERT_TRUE(waitUntil([&written] { return written.size() == 1; }));
    QFile csv(shown);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().count("\r\n"), 2);

    sheet.show();
    sheet.setScope(ExportSheet::Scope::Book);
    sheet.setFormat(ExportSheet::Format::Xlsx);
    const QString book = m_dir.filePath(QStringLiteral("tutte.xlsx"));
    sheet.exportTo(book);
    ASSERT_TRUE(waitUntil([&written] { return written.size() == 2; }));
    QFile xlsx(book);
    ASSERT_TRUE(xlsx.open(QIODevice::ReadOnly));
    EXPECT_TRUE(xlsx.read(2) == "PK");

    // A folder that is not there: said in the sheet and the log, nothing left, the sheet open.
    sheet.show();
    const QString nowhere = m_dir.filePath(QStringLiteral("manca/tutte.xlsx"));
    sheet.exportTo(nowhere);
    auto* status = child<QLabel>(&sheet, "exportStatus");
    ASSERT_TRUE(waitUntil([status] { return status->isVisible(); }));
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("Error exporting: ")));
    EXPECT_EQ(logLines().filter(QStringLiteral("Error exporting: ")).size(), 1);
    EXPECT_EQ(written.size(), 2);
    EXPECT_FALSE(QFile::exists(nowhere));
    EXPECT_TRUE(sheet.isVisible());
}

} // namespace
