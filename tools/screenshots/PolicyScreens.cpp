#include "PolicyScreens.h"

#include "SheetShot.h"

#include "ScreenCamera.h"

#include "support/ScreenWorld.h"
#include "support/WaitUntil.h"
#include "ui/DialogConfirmation.h"

#include "contacts/ContactEditView.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "policies/DropZoneView.h"
#include "policies/PDFViewer.h"
#include "policies/PolicyEditView.h"
#include "store/ManagedObjectContext.h"
#include "support/ManualClock.h"
#include "ui/Palette.h"
#include "ui/PdfPageView.h"

#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QByteArray samplePdf() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(QStringLiteral("Polizza Casa"));
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"), 28, QFont::Bold);
    for (int page = 0; page < 2; ++page) {
        if (page > 0) {
            writer.newPage();
        }
        painter.setFont(font);
        painter.drawText(600, 1200, QStringLiteral("Polizza Casa — pagina %1").arg(page + 1));
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
        for (int line = 0; line < 30; ++line) {
            painter.drawText(600, 2000 + line * 350,
                             QStringLiteral("Art. %1 — Condizioni generali di assicurazione.")
                                 .arg(page * 30 + line + 1));
        }
    }
    painter.end();
    return bytes;
}

} // namespace

bool shootPolicyScreens(ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock,
                        LogChannel& log) {
    ScreenWorld world(clock, log, {.installed = false});
    const auto services = [&] { return world.editor(context); };

    auto contact = context.insert<Contact>();
    contact->setFirstName(camera.text("Luca"));
    contact->setLastName(camera.text("Moretti"));
    contact->setPhoneNumber(camera.text("+39 02 555 0101"));
    auto policy = context.insert<Policy>();
    policy->setName(camera.text("Assicurazione Casa"));
    policy->setPolicyNumber(camera.text("CASA-2026-0042"));
    policy->setProvider(camera.text("Generali Italia"));
    policy->setExpirationDate(clock.now());
    policy->setCustomReminderDays(QStringLiteral("30, 15, 7"));
    policy->setNotes(camera.text("Include la copertura contro gli allagamenti."));
    policy->setContact(contact);
    policy->setPdfData(samplePdf());
    policy->setPdfFileName(camera.text("Polizza Casa 2026 - condizioni generali.pdf"));
    context.save();

    bool ok =
        shootSheet(camera, new PolicyEditView(services(), nullptr), "policy-editor-empty.png");
    auto* typed = new PolicyEditView(services(), nullptr);
    const std::pair<const char*, const char*> texts[] = {
        {"nameField", "Assicurazione Auto"},
        {"policyNumberField", "AUTO-7781"},
        {"providerField", "Allianz"},
        {"clientPhoneField", "+39 333 123 4567"},
    };
    for (const auto& [name, text] : texts) {
        typed->findChild<QLineEdit*>(QLatin1String(name))->setText(camera.text(text));
    }
    ok &= shootSheet(camera, typed, "policy-editor-filled.png");
    ok &= shootSheet(camera, new PolicyEditView(services(), policy), "policy-editor-document.png");

    auto* viewer = new PDFViewer(*policy->pdfDocument(), *policy->pdfFileName(), world.viewer());
    viewer->resize(600, 700);
    viewer->show();
    // The pages are drawn by the document renderer: they arrive a moment later.
    ok &= waitUntil([viewer] { return viewer->pageView()->pagesDrawn().size() >= 1; });
    ok &= camera.take(viewer->grab(), QStringLiteral("pdf-viewer.png"));
    viewer->close();

    DropZoneView zone;
    zone.resize(520, 150);
    zone.show();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/Polizza.pdf"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&zone, &enter);
    ok &= camera.take(zone.grab(), QStringLiteral("drop-zone-targeted.png"));

    QApplication::setPalette(Palette::dark());
    ok &= shootSheet(camera, new PolicyEditView(services(), policy), "policy-editor-dark.png");
    QApplication::setPalette(Palette::light());
    return ok;
}
