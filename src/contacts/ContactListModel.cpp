#include "contacts/ContactListModel.h"

#include "contacts/ContactInitials.h"
#include "model/Contact.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"
#include "ui/ItemDataRole.h"

namespace {

std::unique_ptr<LiveFetchResults> contactsByName(ManagedObjectContext& context) {
    FetchRequest<Contact> request = Contact::fetchRequest();
    request.setSortDescriptors({SortDescriptor{QStringLiteral("lastName"), true},
                                SortDescriptor{QStringLiteral("firstName"), true}});
    return std::make_unique<LiveFetchResults>(context, request);
}

const Contact& contactOf(const ManagedObject* object) {
    return static_cast<const Contact&>(*object);
}

QString policiesText(size_t count) {
    return count == 0 ? QString() : QStringLiteral("%1 policies").arg(count);
}

} // namespace

ContactListModel::ContactListModel(ManagedObjectContext& context, const QLocale& locale,
                                   QObject* parent)
    : FilteredResultsModel(contactsByName(context), parent)
    , m_locale(locale)
    , m_search(m_locale) {
    beginResetModel();
    fetchRows();
    refilter(false);
    endResetModel();
}

void ContactListModel::setSearchText(const QString& text) {
    ContactSearch search = m_search;
    search.setText(text);
    const bool narrowing = filtering() && search.narrows(m_search);
    beginResetModel();
    m_search = search;
    refilter(narrowing);
    endResetModel();
}

QVariant ContactListModel::rowData(const ContactListEntry& row, int role) const {
    const Contact& contact = contactOf(row.object);
    switch (role) {
    case TitleRole:
        return contact.fullName();
    case SubtitleRole:
        return contact.company().value_or(QString());
    case DetailRole:
        return policiesText(row.policyCount);
    case InitialsRole:
        return ContactInitials::of(contact.firstName(), contact.lastName());
    case Qt::AccessibleTextRole: {
        QStringList parts{contact.fullName(), contact.company().value_or(QString()),
                          policiesText(row.policyCount)};
        parts.removeAll(QString());
        return parts.join(QStringLiteral(", "));
    }
    default:
        return {};
    }
}

ContactListEntry ContactListModel::makeRow(ManagedObject* object) {
    const Contact& contact = contactOf(object);
    return {object, ContactSearch::keys(contact, m_locale), contact.policyCount()};
}

void ContactListModel::totalChanged() {
    Q_EMIT totalCountChanged(totalCount());
}
