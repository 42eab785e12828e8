#pragma once

#include "contacts/ContactDraft.h"
#include "ui/EditorSheet.h"

#include <memory>

class Contact;
class LogChannel;
class ManagedObjectContext;
class QLineEdit;

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

    const ContactDraft& draft() const { return m_draft; }
    bool hasChanges() const override { return m_draft != m_original; }
    // True once saved (the sheet then closes).
    bool saveContact();

protected:
    bool save() override { return saveContact(); }
    void draftEdited() override;

private:
    QWidget* buildPersonalCard();
    QWidget* buildContactMethodsCard();

    Services m_services;
    std::shared_ptr<Contact> m_contact;
    ContactDraft m_draft;
    ContactDraft m_original;
    QLineEdit* m_firstName = nullptr;
};
