// quintaver-screenshots FOLDER: draws each screen offscreen, from an in-memory store filled
// here, with a fixed style, font, palette and clock, and writes one PNG per picture.
#include "ContactScreens.h"
#include "DetailScreens.h"
#include "MainWindowScreens.h"
#include "PolicyScreens.h"
#include "PopoverScreens.h"
#include "SettingsScreens.h"
#include "contacts/ContactEditView.h"
#include "model/Contact.h"
#include "model/PersistenceController.h"
#include "platform/LogChannel.h"
#include "platform/ManualClock.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStyleFactory>

#include <cstdio>

namespace {

std::shared_ptr<Contact> fixtureContact(ManagedObjectContext& context) {
    auto contact = context.insert<Contact>();
    contact->setFirstName(QStringLiteral("Giulia"));
    contact->setLastName(QStringLiteral("Ferraris"));
    contact->setCompany(QStringLiteral("Studio Ferraris & Associati"));
    contact->setPhoneNumber(QStringLiteral("+39 011 555 0142"));
    contact->setNotes(QStringLiteral("Preferisce essere contattata la mattina.\n"
                                     "Rinnovo auto e casa insieme."));
    context.save();
    return contact;
}

void fillAsTyped(ContactEditView& view) {
    const std::pair<const char*, const char*> typed[] = {
        {"firstNameField", "Marco"},
        {"lastNameField", "Esposito"},
        {"companyField", "Esposito Trasporti S.r.l."},
        {"phoneNumberField", "+39 081 555 0199"},
        {"emailField", "marco.esposito@example.it"},
    };
    for (const auto& [name, text] : typed) {
        view.findChild<QLineEdit*>(QLatin1String(name))->setText(QString::fromUtf8(text));
    }
    view.findChild<QPlainTextEdit*>(QStringLiteral("notesEditor"))
        ->setPlainText(QStringLiteral("Cliente dal 2019. Polizza flotta in scadenza a marzo."));
}

bool shoot(ContactEditView* view, const QString& path) {
    view->show();
    QApplication::processEvents();
    // Tall enough for the whole form, so the picture shows every section and both buttons.
    const int formHeight = view->findChild<QScrollArea*>()->widget()->sizeHint().height();
    view->resize(560, formHeight);
    QApplication::processEvents();
    const bool written = view->grab().save(path);
    std::printf("%s %s\n", written ? "Wrote" : "Could not write", qPrintable(path));
    view->close();
    QApplication::processEvents();
    return written;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quintaver-screenshots FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    QApplication::setPalette(Palette::light());
    QApplication::setCursorFlashTime(0);

    ManualClock clock(Instant::fromDateTime(
        QDateTime::fromString(QStringLiteral("2026-03-10T09:30:00Z"), Qt::ISODate)));
    LogChannel& log = LogChannel::standardOutput();
    PersistenceController controller(true, clock, log);
    ManagedObjectContext& context = controller.container().viewContext();
    const std::shared_ptr<Contact> stored = fixtureContact(context);

    bool ok =
        shoot(new ContactEditView(context, nullptr, log), out.filePath("contact-editor-empty.png"));
    auto* filled = new ContactEditView(context, nullptr, log);
    fillAsTyped(*filled);
    ok &= shoot(filled, out.filePath("contact-editor-filled.png"));
    ok &= shoot(new ContactEditView(context, stored, log), out.filePath("contact-editor-edit.png"));
    QApplication::setPalette(Palette::dark());
    ok &= shoot(new ContactEditView(context, stored, log), out.filePath("contact-editor-dark.png"));
    QApplication::setPalette(Palette::light());
    ok &= shootPolicyScreens(out, context, clock, log);
    ok &= shootSettingsScreens(out);
    ok &= shootDetailScreens(out, context, clock, log);
    ok &= shootMainWindowScreens(out, clock, log);
    ok &= shootContactScreens(out, clock, log);
    ok &= shootPopoverScreens(out, clock, log);
    return ok ? 0 : 1;
}
