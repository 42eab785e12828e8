#pragma once

#include "store/ContextObserver.h"

#include <QWidget>

#include <memory>

class Clock;
class Confirmation;
class Contact;
class LogChannel;
class ManagedObjectContext;
class Policy;
class QBoxLayout;
class QScrollArea;

// The page of one contact: the avatar, name and company, the phone and e-mail, the notes,
// and every policy the contact holds with its expiry date in the status colour. It follows
// the contact and its policies, so a change made anywhere (a policy assigned or renewed, the
// contact edited) shows at once, and it follows the clock, so the colours never go stale.
// "Modifica" opens the contact editor on it; "Elimina" asks, then deletes the contact and
// saves, its policies staying without a contact.
class ContactDetailView final : public QWidget, private ContextObserver {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        Confirmation& confirmation;
    };

    ContactDetailView(Services services, std::shared_ptr<Contact> contact,
                      QWidget* parent = nullptr);
    ~ContactDetailView() override;

    const std::shared_ptr<Contact>& contact() const { return m_contact; }
    void editContact();
    void deleteContact();

protected:
    void changeEvent(QEvent* event) override;

private:
    void objectWillChange(const ObjectChange& change) override;
    void objectDidChange(const ObjectChange& change) override;
    void contextWillBeDestroyed() override;
    bool concerns(const ObjectChange& change) const;

    void scheduleRefresh();
    void refresh();
    QWidget* buildPage();
    QWidget* buildHeader();
    QWidget* buildActions();
    QWidget* buildContactCard();
    QWidget* buildNotesCard();
    QWidget* buildPoliciesSection();
    QWidget* buildNoPolicies();
    void confirmDelete(bool confirmed);

    Services m_services;
    std::shared_ptr<Contact> m_contact;
    ManagedObjectContext* m_observed = nullptr;
    QScrollArea* m_scroll;
    bool m_refreshPending = false;
};
