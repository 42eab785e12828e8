#pragma once

#include "contacts/ContactEditView.h"
#include "platform/Instant.h"
#include "store/ContextObserver.h"

#include <QList>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <vector>

class ActionButtonRow;
class Clock;
class Confirmation;
class Contact;
class ContactPolicyRows;
class LogChannel;
class ManagedObjectContext;
class Policy;
class QGridLayout;
class QLabel;
class TextLabel;
class QScrollArea;
class RoundedPanel;

// The page of one contact: the avatar, name and company, the phone and e-mail, the notes,
// and every policy the contact holds with its expiry date in the status colour. It follows
// the contact and its policies, so a change made anywhere (a policy assigned or renewed, the
// contact edited) shows at once, and it follows the clock, so the colours never go stale.
// It is built once and updated in place, so the focus and a selection in its texts survive.
// "Modifica" opens the contact editor on it; "Elimina" asks, then deletes the contact and
// saves, its policies staying without a contact. A click on a policy, or Return on the
// current one, asks for it to be opened.
class ContactDetailView final : public QWidget, private ContextObserver {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        Confirmation& confirmation;

        // What the page hands to the contact editor.
        ContactEditView::Services editor() const { return {.context = context, .log = log}; }
    };

    ContactDetailView(Services services, std::shared_ptr<Contact> contact,
                      QWidget* parent = nullptr);
    ~ContactDetailView() override;

    const std::shared_ptr<Contact>& contact() const { return m_contact; }
    void editContact();
    void deleteContact();

Q_SIGNALS:
    // The user chose one of the contact's policies to open.
    void policyActivated(const QUuid& policyId);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One of the policies as the page shows it, with what its colour is worked out from.
    struct ShownPolicy {
        std::shared_ptr<Policy> policy;
        Instant expiry;
        qint64 horizon = 0;
    };
    // A heading's parts, coloured again when the palette changes.
    struct Heading {
        QLabel* icon;
        QLabel* text;
        QString iconName;
    };

    void objectWillChange(const ObjectChange& change) override;
    void objectDidChange(const ObjectChange& change) override;
    void contextWillBeDestroyed() override;
    // The contact goes with every other object; whoever shows the page lets it go.
    void contextWillReload() override;
    void contextDidReload() override {}
    bool concerns(const ObjectChange& change) const;

    void scheduleRefresh();
    void refresh();
    void showValues();
    void styleNotes();
    void refreshPolicies();
    void recolourPolicies();
    void applyLook();
    void paintAvatar();
    QWidget* buildPage();
    QWidget* buildHeader();
    ActionButtonRow* buildActions();
    void fitPage(bool measureAgain = false);
    QWidget* buildContactCard();
    RoundedPanel* buildMethodRow(const char* objectName, QLabel*& icon, QLabel*& text);
    QWidget* buildNotesCard();
    QWidget* buildPoliciesSection();
    QWidget* buildNoPolicies();
    QWidget* heading(const QString& text, const QString& iconName);
    void confirmDelete(bool confirmed);
    void openPolicy(int row);

    Services m_services;
    std::shared_ptr<Contact> m_contact;
    ManagedObjectContext* m_observed = nullptr;
    QScrollArea* m_scroll;
    bool m_refreshPending = false;
    std::vector<ShownPolicy> m_policies;
    QString m_dateFormat;

    QWidget* m_page = nullptr;
    QLabel* m_avatar = nullptr;
    QLabel* m_fullName = nullptr;
    QLabel* m_company = nullptr;
    ActionButtonRow* m_actions = nullptr;
    QGridLayout* m_columns = nullptr;
    QWidget* m_policiesSection = nullptr;
    bool m_oneColumn = false;
    QList<Heading> m_headings;
    RoundedPanel* m_phoneRow = nullptr;
    QLabel* m_phoneIcon = nullptr;
    QLabel* m_phone = nullptr;
    RoundedPanel* m_emailRow = nullptr;
    QLabel* m_emailIcon = nullptr;
    QLabel* m_email = nullptr;
    TextLabel* m_notes = nullptr;
    bool m_hasNotes = false;
    QLabel* m_assigned = nullptr;
    RoundedPanel* m_noPolicies = nullptr;
    QLabel* m_noPoliciesIcon = nullptr;
    QLabel* m_noPoliciesText = nullptr;
    ContactPolicyRows* m_rows = nullptr;
};
