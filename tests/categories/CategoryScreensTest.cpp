#include "categories/CategoryPicker.h"
#include "categories/CategorySettingsView.h"

#include "support/Child.h"
#include "support/FakeConfirmation.h"
#include "support/QtPrinters.h"
#include "support/StoreFixture.h"
#include "ui/ItemDataRole.h"
#include "ui/Palette.h"

#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

namespace {

class CategoryScreens : public StoreFixture {
protected:
    void SetUp() override { m_controller = openInMemory(); }
    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    std::shared_ptr<Category> category(const QString& name, const QString& color) {
        auto made = context().insert<Category>();
        made->setName(name);
        made->setColor(color);
        EXPECT_TRUE(context().save());
        return made;
    }
    static QStringList items(const QComboBox& box) {
        QStringList texts;
        for (int row = 0; row < box.count(); ++row) {
            texts << box.itemText(row);
        }
        return texts;
    }
    static QStringList rows(const QAbstractItemModel& model) {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row) {
            texts << model.index(row, 0).data().toString();
        }
        return texts;
    }
    static QColor dotColor(const QComboBox& box, int row) {
        const QIcon icon = box.itemIcon(row);
        return icon.pixmap(12, 12).toImage().pixelColor(6, 6);
    }

    std::unique_ptr<PersistenceController> m_controller;
    FakeConfirmation m_confirmation;
};

TEST_F(CategoryScreens, ThePickerListsNoneFirstThenEveryCategoryLiveWithItsDot) {
    const auto vita = category(QStringLiteral("Vita"), QStringLiteral("green"));
    category(QStringLiteral("Auto"), QStringLiteral("Fucsia"));
    CategoryPicker picker(context(), QStringLiteral("Nessuna"), QStringLiteral("picker"));
    EXPECT_EQ(items(picker), (QStringList{"Nessuna", "Auto", "Vita"}));
    EXPECT_EQ(picker.category(), nullptr);
    // A colour the palette does not know is drawn blue; the stored name is left alone.
    EXPECT_EQ(dotColor(picker, 1), Palette::color(ColorName::Blue, picker.palette()));
    EXPECT_EQ(dotColor(picker, 2), Palette::color(ColorName::Green, picker.palette()));
    EXPECT_EQ(picker.itemData(1, ColorNameRole).toString(), QStringLiteral("Fucsia"));

    picker.setCategory(vita);
    EXPECT_EQ(picker.currentText(), QStringLiteral("Vita"));
    EXPECT_EQ(picker.category(), vita);
    category(QStringLiteral("Casa"), QStringLiteral("orange"));
    EXPECT_EQ(items(picker), (QStringList{"Nessuna", "Auto", "Casa", "Vita"}));
    EXPECT_EQ(picker.category(), vita);

    // The chosen category deleted: the picker falls back to none, never to a neighbour.
    int changes = 0;
    QObject::connect(&picker, &CategoryPicker::categoryChanged, [&changes] { ++changes; });
    context().deleteObject(vita.get());
    ASSERT_TRUE(context().save());
    EXPECT_EQ(picker.currentIndex(), 0);
    EXPECT_EQ(picker.category(), nullptr);
    EXPECT_GE(changes, 1);
}

TEST_F(CategoryScreens, TheSettingsTabAddsRenamesRecoloursAndDeletesLeavingItemsUnfiled) {
    CategorySettingsView view(
        {.context = context(), .log = *m_log, .confirmation = m_confirmation});
    auto* list = child<QListView>(&view, "categoryList");
    auto* name = child<QLineEdit>(&view, "categoryNameField");
    auto* color = child<QComboBox>(&view, "categoryColorPicker");
    auto* add = child<QPushButton>(&view, "addCategoryButton");
    auto* apply = child<QPushButton>(&view, "applyCategoryButton");
    auto* remove = child<QPushButton>(&view, "deleteCategoryButton");
    EXPECT_FALSE(add->isEnabled());
    EXPECT_FALSE(remove->isEnabled());

    name->setText(QStringLiteral("  Auto "));
    color->setCurrentIndex(color->findData(QStringLiteral("red")));
    add->click();
    EXPECT_EQ(rows(*list->model()), QStringList{"Auto"});
    const std::shared_ptr<Category> made = view.selectedCategory();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->name(), QStringLiteral("Auto"));
    EXPECT_EQ(made->color(), QStringLiteral("red"));
    EXPECT_FALSE(apply->isEnabled()); // nothing changed yet

    name->setText(QStringLiteral("Auto e Moto"));
    color->setCurrentIndex(color->findData(QStringLiteral("teal")));
    ASSERT_TRUE(apply->isEnabled());
    apply->click();
    EXPECT_EQ(made->name(), QStringLiteral("Auto e Moto"));
    EXPECT_EQ(made->color(), QStringLiteral("teal"));
    EXPECT_FALSE(context().hasChanges());

    auto policy = insertPolicy(context(), QStringLiteral("RCA"));
    policy->setCategory(made);
    auto event = context().insert<Event>();
    event->setTitle(QStringLiteral("Perizia"));
    event->setStartDate(m_clock.now());
    event->setEndDate(m_clock.now());
    event->setCategory(made);
    ASSERT_TRUE(context().save());

    remove->click();
    ASSERT_EQ(m_confirmation.asked.size(), 1);
    EXPECT_TRUE(m_confirmation.asked.first().destructive);
    m_confirmation.answer(false);
    EXPECT_FALSE(made->isDeleted());
    remove->click();
    m_confirmation.answer(true);
    EXPECT_TRUE(rows(*list->model()).isEmpty());
    EXPECT_EQ(policy->category(), nullptr);
    EXPECT_EQ(event->category(), nullptr);
    EXPECT_EQ(context().fetch(Policy::fetchRequest()).size(), 1u);
}

TEST_F(CategoryScreens, AColourNameFromElsewhereIsShownAndKeptWhenOnlyTheNameChanges) {
    const auto salute = category(QStringLiteral("Salute"), QStringLiteral("Magenta"));
    CategorySettingsView view(
        {.context = context(), .log = *m_log, .confirmation = m_confirmation});
    view.selectCategory(salute);
    auto* color = child<QComboBox>(&view, "categoryColorPicker");
    EXPECT_EQ(color->currentText(), QStringLiteral("Magenta"));
    child<QLineEdit>(&view, "categoryNameField")->setText(QStringLiteral("Salute e Infortuni"));
    EXPECT_TRUE(view.applyChanges());
    EXPECT_EQ(salute->color(), QStringLiteral("Magenta"));
}

} // namespace
