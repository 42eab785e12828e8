#include "ContactScreens.h"

#include "ScreenCamera.h"

#include "support/ScreenWorld.h"
#include "support/TimeHelpers.h"
#include "support/WaitUntil.h"
#include "ui/DialogConfirmation.h"

#include "contacts/ContactListView.h"
#include "model/Contact.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/Clock.h"
#include "store/ManagedObjectContext.h"
#include "ui/DialogConfirmation.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace {

using TimeHelpers::kDayMs;

struct Person {
    const char* first;
    const char* last;
    const char* company;
    const char* phone;
    const char* email;
    const char* notes;
};

const Person kPeople[] = {
    {"Giulia", "Ferraris", "Studio Ferraris & Associati", "+39 011 555 0142",
     "giulia@studioferraris.it",
     "Preferisce essere contattata la mattina.\nRinnovo auto e casa insieme."},
    {"Marco", "Esposito", "Esposito Trasporti S.r.l.", "+39 081 555 0199", nullptr, nullptr},
    {"Anna", "Rossi", nullptr, nullptr, "anna.rossi@example.it", nullptr},
    {"Luca", "Rossi", "Rossi Costruzioni", "+39 06 555 0110", nullptr, nullptr},
    {"Élodie", "Durand", "Atelier Durand", nullptr, nullptr, nullptr},
    {"Paolo", "Bianchi", nullptr, nullptr, nullptr, nullptr},
    {"Chiara", "Colombo", "Farmacia Colombo", "+39 02 555 0177", nullptr, nullptr},
};

void fill(const ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock) {
    const auto text = [&camera](const char* value) {
        return value ? std::optional<QString>(camera.text(value)) : std::nullopt;
    };
    for (const Person& person : kPeople) {
        auto contact = context.insert<Contact>();
        contact->setFirstName(camera.text(person.first));
        contact->setLastName(camera.text(person.last));
        contact->setCompany(text(person.company));
        contact->setPhoneNumber(text(person.phone));
        contact->setEmail(text(person.email));
        contact->setNotes(text(person.notes));
    }
    const std::tuple<const char*, const char*, int, const char*, const char*> policies[] = {
        {"Casa Torino", "Generali", -3, "30", "Ferraris"},
        {"Auto Giulia", "Allianz", 12, "30, 15, 7", "Ferraris"},
        {"RC Professionale", "UnipolSai", 95, "30", "Ferraris"},
        {"Infortuni", "AXA Italia", 240, "60, 30", "Ferraris"},
        {"Flotta furgoni", "Zurich", 20, "30", "Esposito"},
        {"Cantiere", "Reale Mutua", 400, "30", "Rossi"},
    };
    const auto contacts = context.fetch(Contact::fetchRequest());
    for (const auto& [name, provider, days, reminders, holder] : policies) {
        auto policy = context.insert<Policy>();
        policy->setName(camera.text(name));
        policy->setPolicyNumber(
            QStringLiteral("POL-%1").arg(qHash(QByteArray(name)) % 900000 + 100000));
        policy->setProvider(camera.text(provider));
        policy->setExpirationDate(Instant(clock.now().msSinceEpoch() + days * kDayMs));
        policy->setCustomReminderDays(QString::fromUtf8(reminders));
        for (const auto& contact : contacts) {
            if (contact->lastName() == camera.text(holder) &&
                contact->firstName() != camera.text("Anna")) {
                policy->setContact(contact);
                break;
            }
        }
    }
    context.save();
}

bool save(ScreenCamera& camera, QWidget* widget, const char* name) {
    QApplication::processEvents();
    return camera.take(widget->grab(), QLatin1String(name));
}

void choose(const ScreenCamera& camera, ContactListView& view, const char* first,
            const char* last) {
    const QString fullName = camera.text(first) + QLatin1Char(' ') + camera.text(last);
    auto* list = view.findChild<QListView*>(QStringLiteral("contactList"));
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        const QModelIndex index = list->model()->index(row, 0);
        if (index.data().toString() == fullName) {
            list->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
            list->setCurrentIndex(index);
        }
    }
    QApplication::processEvents();
}

} // namespace

bool shootContactScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log) {
    DialogConfirmation confirmation;
    ScreenWorld world(clock, log, {.installed = false, .confirmation = &confirmation});
    PersistenceController empty(true, clock, log);
    bool ok = true;
    {
        ContactListView view(world.contacts(empty.container().viewContext()));
        view.resize(1180, 720);
        view.show();
        ok &= save(camera, &view, "contacts-empty.png");
    }
    PersistenceController filled(true, clock, log);
    ManagedObjectContext& context = filled.container().viewContext();
    fill(camera, context, clock);
    ContactListView view(world.contacts(context));
    view.resize(1180, 720);
    view.show();
    choose(camera, view, "Giulia", "Ferraris");
    ok &= save(camera, &view, "contacts-list.png");
    view.findChild<QLineEdit*>(QStringLiteral("contactSearchField"))
        ->setText(QStringLiteral("ross"));
    ok &= save(camera, &view, "contacts-search.png");
    view.findChild<QLineEdit*>(QStringLiteral("contactSearchField"))->clear();
    choose(camera, view, "Paolo", "Bianchi");
    ok &= save(camera, &view, "contact-no-policies.png");
    choose(camera, view, "Giulia", "Ferraris");
    view.detailView()->findChild<QPushButton*>(QStringLiteral("deleteContactButton"))->click();
    QApplication::processEvents();
    if (auto* question = view.findChild<QMessageBox*>()) {
        ok &= save(camera, question, "contact-delete-question.png");
        question->reject();
    }
    QApplication::setPalette(Palette::dark());
    ContactListView dark(world.contacts(context));
    dark.resize(1180, 720);
    dark.show();
    choose(camera, dark, "Giulia", "Ferraris");
    ok &= save(camera, &dark, "contacts-dark.png");
    QApplication::setPalette(Palette::light());
    return ok;
}
