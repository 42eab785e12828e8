#include "contacts/ContactEditView.h"

#include "model/Contact.h"
#include "platform/LogChannel.h"
#include "ui/RoundedPanel.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QString titleFor(const std::shared_ptr<Contact>& contact) {
    return contact ? QStringLiteral("Modifica Contatto") : QStringLiteral("Nuovo Contatto");
}

constexpr int kNotesHeight = 100;

} // namespace

ContactEditView::ContactEditView(Services services, std::shared_ptr<Contact> contact,
                                 QWidget* parent)
    : EditorSheet(titleFor(contact), QStringLiteral("Inserisci i dettagli del contatto qui sotto"),
                  QStringLiteral("Salva Contatto"), parent)
    , m_services(services)
    , m_contact(std::move(contact))
    , m_draft(m_contact ? ContactDraft::of(*m_contact) : ContactDraft{})
    , m_original(m_draft) {
    setObjectName(QStringLiteral("contactEditView"));
    addSection(QStringLiteral("Informazioni Personali"), QStringLiteral("person"),
               buildPersonalCard(), QStringLiteral("personalSection"));
    addSection(QStringLiteral("Metodi di Contatto"), QStringLiteral("phone"),
               buildContactMethodsCard(), QStringLiteral("contactMethodsSection"));
    auto* notes = new RoundedPanel(RoundedPanel::card(12));
    addNotes(notes->body(), kNotesHeight, m_draft.notes);
    addSection(QStringLiteral("Note"), QStringLiteral("note.text"), notes,
               QStringLiteral("notesSection"));
    draftEdited();
    m_firstName->setFocus();
}

QWidget* ContactEditView::buildPersonalCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    auto* names = new QHBoxLayout;
    names->setSpacing(16);
    card->body()->addLayout(names);
    m_firstName = addField(names, QStringLiteral("Nome"), QStringLiteral("Nome"),
                           QStringLiteral("firstNameField"), m_draft.firstName);
    addField(names, QStringLiteral("Cognome"), QStringLiteral("Cognome"),
             QStringLiteral("lastNameField"), m_draft.lastName);
    addField(card->body(), QStringLiteral("Azienda"), QStringLiteral("Azienda / Organizzazione"),
             QStringLiteral("companyField"), m_draft.company);
    return card;
}

QWidget* ContactEditView::buildContactMethodsCard() {
    auto* card = new RoundedPanel(RoundedPanel::card(12));
    addField(card->body(), QStringLiteral("Numero di Telefono"),
             QStringLiteral("e.g. +1 555 123 4567"), QStringLiteral("phoneNumberField"),
             m_draft.phoneNumber);
    addField(card->body(), QStringLiteral("Email"), QStringLiteral("Indirizzo Email"),
             QStringLiteral("emailField"), m_draft.email);
    return card;
}

void ContactEditView::draftEdited() {
    setSaveEnabled(m_draft.hasNames());
}

bool ContactEditView::saveContact() {
    QString error;
    if (!m_draft.save(m_services.context, m_contact, &error)) {
        m_services.log.write(QStringLiteral("Error saving contact: "), error);
        return false;
    }
    accept();
    return true;
}
