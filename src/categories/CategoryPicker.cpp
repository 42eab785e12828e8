#include "categories/CategoryPicker.h"

#include "categories/CategoryPickerModel.h"
#include "model/Category.h"

CategoryPicker::CategoryPicker(ManagedObjectContext& context, const QString& leadingText,
                               const QString& objectName, QWidget* parent)
    : QComboBox(parent)
    , m_model(new CategoryPickerModel(context, leadingText, this)) {
    setObjectName(objectName);
    setAccessibleName(QStringLiteral("Categoria"));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(16);
    setModel(m_model);
    setCurrentIndex(0);
    // A removed category's row leaves; Qt then picks a neighbour, which would file the item
    // under another category: the leading choice stands instead.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                if (currentIndex() >= first && currentIndex() <= last) {
                    setCurrentIndex(0);
                }
            });
    connect(this, &QComboBox::currentIndexChanged, this, &CategoryPicker::categoryChanged);
}

std::shared_ptr<Category> CategoryPicker::category() const {
    ManagedObject* object = m_model->objectAt(currentIndex());
    return object ? std::static_pointer_cast<Category>(object->shared_from_this()) : nullptr;
}

void CategoryPicker::setCategory(const std::shared_ptr<Category>& category) {
    const int row = category ? m_model->rowOf(category.get()) : 0;
    setCurrentIndex(std::max(row, 0));
}
