#include "ContactScreens.h"

#include "ScreenServices.h"

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

constexpr qint64 kDayMs = 86'400'000;

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

std::optional<QString> text(const char* value) {
    return value ? std::optional<QString>(QString::fromUtf8(value)) : std::nullopt;
}

void fill(ManagedObjectContext& context, const Clock& clock) {
    for (const Person& person : kPeople) {
        auto contact = context.insert<Contact>();
        contact->setFirstName(QString::fromUtf8(person.first));
        contact->setLastName(QString::fromUtf8(person.last));
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
        policy->setName(QString::fromUtf8(name));
        policy->setPolicyNumber(
            QStringLiteral("POL-%1").arg(qHash(QByteArray(name)) % 900000 + 100000));
        policy->setProvider(QString::fromUtf8(provider));
        policy->setExpirationDate(Instant(clock.now().msSinceEpoch() + days * kDayMs));
        policy->setCustomReminderDays(QString::fromUtf8(reminders));
        for (const auto& contact : contacts) {
            if (contact->lastName() == QLatin1String(holder) && (contact->firstName() != u"Anna")) {
                policy->setContact(contact);
                break;
            }
        }
    }
    context.save();
}

bool save(QWidget* widget, const QString& path) {
    QApplication::processEvents();
    return savePicture(widget->grab(), path);
}

void choose(ContactListView& view, const QString& fullName) {
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

bool shootContactScreens(const QDir& out, const Clock& clock, LogChannel& log) {
    DialogConfirmation confirmation;
    PersistenceController empty(true, clock, log);
    bool ok = true;
    {
        ContactListView view({empty.container().viewContext(), clock, log, confirmation});
        view.resize(1180, 720);
        view.show();
        ok &= save(&view, out.filePath("contacts-empty.png"));
    }
    PersistenceController filled(true, clock, log);
    ManagedObjectContext& context = filled.container().viewContext();
    fill(context, clock);
    ContactListView view({context, clock, log, confirmation});
    view.resize(1180, 720);
    view.show();
    choose(view, QStringLiteral("Giulia Ferraris"));
    ok &= save(&view, out.filePath("contacts-list.png"));
    view.findChild<QLineEdit*>(QStringLiteral("contactSearchField"))
        ->setText(QStringLiteral("ross"));
    ok &= save(&view, out.filePath("contacts-search.png"));
    view.findChild<QLineEdit*>(QStringLiteral("contactSearchField"))->clear();
    choose(view, QStringLiteral("Paolo Bianchi"));
    ok &= save(&view, out.filePath("contact-no-policies.png"));
    choose(view, QStringLiteral("Giulia Ferraris"));
    view.detailView()->findChild<QPushButton*>(QStringLiteral("deleteContactButton"))->click();
    QApplication::processEvents();
    if (auto* question = view.findChild<QMessageBox*>()) {
        ok &= save(question, out.filePath("contact-delete-question.png"));
        question->reject();
    }
    QApplication::setPalette(Palette::dark());
    ContactListView dark({context, clock, log, confirmation});
    dark.resize(1180, 720);
    dark.show();
    choose(dark, QStringLiteral("Giulia Ferraris"));
    ok &= save(&dark, out.filePath("contacts-dark.png"));
    QApplication::setPalette(Palette::light());
    return ok;
}
