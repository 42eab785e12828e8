#include "DetailScreens.h"

#include "ScreenCamera.h"

#include "support/ScreenWorld.h"
#include "support/TimeHelpers.h"
#include "support/WaitUntil.h"
#include "ui/DialogConfirmation.h"

#include "contacts/ContactEditView.h"
#include "model/ClientNotice.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "platform/Clock.h"
#include "policies/DocumentPreview.h"
#include "policies/PolicyDetailView.h"
#include "store/ManagedObjectContext.h"
#include "ui/Palette.h"
#include "ui/PdfPageView.h"

#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using TimeHelpers::kDayMs;
constexpr int kPaneWidth = 900;

QByteArray contractPdf() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 24, QFont::Bold));
    painter.drawText(600, 1200, QStringLiteral("Polizza Casa — Condizioni"));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
    for (int line = 0; line < 30; ++line) {
        painter.drawText(600, 2000 + line * 350,
                         QStringLiteral("Art. %1 — Oggetto dell'assicurazione e garanzie prestate.")
                             .arg(line + 1));
    }
    painter.end();
    return bytes;
}

std::shared_ptr<Policy> fixturePolicy(const ScreenCamera& camera, ManagedObjectContext& context,
                                      const Clock& clock, const char* name, const char* number,
                                      qint64 days) {
    auto policy = context.insert<Policy>();
    policy->setName(camera.text(name));
    policy->setPolicyNumber(camera.text(number));
    policy->setProvider(camera.text("Generali Italia"));
    policy->setExpirationDate(Instant(clock.now().msSinceEpoch() + days * kDayMs));
    policy->setCustomReminderDays(QStringLiteral("30, 15, 7"));
    return policy;
}

// The active policy with everything, the expiring one with a client phone only, the expired
// one with nothing.
std::vector<std::shared_ptr<Policy>>
fixturePolicies(const ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock) {
    auto contact = context.insert<Contact>();
    contact->setFirstName(camera.text("Luca"));
    contact->setLastName(camera.text("Moretti"));
    contact->setPhoneNumber(camera.text("+39 02 555 0101"));
    contact->setEmail(camera.text("luca.moretti@esempio.it"));
    auto active =
        fixturePolicy(camera, context, clock, "Assicurazione Casa", "CASA-2026-0042", 200);
    active->setContact(contact);
    active->setNotes(camera.text("Include la copertura contro gli allagamenti.\n"
                                 "Rinnovo insieme alla polizza auto."));
    active->setPdfData(contractPdf());
    active->setPdfFileName(camera.text("Polizza Casa 2026 - condizioni generali.pdf"));
    auto expiring = fixturePolicy(camera, context, clock, "Assicurazione Auto", "AUTO-7781", 12);
    expiring->setRenewalType(QStringLiteral("monthly"));
    expiring->setClientPhoneNumber(camera.text("+39 333 123 4567"));
    expiring->setLastNotified(ClientNotice::stamped(
        Instant(clock.now().msSinceEpoch() - 2 * kDayMs), ClientNotice::Channel::WhatsApp));
    auto expired = fixturePolicy(camera, context, clock, "Polizza Vita", "VITA-0193", -3);
    expired->setRenewalType(QStringLiteral("quarterly"));
    // A document the renderer refuses: its frame says so and offers the desktop's viewer.
    auto refused = fixturePolicy(camera, context, clock, "Assicurazione Viaggi", "VIAG-3310", 90);
    refused->setPdfData(QByteArray("Scansione del contratto.jpg rinominata"));
    refused->setPdfFileName(camera.text("Contratto viaggi.pdf"));
    context.save();
    return {active, expiring, expired, refused};
}

// Tall enough for every section, and given time for the document's pages, which the document
// renderer draws a moment later (or for its frame to say it cannot).
bool showWhole(PolicyDetailView* pane) {
    pane->resize(kPaneWidth, 700);
    pane->show();
    QApplication::processEvents();
    const int height =
        pane->findChild<QWidget*>(QStringLiteral("detailHeader"))->height() +
        pane->findChild<QWidget*>(QStringLiteral("detailBody"))->sizeHint().height() + 2;
    pane->resize(kPaneWidth, height);
    auto* preview = pane->findChild<DocumentPreview*>();
    return waitUntil([preview] {
        PdfPageView* pages = preview->pageView();
        return !pages || !pages->pagesDrawn().empty() ||
               pages->findChild<QWidget*>(QStringLiteral("unshowableDocument"));
    });
}

} // namespace

bool shootDetailScreens(ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock,
                        LogChannel& log) {
    DialogConfirmation confirmation;
    ScreenWorld world(clock, log, {.installed = false, .confirmation = &confirmation});
    const auto pane = [&](const std::shared_ptr<Policy>& policy) {
        return new PolicyDetailView(world.pane(context), policy, [] {});
    };
    const std::vector<std::shared_ptr<Policy>> policies = fixturePolicies(camera, context, clock);
    const char* const names[] = {"policy-detail-active.png", "policy-detail-expiring.png",
                                 "policy-detail-expired.png", "policy-detail-unshowable.png"};
    bool ok = true;
    for (size_t i = 0; i < policies.size(); ++i) {
        std::unique_ptr<PolicyDetailView> shown(pane(policies[i]));
        ok &= showWhole(shown.get());
        ok &= camera.take(shown->grab(), QLatin1String(names[i]));
    }

    QApplication::setPalette(Palette::dark());
    std::unique_ptr<PolicyDetailView> dark(pane(policies[0]));
    ok &= showWhole(dark.get());
    ok &= camera.take(dark->grab(), QStringLiteral("policy-detail-dark.png"));
    QApplication::setPalette(Palette::light());

    std::unique_ptr<PolicyDetailView> asking(pane(policies[1]));
    ok &= showWhole(asking.get());
    asking->findChild<QPushButton*>(QStringLiteral("deleteButton"))->click();
    QApplication::processEvents();
    auto* alert = asking->findChild<QMessageBox*>(QStringLiteral("confirmationDialog"));
    ok &= alert && camera.take(alert->grab(), QStringLiteral("policy-detail-delete-alert.png"));
    return ok;
}
