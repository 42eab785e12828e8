#pragma once

#include <QWidget>

#include <memory>

class Category;
class CategoryPickerModel;
class Confirmation;
class LogChannel;
class ManagedObjectContext;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

// The settings window's "Categorie" tab: every category with its colour; a name and a colour
// below the list add a new one ("Aggiungi") or, for the selected one, rename and recolour it
// ("Salva Modifiche"); "Elimina" asks first, then deletes it, and its events, tasks and
// policies stay without a category. Each change is saved at once; a refused save says why on
// the log and leaves the store as it was.
class CategorySettingsView final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        LogChannel& log;
        Confirmation& confirmation;
    };

    explicit CategorySettingsView(Services services, QWidget* parent = nullptr);

    std::shared_ptr<Category> selectedCategory() const;
    void selectCategory(const std::shared_ptr<Category>& category);
    // What the buttons do; false when nothing was saved.
    bool addCategory();
    bool applyChanges();
    void confirmDelete();

private:
    void showSelection();
    void updateButtons();
    QString chosenColor() const;
    void setChosenColor(const QString& name);
    bool saveOrUndo(const QString& prefix);

    Services m_services;
    CategoryPickerModel* m_model;
    QListView* m_list;
    QLineEdit* m_name;
    QComboBox* m_color;
    QPushButton* m_add;
    QPushButton* m_apply;
    QPushButton* m_delete;
    QLabel* m_hint;
};
