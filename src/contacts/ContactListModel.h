#pragma once

#include "contacts/ContactSearch.h"
#include "ui/FilteredResultsModel.h"

class ManagedObjectContext;

// One contact as the contact list keeps it: the object, its search keys and how many policies
// it holds, taken afresh whenever the contact's row changes (a policy assigned or taken away
// changes it too).
struct ContactListEntry {
    ManagedObject* object;
    ContactSearch::Keys keys;
    size_t policyCount = 0;
};

// Every stored contact by last name and then first name, as the contact list shows them, with
// its search. A search text that extends the previous one narrows only the rows already
// visible.
class ContactListModel final : public FilteredResultsModel<ContactListEntry> {
    Q_OBJECT
public:
    ContactListModel(ManagedObjectContext& context, const QLocale& locale,
                     QObject* parent = nullptr);

    const QString& searchText() const { return m_search.text(); }
    void setSearchText(const QString& text);

Q_SIGNALS:
    void totalCountChanged(int total);

private:
    ContactListEntry makeRow(ManagedObject* object) override;
    bool admitsAll() const override { return m_search.admitsAll(); }
    bool admits(const ContactListEntry& row) const override { return m_search.admits(row.keys); }
    QVariant rowData(const ContactListEntry& row, int role) const override;
    void totalChanged() override;

    const QLocale m_locale;
    ContactSearch m_search;
};
