#include "Harness.h"
#include "PolicyWorld.h"
#include "importexport/RenewalReportSheet.h"
#include "model/CalendarMath.h"
#include "report/RenewalPages.h"
#include "report/RenewalReportContent.h"
#include "report/RenewalSelection.h"
#include "store/ManagedObjectContext.h"
#include "support/WaitUntil.h"

#include <QApplication>
#include <QPdfDocument>
#include <QTemporaryDir>

namespace {

constexpr int kReportPolicies = 2'000;

// Every expiry the made-up book holds: from a year before now to two years after.
RenewalRange wholeBookRange(const QTimeZone& zone) {
    const QDate today = CalendarMath::toLocal(PolicyWorld::kNow, zone).date;
    return {today.addDays(-400), today.addDays(800)};
}

void reportBench() {
    PolicyWorld::InMemory world(kReportPolicies);
    ManagedObjectContext& context = world.store.container().viewContext();
    const QTimeZone zone = world.clock.timeZone();
    const RenewalRange range = wholeBookRange(zone);
    const QString name = QStringLiteral("renewal report of %L1 policies").arg(kReportPolicies);
    const RenewalReportContent content{
        .heading = QStringLiteral("Agenzia Ferraris Assicurazioni"),
        .range = range,
        .includesExpired = false,
        .madeAt = PolicyWorld::kNow,
        .zone = zone,
        .rows = RenewalSelection::rowsOf(context, range, false, PolicyWorld::kNow, zone)};
    if (content.rows.size() != size_t(kReportPolicies)) {
        Bench::report(name, QStringLiteral("failed: %1 rows").arg(content.rows.size()), QString());
        return;
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("scadenze.pdf"));
    std::optional<QString> failure;
    const double seconds = Bench::medianSeconds(
        {[&] { failure = RenewalPages::writePdf(path, content, QPageSize(QPageSize::A4)); }}, 3)[0];
    QPdfDocument pdf;
    if (failure || pdf.load(path) != QPdfDocument::Error::None) {
        Bench::report(name, QStringLiteral("failed: ") + failure.value_or(QStringLiteral("PDF")),
                      QString());
        return;
    }
    Bench::report(name + QStringLiteral(" to PDF, %1 pages (s)").arg(pdf.pageCount()),
                  QString::number(seconds, 'f', 2), QStringLiteral("at most 5"));

    // From the sheet: the rows read on the UI thread, the pages made beside it.
    RenewalReportSheet sheet({.context = context,
                              .clock = world.clock,
                              .log = world.log,
                              .heading = QStringLiteral("Agenzia Ferraris Assicurazioni")});
    sheet.setAttribute(Qt::WA_DeleteOnClose, false);
    sheet.show();
    QApplication::processEvents();
    sheet.setDates(range.first(), range.last());
    bool saved = false;
    QObject::connect(&sheet, &RenewalReportSheet::saved, &sheet, [&saved] { saved = true; });
    const Bench::StallWatch stalls;
    sheet.saveTo(folder.filePath(QStringLiteral("dal-foglio.pdf")));
    if (!waitUntil([&saved] { return saved; }, 120'000)) {
        Bench::report(name + QStringLiteral(" from the sheet"), QStringLiteral("failed"),
                      QString());
        return;
    }
    Bench::report(name + QStringLiteral(" from the sheet, longest event-loop stall (ms)"),
                  QString::number(stalls.longestMs(), 'f', 0), QStringLiteral("at most 100"));
}

} // namespace

QS_BENCH_GROUP("report", reportBench);
