#include "policies/ContactPickerModel.h"

#include "model/Contact.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"
#include "ui/ItemDataRole.h"

namespace {

std::unique_ptr<LiveFetchResults> contactsByLastName(ManagedObjectContext& context) {
    FetchRequest<Contact> request = Contact::fetchRequest();
    request.setSortDescriptors({SortDescriptor{QStringLiteral("lastName"), true}});
    return std::make_unique<LiveFetchResults>(context, request);
}

} // namespace

ContactPickerModel::ContactPickerModel(ManagedObjectContext& context, QObject* parent)
    : LiveResultsModel(contactsByLastName(context), parent, 1) {
    performFetch();
}

QVariant ContactPickerModel::dataFor(const ManagedObject& object, int role) const {
    if (role == TitleRole) {
        return static_cast<const Contact&>(object).fullName();
    }
    return {};
}

QVariant ContactPickerModel::leadingData(int, int role) const {
    return role == TitleRole ? QVariant(QStringLiteral("Nessuno")) : QVariant();
}
