#include "importexport/RenewalReportSheet.h"
#include "app/AppSettings.h"
#include "app/ContentView.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "support/Child.h"
#include "support/PolicyScreenFixture.h"
#include "ui/ProgressPanel.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

using TimeHelpers::utc;

class RenewalReportSheetTest : public PolicyScreenFixture {
protected:
    // `count` policies expiring over the next three weeks (now is 10 March 2026, in Rome).
    void insertPolicies(int count) {
        for (int i = 0; i < count; ++i) {
            insertPolicy(context(), QStringLiteral("Polizza %1").arg(i),
                         Instant(utc("2026-03-11T10:00:00Z").msSinceEpoch() +
                                 qint64(i) * 20 * TimeHelpers::kDayMs / count));
        }
        ASSERT_TRUE(context().save());
    }
    std::unique_ptr<RenewalReportSheet> sheet(const QString& heading = QString()) {
        auto made = std::make_unique<RenewalReportSheet>(RenewalReportSheet::Services{
            .context = context(), .clock = m_clock, .log = *m_log, .heading = heading});
        made->setAttribute(Qt::WA_DeleteOnClose, false);
        made->show();
        return made;
    }
    static QString pdfText(const QString& path) {
        QPdfDocument pdf;
        if (pdf.load(path) != QPdfDocument::Error::None) {
            return {};
        }
        QString text;
        for (int page = 0; page < pdf.pageCount(); ++page) {
            text += pdf.getAllText(page).text() + u'\n';
        }
        return text;
    }
    static std::shared_ptr<QPrinter> pdfPrinter(const QString& path) {
        auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        return printer;
    }
    QTemporaryDir m_files;
};

