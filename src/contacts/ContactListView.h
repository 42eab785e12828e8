#pragma once

#include "contacts/ContactDetailView.h"

#include <QWidget>

#include <memory>

class Contact;
class ContactListModel;
class ListSelectionKeeper;
class ObjectObservation;
class QListView;
class QStackedWidget;
class SearchField;
class TextLabel;

// The contact section: on the left the search field, every contact by last and first name
// and the total; on the right the selected contact's page, or an empty state whose button
// opens the contact editor to create one.
//
// The selection is held as the contact itself: a search that hides it leaves it selected and
// its page shown, and it comes back selected when the search shows it again. Only choosing a
// row changes it, and the contact's deletion clears it (one the store refused does not). Each
// visit to the section makes a new view, so it starts with no selection and an empty search.
class ContactListView final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        Confirmation& confirmation;

        // What the section hands to the selected contact's page and to the contact editor.
        ContactDetailView::Services page() const {
            return {.context = context, .clock = clock, .log = log, .confirmation = confirmation};
        }
        ContactEditView::Services editor() const { return {.context = context, .log = log}; }
    };

    explicit ContactListView(Services services, QWidget* parent = nullptr);
    ~ContactListView() override;

    ContactListModel& model() const { return *m_model; }
    const std::shared_ptr<Contact>& selectedContact() const { return m_selected; }
    ContactDetailView* detailView() const { return m_detail; }
    // Opens the contact editor: on the selected contact, or to create one.
    void showEditSheet();

Q_SIGNALS:
    // The user chose one of the selected contact's policies to open.
    void policyActivated(const QUuid& policyId);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyLook();
    QWidget* buildListColumn();
    QWidget* buildEmptyState();
    void select(std::shared_ptr<Contact> contact);
    void observeSelected();
    void updateFooter();

    Services m_services;
    ContactListModel* m_model;
    SearchField* m_search = nullptr;
    QListView* m_list = nullptr;
    ListSelectionKeeper* m_selection = nullptr;
    QWidget* m_footerBar = nullptr;
    TextLabel* m_footer = nullptr;
    QWidget* m_emptyState = nullptr;
    QStackedWidget* m_pane = nullptr;
    ContactDetailView* m_detail = nullptr;
    std::shared_ptr<Contact> m_selected;
    std::unique_ptr<ObjectObservation> m_selectedObservation;
};
