#include "TransferScreens.h"

#include "ScreenCamera.h"

#include "importexport/ExportSheet.h"
#include "importexport/ImportSheet.h"
#include "support/ScreenWorld.h"
#include "support/WaitUntil.h"
#include "ui/ProgressPanel.h"

#include <QApplication>
#include <QFile>
#include <QScrollArea>
#include <QTemporaryDir>

namespace {

constexpr int kSheetWidth = 960;

// An agency program's export: Italian headers, ";" between cells, a column the program has no
// field for, a cycle it does not know, and two rows it must refuse. The names are what a user
// typed; the rest is what another program wrote.
QByteArray bookFile(const ScreenCamera& camera) {
    const std::vector<std::vector<const char*>> rows = {
        {"Giulia", "Ferraris", "+39 011 555 0142", "giulia@example.it", "AU-2026-0142", "Auto",
         "Allianz", "15/03/2027", "annuale", "TO-12"},
        {"Marco", "Esposito", "+39 081 555 0199", "marco.esposito@example.it", "CA-2025-0099",
         "Casa", "Generali", "02/04/2027", "annuale", "NA-03"},
        {"Sara", "Colombo", "+39 02 555 0177", "", "VI-2024-0177", "Vita", "UnipolSai",
         "28/02/2027", "semestrale", "MI-07"},
        {"Luca", "Romano", "+39 06 555 0123", "luca.romano@example.it", "", "Casa", "Reale Mutua",
         "10/05/2027", "annuale", "RM-01"},
        {"Elena", "Bruno", "+39 051 555 0188", "", "RC-2026-0188", "RC Professionale", "Zurich",
         "31/13/2027", "trimestrale", "BO-02"},
        {"Paolo", "Gallo", "+39 055 555 0166", "paolo.gallo@example.it", "AU-2026-0166", "Auto",
         "AXA", "20/06/2027", "mensile", "FI-04"},
        {"Chiara", "Conti", "+39 011 555 0155", "", "CA-2026-0155", "Casa", "Allianz", "01/09/2027",
         "annuale", "TO-12"},
        {"Davide", "Ricci", "+39 045 555 0133", "davide@example.it", "AU-2025-0133", "Auto",
         "Generali", "12/11/2027", "trimestrale", "VR-05"},
    };
    constexpr size_t kTyped[] = {0, 1, 5, 6}; // names, product, insurer
    QByteArray bytes = "Nome;Cognome;Cellulare;Email;N. Polizza;Prodotto;Compagnia;Scadenza;"
                       "Rinnovo;Codice Agenzia\r\n";
    for (const auto& row : rows) {
        QStringList cells;
        for (size_t i = 0; i < row.size(); ++i) {
            const bool typed =
                std::find(std::begin(kTyped), std::end(kTyped), i) != std::end(kTyped);
            // Unquoted, as agency programs write: a quote inside a field is kept as it is.
            cells << (typed ? camera.text(row[i]) : QString::fromUtf8(row[i]));
        }
        bytes += cells.join(u';').toUtf8() + "\r\n";
    }
    return bytes;
}

bool shootSheet(ScreenCamera& camera, QDialog& sheet, const char* name, int width = kSheetWidth) {
    sheet.show();
    QApplication::processEvents();
    if (auto* scroll = sheet.findChild<QScrollArea*>()) {
        sheet.resize(width, scroll->widget()->sizeHint().height());
    }
    QApplication::processEvents();
    return camera.take(sheet.grab(), QLatin1String(name));
}

} // namespace

bool shootTransferScreens(ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock,
                          LogChannel& log) {
    ScreenWorld world(clock, log, {.installed = false});
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("portafoglio-clienti.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bookFile(camera)) < 0) {
        return false;
    }
    file.close();

    bool ok = true;
    {
        ImportSheet sheet({.context = context,
                           .reminders = *world.reminders,
                           .clock = clock,
                           .log = log,
                           .memory = nullptr},
                          path);
        sheet.setAttribute(Qt::WA_DeleteOnClose, false);
        ImportSession& session = sheet.session();
        ok &= waitUntil([&session] { return !session.isBusy(); });
        ok &= shootSheet(camera, sheet, "import-sheet-detected.png");

        session.setColumn(9, ImportField::PolicyNotes);
        ok &= waitUntil([&session] { return !session.isBusy(); });
        ok &= shootSheet(camera, sheet, "import-sheet-remapped.png");

        // The bar as a long file shows it, half way through its rows.
        sheet.progress().setStatus(QStringLiteral("Controllo delle righe…"), 4'200, 10'000);
        sheet.progress().showNow();
        ok &= shootSheet(camera, sheet, "import-sheet-progress.png");
        sheet.progress().end();

        bool finished = false;
        QObject::connect(&session, &ImportSession::finished, &sheet,
                         [&finished] { finished = true; });
        sheet.saveNow();
        ok &= waitUntil([&finished] { return finished; });
        ok &= shootSheet(camera, sheet, "import-sheet-result.png");
        sheet.close();
    }
    {
        ExportSheet sheet({.context = context, .clock = clock, .log = log, .shownPolicies = [] {
                               return std::vector<std::shared_ptr<Policy>>();
                           }});
        sheet.setAttribute(Qt::WA_DeleteOnClose, false);
        ok &= shootSheet(camera, sheet, "export-sheet.png", 620);
        sheet.close();
    }
    QApplication::processEvents();
    return ok;
}
