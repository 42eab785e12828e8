#include "AllScreens.h"

#include "AgendaScreens.h"
#include "ContactScreens.h"
#include "DetailScreens.h"
#include "EditorScreens.h"
#include "MainWindowScreens.h"
#include "PolicyScreens.h"
#include "PopoverScreens.h"
#include "RecoveryScreens.h"
#include "ReportScreens.h"
#include "ScreenCamera.h"
#include "SettingsScreens.h"
#include "SheetShot.h"
#include "TransferScreens.h"
#include "contacts/ContactEditView.h"
#include "model/Contact.h"
#include "model/PersistenceController.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyleFactory>

namespace {

std::shared_ptr<Contact> fixtureContact(const ScreenCamera& camera, ManagedObjectContext& context) {
    auto contact = context.insert<Contact>();
    contact->setFirstName(camera.text("Giulia"));
    contact->setLastName(camera.text("Ferraris"));
    contact->setCompany(camera.text("Studio Ferraris & Associati"));
    contact->setPhoneNumber(camera.text("+39 011 555 0142"));
    contact->setNotes(camera.text("Preferisce essere contattata la mattina.\n"
                                  "Rinnovo auto e casa insieme."));
    context.save();
    return contact;
}

void fillAsTyped(const ScreenCamera& camera, ContactEditView& view) {
    const std::pair<const char*, const char*> typed[] = {
        {"firstNameField", "Marco"},
        {"lastNameField", "Esposito"},
        {"companyField", "Esposito Trasporti S.r.l."},
        {"phoneNumberField", "+39 081 555 0199"},
        {"emailField", "marco.esposito@example.it"},
    };
    for (const auto& [name, text] : typed) {
        view.findChild<QLineEdit*>(QLatin1String(name))->setText(camera.text(text));
    }
    view.findChild<QPlainTextEdit*>(QStringLiteral("notesEditor"))
        ->setPlainText(camera.text("Cliente dal 2019. Polizza flotta in scadenza a marzo."));
}

bool shootContactEditors(ScreenCamera& camera, ManagedObjectContext& context, LogChannel& log) {
    const std::shared_ptr<Contact> stored = fixtureContact(camera, context);
    const ContactEditView::Services services{.context = context, .log = log};
    bool ok =
        shootSheet(camera, new ContactEditView(services, nullptr), "contact-editor-empty.png", 560);
    auto* filled = new ContactEditView(services, nullptr);
    fillAsTyped(camera, *filled);
    ok &= shootSheet(camera, filled, "contact-editor-filled.png", 560);
    ok &= shootSheet(camera, new ContactEditView(services, stored), "contact-editor-edit.png", 560);
    QApplication::setPalette(Palette::dark());
    ok &= shootSheet(camera, new ContactEditView(services, stored), "contact-editor-dark.png", 560);
    QApplication::setPalette(Palette::light());
    return ok;
}

} // namespace

void setScreenLook() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    QApplication::setPalette(Palette::light());
    QApplication::setCursorFlashTime(0);
}

Instant screensInstant() {
    return Instant::fromDateTime(
        QDateTime::fromString(QStringLiteral("2026-03-10T09:30:00Z"), Qt::ISODate));
}

bool shootAllScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log) {
    PersistenceController controller(true, clock, log);
    ManagedObjectContext& context = controller.container().viewContext();
    bool ok = shootContactEditors(camera, context, log);
    ok &= shootPolicyScreens(camera, context, clock, log);
    ok &= shootEventTaskEditors(camera, context, clock, log);
    ok &= shootSettingsScreens(camera, context);
    ok &= shootDetailScreens(camera, context, clock, log);
    ok &= shootMainWindowScreens(camera, clock, log);
    ok &= shootContactScreens(camera, clock, log);
    ok &= shootAgendaScreens(camera, clock, log);
    ok &= shootPopoverScreens(camera, clock, log);
    ok &= shootTransferScreens(camera, context, clock, log);
    ok &= shootRecoveryScreens(camera, clock, log);
    ok &= shootReportScreens(camera, clock, log);
    return ok;
}
