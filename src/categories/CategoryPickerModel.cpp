#include "categories/CategoryPickerModel.h"

#include "categories/CategoryColors.h"
#include "model/Category.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"
#include "ui/ItemDataRole.h"

#include <QGuiApplication>

namespace {

std::unique_ptr<LiveFetchResults> categoriesByName(ManagedObjectContext& context) {
    FetchRequest<Category> request = Category::fetchRequest();
    request.setSortDescriptors({SortDescriptor{QStringLiteral("name"), true}});
    return std::make_unique<LiveFetchResults>(context, request);
}

} // namespace

CategoryPickerModel::CategoryPickerModel(ManagedObjectContext& context, const QString& leadingText,
                                         QObject* parent)
    : LiveResultsModel(categoriesByName(context), parent, leadingText.isEmpty() ? 0 : 1)
    , m_leadingText(leadingText) {
    performFetch();
}

QVariant CategoryPickerModel::dataFor(const ManagedObject& object, int role) const {
    const auto& category = static_cast<const Category&>(object);
    switch (role) {
    case TitleRole:
    case Qt::AccessibleTextRole:
        return category.name();
    case ColorNameRole:
        return category.color();
    case Qt::DecorationRole:
        return CategoryColors::dot(category.color(), QGuiApplication::palette());
    default:
        return {};
    }
}

QVariant CategoryPickerModel::leadingData(int, int role) const {
    return role == TitleRole || role == Qt::AccessibleTextRole ? QVariant(m_leadingText)
                                                               : QVariant();
}
