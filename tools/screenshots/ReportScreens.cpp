#include "ReportScreens.h"

#include "ScreenCamera.h"

#include "importexport/RenewalReportSheet.h"
#include "model/CalendarMath.h"
#include "model/Contact.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/Clock.h"
#include "report/RenewalPages.h"
#include "report/RenewalReportContent.h"
#include "report/RenewalSelection.h"

#include <QApplication>
#include <QPainter>
#include <QPdfDocument>
#include <QPixmap>
#include <QScrollArea>
#include <QTemporaryDir>

namespace {

// Pixels per point of the page's picture: a Letter or A4 page about 1100 pixels tall.
constexpr qreal kReportPageScale = 1.35;

struct ReportFixturePolicy {
    const char* name;
    const char* number;
    const char* provider;
    int inDays;
    const char* firstName;
    const char* lastName;
    const char* phone;
    const char* email;
    int notifiedDaysAgo; // 0 for never
};

// An agency's next weeks: clients with and without an e-mail, one whose phone is only on the
// policy, reminders already shown for some, and a long name that wraps in its column.
constexpr ReportFixturePolicy kReportFixture[] = {
    {"Auto", "AU-2026-0142", "Allianz", 1, "Giulia", "Ferraris", "+39 011 555 0142",
     "giulia@example.it", 29},
    {"Casa", "CA-2025-0099", "Generali", 3, "Marco", "Esposito", "+39 081 555 0199",
     "marco.esposito@example.it", 27},
    {"RC Professionale Studio Tecnico Associato", "RC-2026-0188", "Zurich", 6, "Elena", "Bruno",
     "+39 051 555 0188", "", 0},
    {"Vita", "VI-2024-0177", "UnipolSai", 9, "Sara", "Colombo", "", "", 21},
    {"Auto", "AU-2026-0166", "AXA Italia", 12, "Paolo", "Gallo", "+39 055 555 0166",
     "paolo.gallo@example.it", 0},
    {"Infortuni", "IN-2026-0031", "Reale Mutua", 16, "Luca", "Romano", "+39 06 555 0123",
     "luca.romano@example.it", 14},
    {"Casa", "CA-2026-0155", "Allianz", 17, "Chiara", "Conti", "+39 011 555 0155", "", 0},
    {"Flotta Aziendale", "FL-2026-0007", "Generali", 23, "Davide", "Ricci", "+39 045 555 0133",
     "davide@example.it", 0},
};

void fillReportFixture(const ScreenCamera& camera, ManagedObjectContext& context,
                       const Clock& clock) {
    for (const ReportFixturePolicy& entry : kReportFixture) {
        auto contact = context.insert<Contact>();
        contact->setFirstName(camera.text(entry.firstName));
        contact->setLastName(camera.text(entry.lastName));
        if (*entry.email) {
            contact->setEmail(camera.text(entry.email));
        }
        auto policy = context.insert<Policy>();
        policy->setName(camera.text(entry.name));
        policy->setPolicyNumber(camera.text(entry.number));
        policy->setProvider(camera.text(entry.provider));
        const Instant expiry = CalendarMath::addDays(clock.now(), entry.inDays, clock.timeZone())
                                   .value_or(clock.now());
        policy->setExpirationDate(expiry);
        if (*entry.phone) {
            policy->setClientPhoneNumber(camera.text(entry.phone));
        }
        if (entry.notifiedDaysAgo > 0) {
            policy->setLastNotified(
                CalendarMath::addDays(clock.now(), -entry.notifiedDaysAgo, clock.timeZone()));
        }
        policy->setContact(contact);
    }
    context.save();
}

QPixmap firstPageOf(const QString& path) {
    QPdfDocument pdf;
    if (pdf.load(path) != QPdfDocument::Error::None || pdf.pageCount() < 1) {
        return {};
    }
    const QSize size = (pdf.pagePointSize(0) * kReportPageScale).toSize();
    QImage page(size, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(0, 0, pdf.render(0, size));
    painter.end();
    return QPixmap::fromImage(page);
}

} // namespace

bool shootReportScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log) {
    PersistenceController controller(true, clock, log);
    ManagedObjectContext& context = controller.container().viewContext();
    fillReportFixture(camera, context, clock);
    bool ok = true;
    {
        RenewalReportSheet sheet({.context = context,
                                  .clock = clock,
                                  .log = log,
                                  .heading = camera.text("Agenzia Ferraris Assicurazioni")});
        sheet.setAttribute(Qt::WA_DeleteOnClose, false);
        sheet.show();
        QApplication::processEvents();
        if (auto* scroll = sheet.findChild<QScrollArea*>()) {
            sheet.resize(620, scroll->widget()->sizeHint().height());
        }
        QApplication::processEvents();
        ok &= camera.take(sheet.grab(), QStringLiteral("renewal-report-sheet.png"));
        sheet.close();
    }
    const QTimeZone zone = clock.timeZone();
    const QDate today = CalendarMath::toLocal(clock.now(), zone).date;
    const RenewalRange range = RenewalRange::of(RenewalRange::Preset::Next30Days, today);
    const RenewalReportContent content{
        .heading = camera.text("Agenzia Ferraris Assicurazioni"),
        .range = range,
        .includesExpired = false,
        .madeAt = clock.now(),
        .zone = zone,
        .rows = RenewalSelection::rowsOf(context, range, false, clock.now(), zone)};
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("scadenze.pdf"));
    if (RenewalPages::writePdf(path, content, RenewalPages::paperFor(clock.locale()))) {
        return false;
    }
    const QPixmap page = firstPageOf(path);
    ok &= !page.isNull() && camera.take(page, QStringLiteral("renewal-report-page.png"));
    QApplication::processEvents();
    return ok;
}
