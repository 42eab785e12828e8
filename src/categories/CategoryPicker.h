#pragma once

#include <QComboBox>

#include <memory>

class Category;
class CategoryPickerModel;
class ManagedObjectContext;

// A combo box of the stored categories after one leading choice ("Nessuna" in an editor,
// "Tutte le categorie" in a filter), which stands for no category.
class CategoryPicker final : public QComboBox {
    Q_OBJECT
public:
    CategoryPicker(ManagedObjectContext& context, const QString& leadingText,
                   const QString& objectName, QWidget* parent = nullptr);

    // The chosen category; null for the leading choice.
    std::shared_ptr<Category> category() const;
    // Chooses `category`, or the leading choice for null or a category not listed.
    void setCategory(const std::shared_ptr<Category>& category);

Q_SIGNALS:
    // The user or the program chose another row; a deleted category's row chooses the
    // leading one.
    void categoryChanged();

private:
    CategoryPickerModel* m_model;
};