TEST_F(RenewalReportSheetTest, TheMenuOpensItWithTheAgencyLineAndTheReportIsSavedOrPrinted) {
    insertPolicies(3);
    QSettings settings(m_files.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    AppSettings(settings, *m_log).setReportHeading(QStringLiteral("Agenzia Ferraris"));
    ContentView window(m_world.window(context(), settings));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    auto* opened = child<RenewalReportSheet>(&window, "renewalReportSheet");
    ASSERT_NE(opened, nullptr);
    ASSERT_TRUE(waitUntil([opened] { return opened->isVisible(); }));
    // One sheet at a time: the menu does nothing while it is open.
    child<QAction>(&window, "printRenewalsAction")->trigger();
    EXPECT_EQ(window.findChildren<RenewalReportSheet*>().size(), 1);

    auto* picker = child<QComboBox>(opened, "renewalRangePicker");
    QStringList entries;
    for (int i = 0; i < picker->count(); ++i) {
        entries << picker->itemText(i);
    }
    EXPECT_EQ(entries,
              QStringList({"Prossimi 30 giorni", "Prossimi 60 giorni", "Prossimi 90 giorni",
                           "Questo mese", "Mese prossimo", "Date scelte"}));
    opened->setChoice(RenewalReportSheet::Choice::NextMonth);
    EXPECT_EQ(child<QDateEdit>(opened, "renewalFirstDate")->date(), QDate(2026, 4, 1));
    EXPECT_EQ(child<QDateEdit>(opened, "renewalLastDate")->date(), QDate(2026, 4, 30));
    // The last day before the first: neither way of finishing is offered, and the hint says why.
    opened->setDates(QDate(2026, 3, 20), QDate(2026, 3, 19));
    EXPECT_FALSE(child<QPushButton>(opened, "saveButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(opened, "printButton")->isEnabled());
    EXPECT_TRUE(child<QLabel>(opened, "saveHint")->isVisible());

    opened->setChoice(RenewalReportSheet::Choice::Next30Days);
    ASSERT_TRUE(child<QPushButton>(opened, "saveButton")->isEnabled());
    int savedPolicies = -1;
    QObject::connect(opened, &RenewalReportSheet::saved, &window,
                     [&savedPolicies](const QString&, int policies) { savedPolicies = policies; });
    const QString path = m_files.filePath(QStringLiteral("scadenze.pdf"));
    const QPointer<RenewalReportSheet> closing(opened);
    opened->saveTo(path);
    ASSERT_TRUE(waitUntil([&savedPolicies] { return savedPolicies >= 0; }, 20000));
    EXPECT_EQ(savedPolicies, 3);
    const QString text = pdfText(path);
    EXPECT_TRUE(text.contains(QStringLiteral("Agenzia Ferraris")));
    EXPECT_TRUE(text.contains(QStringLiteral("Totale: 3 polizze")));
    EXPECT_TRUE(text.contains(QStringLiteral("Pagina 1 di 1")));
    // The clock's locale is American: Letter paper.
    QPdfDocument pdf;
    ASSERT_EQ(pdf.load(path), QPdfDocument::Error::None);
    EXPECT_NEAR(pdf.pagePointSize(0).width(), 612, 1);
    EXPECT_TRUE(waitUntil([&closing] { return closing.isNull(); }));

    // The same pages through a printer (one that prints to a file, as the dialog offers).
    auto printing = sheet();
    int printedPolicies = -1;
    QObject::connect(printing.get(), &RenewalReportSheet::printed, printing.get(),
                     [&printedPolicies](int policies) { printedPolicies = policies; });
    const QString printed = m_files.filePath(QStringLiteral("stampa.pdf"));
    printing->printOn(pdfPrinter(printed));
    ASSERT_TRUE(waitUntil([&printedPolicies] { return printedPolicies >= 0; }, 20000));
    EXPECT_EQ(printedPolicies, 3);
    EXPECT_TRUE(pdfText(printed).contains(QStringLiteral("Pagina 1 di 1")));
    EXPECT_FALSE(pdfText(printed).contains(QStringLiteral("Agenzia Ferraris")));
}

TEST_F(RenewalReportSheetTest, ARefusingFileOrPrinterIsSaidAndAStoppedReportLeavesNothing) {
    insertPolicies(400);
    auto shown = sheet();
    bool finished = false;
    QObject::connect(shown.get(), &RenewalReportSheet::saved, shown.get(),
                     [&finished] { finished = true; });
    QObject::connect(shown.get(), &RenewalReportSheet::printed, shown.get(),
                     [&finished] { finished = true; });
    auto* status = child<QLabel>(shown.get(), "renewalReportStatus");
    auto* saveButton = child<QPushButton>(shown.get(), "saveButton");
    const auto idle = [saveButton] { return saveButton->isEnabled(); };

    const QString nowhere = m_files.filePath(QStringLiteral("manca/scadenze.pdf"));
    shown->saveTo(nowhere);
    ASSERT_TRUE(waitUntil([status] { return status->isVisible(); }, 30000));
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("Error saving renewal report: ")));
    EXPECT_EQ(logLines().filter(QStringLiteral("Error saving renewal report: ")).size(), 1);
    EXPECT_FALSE(QFile::exists(nowhere));

    shown->printOn(pdfPrinter(nowhere));
    ASSERT_TRUE(waitUntil(
        [status] {
            return status->isVisible() &&
                   status->text().startsWith(QStringLiteral("Error printing renewal report: "));
        },
        30000));
    EXPECT_EQ(logLines().filter(QStringLiteral("Error printing renewal report: ")).size(), 1);
    EXPECT_FALSE(QFile::exists(nowhere));

    // "Annulla" on the progress bar: no file, nothing said, the sheet still open.
    const QString path = m_files.filePath(QStringLiteral("scadenze.pdf"));
    shown->saveTo(path);
    EXPECT_FALSE(idle());
    child<QPushButton>(&shown->progress(), "progressCancelButton")->click();
    ASSERT_TRUE(waitUntil(idle, 30000));
    EXPECT_FALSE(finished);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(status->isVisible());
    EXPECT_TRUE(shown->isVisible());
}

} // namespace
