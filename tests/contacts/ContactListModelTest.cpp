#include "contacts/ContactListModel.h"
#include "contacts/ContactInitials.h"
#include "contacts/ContactListRow.h"
#include "store/ManagedObjectContext.h"
#include "support/ModelMirror.h"
#include "support/StoreFixture.h"
#include "ui/ItemDataRole.h"
#include "ui/Palette.h"

#include <QAbstractItemModelTester>
#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>

#include <random>

namespace {

class ContactListModelTest : public StoreFixture {
protected:
    void SetUp() override { m_controller = openInMemory(); }
    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    std::shared_ptr<Contact> add(const QString& first, const QString& last,
                                 std::optional<QString> company = std::nullopt) {
        auto contact = context().insert<Contact>();
        contact->setFirstName(first);
        contact->setLastName(last);
        contact->setCompany(std::move(company));
        return contact;
    }
    std::unique_ptr<PersistenceController> m_controller;
};

struct SearchCase {
    const char* search;
    QStringList shown;
};

void PrintTo(const SearchCase& searched, std::ostream* out) {
    *out << '"' << searched.search << '"';
}

class ContactSearchCases : public ContactListModelTest,
                           public ::testing::WithParamInterface<SearchCase> {};

// Each case a text typed into the search: the contacts listed, by last name and then first
// name; the total counts every contact whatever the search.
TEST_P(ContactSearchCases, ListsTheContactsWhoseNamesOrCompanyContainTheText) {
    add(QStringLiteral("Mario"), QStringLiteral("Rossi"), QStringLiteral("ACME SpA"));
    add(QStringLiteral("Anna"), QStringLiteral("Rossi"), QStringLiteral("Studio Verdi"));
    add(QStringLiteral("Élodie"), QStringLiteral("Durand"));
    add(QStringLiteral("Paolo"), QStringLiteral("De Luca"), QString());
    auto reachedOnlyByMail = add(QStringLiteral("Luca"), QStringLiteral("Bianchi"));
    reachedOnlyByMail->setEmail(QStringLiteral("zeta@example.it"));
    reachedOnlyByMail->setPhoneNumber(QStringLiteral("+39 333"));
    reachedOnlyByMail->setNotes(QStringLiteral("zeta"));
    ASSERT_TRUE(context().save());

    ContactListModel model(context(), QLocale(QLocale::Italian, QLocale::Italy));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setSearchText(QString::fromUtf8(GetParam().search));
    EXPECT_EQ(shownTitles(model), GetParam().shown);
    EXPECT_EQ(model.totalCount(), 5);
}

const QStringList kEveryone = {"Luca Bianchi", "Paolo De Luca", "Élodie Durand", "Anna Rossi",
                               "Mario Rossi"};
INSTANTIATE_TEST_SUITE_P(
    Cases, ContactSearchCases,
    ::testing::Values(SearchCase{"", kEveryone},
                      // First name, last name, company; capitals on either side.
                      SearchCase{"MARIO", {"Mario Rossi"}},
                      SearchCase{"rossi", {"Anna Rossi", "Mario Rossi"}},
                      SearchCase{"acme", {"Mario Rossi"}}, SearchCase{"VERDI", {"Anna Rossi"}},
                      // "Luca" is a first name and inside a last name.
                      SearchCase{"luca", {"Luca Bianchi", "Paolo De Luca"}},
                      // Accents must match; a blank is a search, matched where a blank is.
                      SearchCase{"elodie", {}}, SearchCase{"ÉLODIE", {"Élodie Durand"}},
                      SearchCase{" ", {"Paolo De Luca", "Anna Rossi", "Mario Rossi"}},
                      // Not across the end of one field and the start of the next; e-mail, phone
                      // and notes are not searched.
                      SearchCase{"mariorossi", {}}, SearchCase{"zeta", {}}, SearchCase{"333", {}}));

// The row's texts: the full name, the company, the policies count from one on (the word stays
// plural), and the initials as a reader sees the first characters.
TEST_F(ContactListModelTest, RowsShowNameCompanyPoliciesAndInitials) {
    auto holder = add(QStringLiteral("Giulia"), QStringLiteral("Ferraris"),
                      QStringLiteral("Studio Ferraris"));
    insertPolicy(context(), QStringLiteral("Casa"))->setContact(holder);
    add(QString(), QString());
    ASSERT_TRUE(context().save());
    ContactListModel model(context(), QLocale(QLocale::Italian));
    ASSERT_EQ(model.rowCount(), 2);
    const QModelIndex empty = model.index(0);
    EXPECT_EQ(empty.data(TitleRole).toString(), QString());
    EXPECT_EQ(empty.data(SubtitleRole).toString(), QString());
    EXPECT_EQ(empty.data(DetailRole).toString(), QString());
    EXPECT_EQ(empty.data(InitialsRole).toString(), QString());
    const QModelIndex giulia = model.index(1);
    EXPECT_EQ(giulia.data(SubtitleRole).toString(), QStringLiteral("Studio Ferraris"));
    EXPECT_EQ(giulia.data(DetailRole).toString(), QStringLiteral("1 policies"));
    EXPECT_EQ(giulia.data(InitialsRole).toString(), QStringLiteral("GF"));

    // The delegate fills a chosen row with the accent colour, and only a chosen one.
    ContactListRow delegate;
    const auto paintedRow = [&](bool selected) {
        QImage image(320, ContactListRow::kRowHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.state = selected ? QStyle::State_Selected : QStyle::State_None;
        delegate.paint(&painter, option, giulia);
        return image;
    };
    const QRgb accent = Palette::color(ColorName::Accent).rgb();
    EXPECT_EQ(paintedRow(true).pixel(306, ContactListRow::kRowHeight / 2), accent);
    EXPECT_NE(paintedRow(false).pixel(306, ContactListRow::kRowHeight / 2), accent);

    // A second policy assigned elsewhere updates the row at once.
    insertPolicy(context(), QStringLiteral("Auto"))->setContact(holder);
    EXPECT_EQ(model.index(1).data(DetailRole).toString(), QStringLiteral("2 policies"));

    const QString decomposedE = QStringLiteral("E\u0301lodie");
    EXPECT_EQ(ContactInitials::of(decomposedE, QStringLiteral("durand")),
              QStringLiteral("E\u0301D"));
    EXPECT_EQ(ContactInitials::of(QStringLiteral("élodie"), QString()), QStringLiteral("É"));
    // A family emoji is one character to a reader, whatever its code units.
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    EXPECT_EQ(ContactInitials::of(family + QStringLiteral("Team"), QStringLiteral("x")),
              family + QStringLiteral("X"));
    // A name that starts with a combining accent keeps it whole, not half of a pair.
    EXPECT_EQ(ContactInitials::of(QStringLiteral("\u0301anna"), QStringLiteral("\U0001D4D0b")),
              QStringLiteral("\u0301\U0001D4D0"));
}

// Random inserts, renames that move rows or take them in or out of the search, deletes,
// policies assigned, moved to another contact or deleted, saves, rollbacks and search texts
// typed on, erased or replaced: after each step the rows a view rebuilt from the model's
// signals are those of a fresh search, each with its contact's number of policies, and the
// model tester (fatal) finds every signal consistent.
TEST_F(ContactListModelTest, FollowsRandomChangesWhileSearching) {
    ContactListModel model(context(), QLocale(QLocale::English));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const ModelMirror seen(model);

    std::mt19937 random(20261207);
    auto pick = [&](int bound) { return int(random() % unsigned(bound)); };
    auto name = [&] { return namePiece(pick(12)) + namePiece(pick(12)); };
    FetchRequest<Contact> byName = Contact::fetchRequest();
    byName.setSortDescriptors({SortDescriptor{QStringLiteral("lastName"), true},
                               SortDescriptor{QStringLiteral("firstName"), true}});
    for (int step = 0; step < 600; ++step) {
        std::vector<std::shared_ptr<Contact>> all = context().fetch(Contact::fetchRequest());
        std::vector<std::shared_ptr<Policy>> policies = context().fetch(Policy::fetchRequest());
        const int action = all.empty() ? 0 : pick(12);
        std::shared_ptr<Contact> contact =
            all.empty() ? nullptr : all[size_t(pick(int(all.size())))];
        switch (action) {
        case 0:
        case 1:
            add(name(), name(), pick(2) ? std::optional<QString>(name()) : std::nullopt);
            break;
        case 2:
            contact->setLastName(name());
            break;
        case 3:
            contact->setFirstName(name());
            break;
        case 4:
            contact->setCompany(name());
            break;
        case 5:
            context().deleteObject(contact.get());
            break;
        case 6:
            ASSERT_TRUE(context().save());
            break;
        case 7:
            context().rollback();
            break;
        case 8:
            insertPolicy(context(), name())->setContact(contact);
            break;
        case 9:
            if (!policies.empty()) {
                policies[size_t(pick(int(policies.size())))]->setContact(pick(4) ? contact
                                                                                 : nullptr);
            }
            break;
        case 10:
            if (!policies.empty()) {
                context().deleteObject(policies[size_t(pick(int(policies.size())))].get());
            }
            break;
        default: {
            const QString text = model.searchText();
            const int how = pick(4);
            model.setSearchText(how == 0   ? text + namePiece(pick(12))
                                : how == 1 ? text.left(std::max<qsizetype>(0, text.size() - 1))
                                : how == 2 ? namePiece(pick(12))
                                           : QString());
        }
        }
        std::vector<ManagedObject*> expected;
        const QString search = model.searchText();
        for (const auto& each : context().fetch(byName)) {
            if (search.isEmpty() || containsCaseless(each->firstName(), search) ||
                containsCaseless(each->lastName(), search) ||
                containsCaseless(each->company().value_or(QString()), search)) {
                expected.push_back(each.get());
            }
        }
        ASSERT_EQ(seen.rows(), expected) << "step " << step;
        ASSERT_EQ(model.totalCount(), int(context().fetch(byName).size()));
        for (int row = 0; row < model.rowCount(); ++row) {
            ASSERT_EQ(model.rowOf(model.objectAt(row)), row);
            const auto* shown = static_cast<const Contact*>(model.objectAt(row));
            const size_t held = shown->policies().size();
            ASSERT_EQ(model.index(row).data(DetailRole).toString(),
                      held ? QStringLiteral("%1 policies").arg(held) : QString())
                << "step " << step;
        }
    }
}

} // namespace
