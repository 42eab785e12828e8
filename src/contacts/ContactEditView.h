#pragma once

#include "contacts/ContactDraft.h"
#include "ui/EditorSheet.h"

#include <memory>

class Card;
class Contact;
class LogChannel;
class ManagedObjectContext;
class QLineEdit;
class TextArea;

// The sheet in which a contact is created (given none) or changed (given one). It copies the
// contact's texts once, when it is made; saving writes them into the contact (or a new one),
// saves the context and closes. A failed save writes "Error saving contact: " and why, and
// the sheet stays open with its values.
class ContactEditView final : public EditorSheet {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        LogChannel& log;
    };

    ContactEditView(Services services, std::shared_ptr<Contact> contact, QWidget* parent = nullptr);

    ContactDraft draft() const;
    bool hasChanges() const override { return draft() != m_original; }
    // True once saved (the sheet then closes).
    bool saveContact();

protected:
    bool save() override { return saveContact(); }

private:
    QWidget* buildPersonalCard();
    QWidget* buildContactMethodsCard();
    QWidget* buildNotesCard();
    QLineEdit* addField(Card* card, const QString& caption, const QString& placeholder,
                        const QString& objectName);
    void fill(const ContactDraft& draft);
    void updateSaveEnabled();

    Services m_services;
    std::shared_ptr<Contact> m_contact;
    ContactDraft m_original;
    QLineEdit* m_firstName = nullptr;
    QLineEdit* m_lastName = nullptr;
    QLineEdit* m_company = nullptr;
    QLineEdit* m_phoneNumber = nullptr;
    QLineEdit* m_email = nullptr;
    TextArea* m_notes = nullptr;
};
