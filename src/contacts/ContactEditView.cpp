#include "contacts/ContactEditView.h"

#include "model/Contact.h"
#include "platform/LogChannel.h"
#include "ui/Card.h"
#include "ui/FieldBlock.h"
#include "ui/TextArea.h"

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
    , m_services(std::move(services))
    , m_contact(std::move(contact)) {
    setObjectName(QStringLiteral("contactEditView"));
    addSection(QStringLiteral("Informazioni Personali"), QStringLiteral("person"),
               buildPersonalCard(), QStringLiteral("personalSection"));
    addSection(QStringLiteral("Metodi di Contatto"), QStringLiteral("phone"),
               buildContactMethodsCard(), QStringLiteral("contactMethodsSection"));
    addSection(QStringLiteral("Note"), QStringLiteral("note.text"), buildNotesCard(),
               QStringLiteral("notesSection"));
    fill(m_contact ? ContactDraft::of(*m_contact) : ContactDraft{});
    m_original = draft();
    for (QLineEdit* name : {m_firstName, m_lastName}) {
        connect(name, &QLineEdit::textChanged, this, &ContactEditView::updateSaveEnabled);
    }
    updateSaveEnabled();
    m_firstName->setFocus();
}

QWidget* ContactEditView::buildPersonalCard() {
    auto* card = new Card(12);
    auto* names = new QHBoxLayout;
    names->setSpacing(16);
    card->body()->addLayout(names);
    auto* first = new FieldBlock(QStringLiteral("Nome"), QStringLiteral("Nome"),
                                 QStringLiteral("firstNameField"), card);
    auto* last = new FieldBlock(QStringLiteral("Cognome"), QStringLiteral("Cognome"),
                                QStringLiteral("lastNameField"), card);
    names->addWidget(first);
    names->addWidget(last);
    m_firstName = first->edit();
    m_lastName = last->edit();
    m_company =
        addField(card, QStringLiteral("Azienda"), QStringLiteral("Azienda / Organizzazione"),
                 QStringLiteral("companyField"));
    return card;
}

QWidget* ContactEditView::buildContactMethodsCard() {
    auto* card = new Card(12);
    m_phoneNumber =
        addField(card, QStringLiteral("Numero di Telefono"), QStringLiteral("e.g. +1 555 123 4567"),
                 QStringLiteral("phoneNumberField"));
    m_email = addField(card, QStringLiteral("Email"), QStringLiteral("Indirizzo Email"),
                       QStringLiteral("emailField"));
    return card;
}

QWidget* ContactEditView::buildNotesCard() {
    auto* card = new Card(12);
    m_notes = new TextArea(card);
    m_notes->setObjectName(QStringLiteral("notesEditor"));
    m_notes->setAccessibleName(QStringLiteral("Note"));
    m_notes->setFixedHeight(kNotesHeight);
    card->body()->addWidget(m_notes);
    return card;
}

QLineEdit* ContactEditView::addField(Card* card, const QString& caption, const QString& placeholder,
                                     const QString& objectName) {
    auto* field = new FieldBlock(caption, placeholder, objectName, card);
    card->body()->addWidget(field);
    return field->edit();
}

void ContactEditView::fill(const ContactDraft& draft) {
    m_firstName->setText(draft.firstName);
    m_lastName->setText(draft.lastName);
    m_company->setText(draft.company);
    m_phoneNumber->setText(draft.phoneNumber);
    m_email->setText(draft.email);
    m_notes->setPlainText(draft.notes);
}

ContactDraft ContactEditView::draft() const {
    return {m_firstName->text(),   m_lastName->text(), m_email->text(),
            m_phoneNumber->text(), m_company->text(),  m_notes->text()};
}

void ContactEditView::updateSaveEnabled() {
    setSaveEnabled(draft().hasNames());
}

bool ContactEditView::saveContact() {
    QString error;
    if (!draft().save(m_services.context, m_contact, &error)) {
        m_services.log.write(QStringLiteral("Error saving contact: "), error);
        return false;
    }
    accept();
    return true;
}
