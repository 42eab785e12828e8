#include "categories/CategorySettingsView.h"

#include "categories/CategoryColors.h"
#include "categories/CategoryPickerModel.h"
#include "model/Category.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectContext.h"
#include "ui/Confirmation.h"
#include "ui/FieldBlock.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& text, const QString& objectName, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setObjectName(objectName);
    made->setAccessibleName(text);
    made->setAutoDefault(false);
    return made;
}

} // namespace

CategorySettingsView::CategorySettingsView(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_model(new CategoryPickerModel(m_services.context, QString(), this))
    , m_list(new QListView(this))
    , m_name(new QLineEdit(this))
    , m_color(new QComboBox(this))
    , m_add(button(QStringLiteral("Aggiungi"), QStringLiteral("addCategoryButton"), this))
    , m_apply(
          button(QStringLiteral("Salva Modifiche"), QStringLiteral("applyCategoryButton"), this))
    , m_delete(button(QStringLiteral("Elimina"), QStringLiteral("deleteCategoryButton"), this))
    , m_hint(new QLabel(this)) {
    setObjectName(QStringLiteral("categorySettings"));
    m_list->setObjectName(QStringLiteral("categoryList"));
    m_list->setAccessibleName(QStringLiteral("Categorie"));
    m_list->setModel(m_model);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformItemSizes(true);

    m_name->setObjectName(QStringLiteral("categoryNameField"));
    m_name->setAccessibleName(QStringLiteral("Nome"));
    m_name->setPlaceholderText(QStringLiteral("es. Auto, Casa, Vita, Salute"));
    m_color->setObjectName(QStringLiteral("categoryColorPicker"));
    for (const QString& name : CategoryColors::names()) {
        m_color->addItem(CategoryColors::dot(name, palette()), CategoryColors::label(name), name);
    }
    m_color->setCurrentIndex(m_color->findData(QStringLiteral("blue")));
    m_hint->setObjectName(QStringLiteral("categoryHint"));
    m_hint->setWordWrap(true);

    auto* form = new QVBoxLayout(this);
    form->addWidget(m_list, 1);
    auto* fields = new QHBoxLayout;
    fields->addWidget(FieldBlock::captioned(QStringLiteral("Nome"), m_name, this), 1);
    fields->addWidget(FieldBlock::captioned(QStringLiteral("Colore"), m_color, this));
    form->addLayout(fields);
    form->addWidget(m_hint);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    buttons->addWidget(m_apply);
    buttons->addWidget(m_add);
    form->addLayout(buttons);

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CategorySettingsView::showSelection);
    // A category renamed or deleted elsewhere (or here) changes what the buttons may do.
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &CategorySettingsView::showSelection);
    connect(m_name, &QLineEdit::textChanged, this, &CategorySettingsView::updateButtons);
    connect(m_color, &QComboBox::currentIndexChanged, this, &CategorySettingsView::updateButtons);
    connect(m_add, &QPushButton::clicked, this, &CategorySettingsView::addCategory);
    connect(m_apply, &QPushButton::clicked, this, &CategorySettingsView::applyChanges);
    connect(m_delete, &QPushButton::clicked, this, &CategorySettingsView::confirmDelete);
    connect(m_name, &QLineEdit::returnPressed, this, [this] {
        if (m_apply->isEnabled()) {
            applyChanges();
        } else if (m_add->isEnabled()) {
            addCategory();
        }
    });
    showSelection();
}

std::shared_ptr<Category> CategorySettingsView::selectedCategory() const {
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    ManagedObject* object = rows.isEmpty() ? nullptr : m_model->objectAt(rows.first().row());
    return object ? std::static_pointer_cast<Category>(object->shared_from_this()) : nullptr;
}

void CategorySettingsView::selectCategory(const std::shared_ptr<Category>& category) {
    const int row = category ? m_model->rowOf(category.get()) : -1;
    if (row < 0) {
        m_list->selectionModel()->clearSelection();
    } else {
        m_list->selectionModel()->select(m_model->index(row), QItemSelectionModel::ClearAndSelect);
        m_list->setCurrentIndex(m_model->index(row));
    }
}

QString CategorySettingsView::chosenColor() const {
    return m_color->currentData().toString();
}

void CategorySettingsView::setChosenColor(const QString& name) {
    int row = m_color->findData(name);
    if (row < 0) {
        // A colour this program does not offer stays as it is until the user picks another.
        m_color->addItem(CategoryColors::dot(name, palette()), CategoryColors::label(name), name);
        row = m_color->count() - 1;
    }
    m_color->setCurrentIndex(row);
}

void CategorySettingsView::showSelection() {
    if (const std::shared_ptr<Category> category = selectedCategory()) {
        m_name->setText(category->name());
        setChosenColor(category->color());
    }
    updateButtons();
}

void CategorySettingsView::updateButtons() {
    const std::shared_ptr<Category> selected = selectedCategory();
    const QString name = m_name->text().trimmed();
    m_add->setEnabled(!name.isEmpty());
    m_apply->setEnabled(selected && !name.isEmpty() &&
                        (name != selected->name() || chosenColor() != selected->color()));
    m_delete->setEnabled(selected != nullptr);
    m_hint->setText(name.isEmpty() ? QStringLiteral("Scrivi un nome per aggiungere una categoria")
                                   : QString());
    m_hint->setAccessibleName(m_hint->text());
}

bool CategorySettingsView::saveOrUndo(const QString& prefix) {
    QString error;
    if (m_services.context.save(&error)) {
        return true;
    }
    m_services.context.rollback();
    m_services.log.write(prefix, error);
    return false;
}

bool CategorySettingsView::addCategory() {
    const QString name = m_name->text().trimmed();
    if (name.isEmpty()) {
        return false;
    }
    const std::shared_ptr<Category> category = m_services.context.insert<Category>();
    if (!category) {
        m_services.log.write(QStringLiteral("Error saving category: "),
                             QStringLiteral("The store has no Category entity"));
        return false;
    }
    category->setName(name);
    category->setColor(chosenColor());
    if (!saveOrUndo(QStringLiteral("Error saving category: "))) {
        return false;
    }
    selectCategory(category);
    return true;
}

bool CategorySettingsView::applyChanges() {
    const std::shared_ptr<Category> category = selectedCategory();
    const QString name = m_name->text().trimmed();
    if (!category || name.isEmpty()) {
        return false;
    }
    category->setName(name);
    category->setColor(chosenColor());
    const bool saved = saveOrUndo(QStringLiteral("Error saving category: "));
    // The list is sorted by name: a renamed category may have moved.
    selectCategory(category);
    return saved;
}

void CategorySettingsView::confirmDelete() {
    const std::shared_ptr<Category> category = selectedCategory();
    if (!category) {
        return;
    }
    const Confirmation::Question question{
        QStringLiteral("Elimina Categoria"),
        QStringLiteral("Eliminare la categoria '") + category->name() +
            QStringLiteral("'? Eventi, compiti e polizze resteranno senza categoria."),
        QStringLiteral("Elimina"), QStringLiteral("Annulla"), true};
    m_services.confirmation.ask(
        this, question,
        [self = QPointer(this), weak = std::weak_ptr<Category>(category)](bool confirmed) {
            const std::shared_ptr<Category> chosen = weak.lock();
            if (!self || !confirmed || !chosen || chosen->isDeleted()) {
                return;
            }
            self->m_services.context.deleteObject(chosen.get());
            if (self->saveOrUndo(QStringLiteral("Error deleting category: "))) {
                self->m_name->clear();
            }
        });
}
