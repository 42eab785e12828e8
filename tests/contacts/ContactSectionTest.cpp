#include "contacts/ContactDetailView.h"
#include "contacts/ContactEditView.h"
#include "contacts/ContactListModel.h"
#include "contacts/ContactListView.h"
#include "contacts/ContactPolicyRows.h"
#include "store/ManagedObjectContext.h"
#include "support/Child.h"
#include "support/FakeConfirmation.h"
#include "support/RawSqlite.h"
#include "support/StoreFixture.h"
#include "support/WaitUntil.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

namespace {

using TimeHelpers::kDayMs;
using TimeHelpers::kHourMs;

// The contact section in a window, on a store file of the test's own, driven as a user drives
// it: rows clicked, keys typed, buttons pressed, confirmations answered.
class ContactSectionTest : public StoreFixture {
protected:
    void SetUp() override {
        m_controller = open(storePath());
        m_window.resize(1100, 700);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    ManagedObjectContext& context() { return m_controller->container().viewContext(); }
    ContactListView::Services services() {
        return {
            .context = context(), .clock = m_clock, .log = *m_log, .confirmation = m_confirmation};
    }
    std::shared_ptr<Contact> contact(const QString& first, const QString& last,
                                     std::optional<QString> company = std::nullopt) {
        auto person = context().insert<Contact>();
        person->setFirstName(first);
        person->setLastName(last);
        person->setCompany(std::move(company));
        EXPECT_TRUE(context().save());
        return person;
    }
    std::shared_ptr<Policy> policy(const QString& name, const std::shared_ptr<Contact>& holder,
                                   qint64 fromNowMs, const char* days, qint32 reminderDays = 30) {
        auto made =
            insertPolicy(context(), name, Instant(m_clock.now().msSinceEpoch() + fromNowMs));
        made->setCustomReminderDays(QString::fromUtf8(days));
        made->setReminderDays(reminderDays);
        made->setContact(holder);
        EXPECT_TRUE(context().save());
        return made;
    }
    void showList() {
        m_list = new ContactListView(services(), &m_window);
        m_list->resize(m_window.size());
        m_list->show();
    }
    QString text(const QWidget* in, const char* name) const {
        const QLabel* label = child<QLabel>(in, name);
        return label ? label->text() : QStringLiteral("<none>");
    }
    // The widget is there and would show with the page.
    static bool shownIn(const QWidget* page, const char* name) {
        const auto* widget = page->findChild<QWidget*>(QLatin1String(name));
        return widget && widget->isVisibleTo(page);
    }
    QListView* listView() const { return child<QListView>(m_list, "contactList"); }
    void clickRow(int row) {
        QListView* list = listView();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
    }
    QStringList rows() const {
        QStringList names;
        for (int row = 0; row < m_list->model().rowCount(); ++row) {
            names << m_list->model().index(row).data().toString();
        }
        return names;
    }
    bool showsEmptyState() const {
        return child<QStackedWidget>(m_list, nullptr) &&
               m_list->findChild<QWidget*>(QStringLiteral("contactEmptyState"))->isVisible();
    }
    template <typename Sheet> Sheet* openedSheet() {
        Sheet* sheet = nullptr;
        waitUntil([&] {
            sheet = m_window.findChild<Sheet*>();
            return sheet && sheet->isVisible();
        });
        return sheet;
    }

    FakeConfirmation m_confirmation;
    std::unique_ptr<PersistenceController> m_controller;
    QWidget m_window;
    QPointer<ContactListView> m_list;
};

// Searching narrows the list but keeps the selection and its page, the total counts every
// contact, the clear button shows only while there is text; a new contact made from the empty
// state appears unselected; a fresh visit starts with no selection and no search.
TEST_F(ContactSectionTest, SearchKeepsTheSelectionAndTheTotal) {
    auto anna = contact(QStringLiteral("Anna"), QStringLiteral("Rossi"), QStringLiteral("Acme"));
    contact(QStringLiteral("Mario"), QStringLiteral("Bianchi"));
    contact(QStringLiteral("Luca"), QStringLiteral("Verdi"));
    showList();
    EXPECT_EQ(rows(), (QStringList{"Mario Bianchi", "Anna Rossi", "Luca Verdi"}));
    EXPECT_EQ(text(m_list, "contactTotal"), QStringLiteral("3 total"));
    EXPECT_TRUE(showsEmptyState());

    clickRow(1);
    ASSERT_EQ(m_list->selectedContact(), anna);
    ASSERT_TRUE(
        waitUntil([&] { return m_list->detailView() && m_list->detailView()->isVisible(); }));
    EXPECT_EQ(text(m_list->detailView(), "contactFullName"), QStringLiteral("Anna Rossi"));

    QLineEdit* search = child<QLineEdit>(m_list, "contactSearchField");
    auto* clear = child<QToolButton>(m_list, "contactSearchFieldClear");
    EXPECT_FALSE(clear->isVisible());
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("BIAN"));
    EXPECT_EQ(rows(), QStringList{"Mario Bianchi"});
    EXPECT_TRUE(clear->isVisible());
    EXPECT_EQ(text(m_list, "contactTotal"), QStringLiteral("3 total"));
    EXPECT_EQ(child<QLabel>(m_list, "contactTotal")->accessibleName(), QStringLiteral("3 total"));
    EXPECT_EQ(m_list->selectedContact(), anna);
    EXPECT_EQ(text(m_list->detailView(), "contactFullName"), QStringLiteral("Anna Rossi"));
    EXPECT_TRUE(listView()->selectionModel()->selectedIndexes().isEmpty());

    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(search->text(), QString());
    EXPECT_FALSE(clear->isVisible());
    EXPECT_EQ(rows().size(), 3);
    const QModelIndexList selected = listView()->selectionModel()->selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first().row(), 1);

    // Leaving the section and coming back.
    delete m_list;
    showList();
    EXPECT_EQ(m_list->selectedContact(), nullptr);
    EXPECT_EQ(child<QLineEdit>(m_list, "contactSearchField")->text(), QString());
    EXPECT_TRUE(showsEmptyState());

    QTest::mouseClick(child<QPushButton>(m_list, "addContactButton"), Qt::LeftButton);
    auto* sheet = openedSheet<ContactEditView>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Nuovo Contatto"));
    QTest::keyClicks(child<QLineEdit>(sheet, "firstNameField"), QStringLiteral("Zoe"));
    QTest::keyClicks(child<QLineEdit>(sheet, "lastNameField"), QStringLiteral("Alberti"));
    QTest::mouseClick(child<QPushButton>(sheet, "saveButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return rows().size() == 4; }));
    EXPECT_EQ(rows().first(), QStringLiteral("Zoe Alberti"));
    EXPECT_EQ(text(m_list, "contactTotal"), QStringLiteral("4 total"));
    EXPECT_EQ(child<QLabel>(m_list, "contactTotal")->accessibleName(), QStringLiteral("4 total"));
    EXPECT_EQ(m_list->selectedContact(), nullptr);
}

struct CardCase {
    std::optional<QString> phone;
    std::optional<QString> email;
    std::optional<QString> notes;
    std::optional<QString> company;
    bool phoneShown;
    bool emailShown;
    const char* notesText;
};

void PrintTo(const CardCase& shown, std::ostream* out) {
    *out << "phone " << shown.phoneShown << ", e-mail " << shown.emailShown << ", notes "
         << (shown.notes && !shown.notes->isEmpty());
}

class ContactPageCards : public ContactSectionTest,
                         public ::testing::WithParamInterface<CardCase> {};

// Each row and card of the page as the contact's values have it; the policies section empty.
TEST_P(ContactPageCards, ShowWhatTheContactHolds) {
    auto person = contact(QStringLiteral("élodie"), QStringLiteral("durand"), GetParam().company);
    person->setPhoneNumber(GetParam().phone);
    person->setEmail(GetParam().email);
    person->setNotes(GetParam().notes);
    ASSERT_TRUE(context().save());
    ContactDetailView page(services().page(), person, &m_window);
    page.show();
    EXPECT_EQ(child<QLabel>(&page, "contactAvatar")->accessibleName(), QStringLiteral("ÉD"));
    EXPECT_EQ(text(&page, "contactFullName"), QStringLiteral("élodie durand"));
    const bool companyShown = GetParam().company && !GetParam().company->isEmpty();
    EXPECT_EQ(shownIn(&page, "contactCompany"), companyShown);
    EXPECT_EQ(shownIn(&page, "contactPhoneRow"), GetParam().phoneShown);
    EXPECT_EQ(shownIn(&page, "contactEmailRow"), GetParam().emailShown);
    if (GetParam().phoneShown) {
        EXPECT_EQ(text(&page, "contactPhoneRowText"), *GetParam().phone);
    }
    EXPECT_EQ(text(&page, "contactNotes"), QString::fromUtf8(GetParam().notesText));
    EXPECT_EQ(text(&page, "assignedCount"), QStringLiteral("0 assigned"));
    EXPECT_EQ(text(&page, "noPoliciesText"),
              QStringLiteral("Nessuna polizza assegnata a questo contatto."));
}

const std::optional<QString> kNone;
INSTANTIATE_TEST_SUITE_P(
    Cases, ContactPageCards,
    ::testing::Values(CardCase{kNone, kNone, kNone, kNone, false, false, "Nessuna nota fornita."},
                      CardCase{QString(), QString(), QString(), QString(), false, false,
                               "Nessuna nota fornita."},
                      CardCase{QStringLiteral(" "), kNone, QStringLiteral("Chiamare\nla sera"),
                               QStringLiteral("Acme"), true, false, "Chiamare\nla sera"},
                      CardCase{QStringLiteral("+39 06 1234"), QStringLiteral("a@b.it"), kNone,
                               kNone, true, true, "Nessuna nota fornita."}));

// The policies by expiry, each date coloured by the status: red once past, orange from the
// largest reminder day (or the reminder days attribute when no list is written) down to the
// expiry day, green before.
TEST_F(ContactSectionTest, PolicyRowsAreColouredByUrgency) {
    auto person = contact(QStringLiteral("Anna"), QStringLiteral("Rossi"));
    policy(QStringLiteral("Green31"), person, 31 * kDayMs, "30, 15, 7");
    policy(QStringLiteral("Red"), person, -kDayMs - kHourMs, "30");
    policy(QStringLiteral("Today"), person, kHourMs, "0");
    policy(QStringLiteral("Orange30"), person, 30 * kDayMs, "30, 15, 7");
    policy(QStringLiteral("OwnDays"), person, 40 * kDayMs, "", 45);
    policy(QStringLiteral("OwnDaysGreen"), person, 50 * kDayMs, "", 45);
    ContactDetailView page(services().page(), person, &m_window);
    page.show();
    EXPECT_EQ(text(&page, "assignedCount"), QStringLiteral("6 assigned"));
    EXPECT_FALSE(shownIn(&page, "noPolicies"));
    const std::pair<const char*, ColorName> expected[] = {
        {"Red", ColorName::Red},         {"Today", ColorName::Orange},
        {"Orange30", ColorName::Orange}, {"Green31", ColorName::Green},
        {"OwnDays", ColorName::Orange},  {"OwnDaysGreen", ColorName::Green}};
    auto* list = page.findChild<ContactPolicyRows*>();
    ASSERT_NE(list, nullptr);
    const std::vector<ContactPolicyRows::Row>& rows = list->rows();
    ASSERT_EQ(rows.size(), 6u);
    // Each date painted in its colour, and in no other status colour.
    const QImage picture = list->grab().toImage();
    const int rowHeight = (picture.height() - 40 - 5 * 12) / 6;
    const auto painted = [&](int row, ColorName color) {
        const QRgb wanted = Palette::color(color).rgb();
        int found = 0;
        for (int y = 20 + row * (rowHeight + 12); y < 20 + row * (rowHeight + 12) + rowHeight;
             ++y) {
            for (int x = picture.width() / 2; x < picture.width(); ++x) {
                found += picture.pixel(x, y) == wanted;
            }
        }
        return found;
    };
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rows[size_t(i)].name, QLatin1String(expected[i].first));
        EXPECT_EQ(rows[size_t(i)].color, expected[i].second) << expected[i].first;
        for (const ColorName status : {ColorName::Red, ColorName::Orange, ColorName::Green}) {
            EXPECT_EQ(painted(i, status) > 0, status == expected[i].second) << expected[i].first;
        }
    }
    EXPECT_EQ(rows[1].date, QStringLiteral("Mar 10, 2026"));
    EXPECT_EQ(rows[1].number, QStringLiteral("N-Today"));
    EXPECT_EQ(rows[1].provider, QStringLiteral("Generali"));
    // A screen reader hears each row's status, which the others see as its colour.
    const QStringList spoken = list->accessibleDescription().split(u'\n');
    ASSERT_EQ(spoken.size(), 6);
    EXPECT_TRUE(spoken[0].endsWith(QStringLiteral(", SCADUTA"))) << spoken[0].toStdString();
    EXPECT_TRUE(spoken[1].endsWith(QStringLiteral(", IN SCADENZA"))) << spoken[1].toStdString();
    EXPECT_TRUE(spoken[3].endsWith(QStringLiteral(", ATTIVA"))) << spoken[3].toStdString();
}

// "Modifica" edits the contact and the page shows the change; "Elimina" asks first, and once
// confirmed deletes the contact and saves, its policies staying with no contact, the list
// showing the empty state again.
// In a narrow pane the page neither scrolls sideways nor cuts its buttons: they show their
// icons alone, named still, and the policies go under the cards. A wide pane has both back.
TEST_F(ContactSectionTest, ThePageFitsTheRoomItHasWithoutScrollingSideways) {
    auto person = contact(QStringLiteral("Massimiliano"), QStringLiteral("Bartolomei"));
    person->setEmail(QStringLiteral("m.bartolomei@example.it"));
    ASSERT_TRUE(context().save());
    policy(QStringLiteral("Assicurazione Casa"), person, 31 * kDayMs, "30");
    ContactDetailView page(services().page(), person, &m_window);
    page.show();
    auto* remove = child<QPushButton>(&page, "deleteContactButton");
    const QWidget* card = child<QWidget>(&page, "contactCard");
    const QWidget* policies = child<QWidget>(&page, "policiesSection");
    const auto fitted = [&](int width) {
        page.resize(width, 700);
        QApplication::processEvents();
        QApplication::processEvents(); // the buttons' new names lay the header out again
        EXPECT_FALSE(page.findChild<QScrollArea*>()->horizontalScrollBar()->isVisible()) << width;
        for (auto* button : {remove, child<QPushButton>(&page, "editContactButton")}) {
            EXPECT_GE(button->width(), button->minimumSizeHint().width()) << width;
            EXPECT_FALSE(button->accessibleName().isEmpty());
        }
    };
    fitted(500);
    EXPECT_TRUE(remove->text().isEmpty());
    EXPECT_EQ(remove->toolTip(), QStringLiteral("Elimina"));
    EXPECT_GT(policies->y(), card->y() + card->height());
    fitted(1000);
    EXPECT_EQ(remove->text(), QStringLiteral("Elimina"));
    EXPECT_TRUE(remove->toolTip().isEmpty());
    EXPECT_EQ(policies->y(), card->y());
}

TEST_F(ContactSectionTest, EditAndDeleteFromThePage) {
    auto anna = contact(QStringLiteral("Anna"), QStringLiteral("Rossi"));
    anna->setPhoneNumber(QStringLiteral("+39 06 1"));
    policy(QStringLiteral("Casa"), anna, 90 * kDayMs, "30");
    contact(QStringLiteral("Mario"), QStringLiteral("Bianchi"));
    showList();
    clickRow(1);
    ASSERT_NE(m_list->detailView(), nullptr);

    QTest::mouseClick(child<QPushButton>(m_list->detailView(), "editContactButton"),
                      Qt::LeftButton);
    auto* sheet = openedSheet<ContactEditView>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Modifica Contatto"));
    QLineEdit* phone = child<QLineEdit>(sheet, "phoneNumberField");
    EXPECT_EQ(phone->text(), QStringLiteral("+39 06 1"));
    phone->setText(QStringLiteral("+39 06 2"));
    QTest::mouseClick(child<QPushButton>(sheet, "saveButton"), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] {
        return text(m_list->detailView(), "contactPhoneRowText") == QStringLiteral("+39 06 2");
    }));

    QTest::mouseClick(child<QPushButton>(m_list->detailView(), "deleteContactButton"),
                      Qt::LeftButton);
    ASSERT_EQ(m_confirmation.asked.size(), 1);
    const Confirmation::Question& question = m_confirmation.asked.first();
    EXPECT_EQ(question.title, QStringLiteral("Elimina Contatto"));
    EXPECT_EQ(question.message, QStringLiteral("Are you sure you want to delete 'Anna Rossi'? "
                                               "This action cannot be undone."));
    EXPECT_EQ(question.confirmText, QStringLiteral("Elimina"));
    EXPECT_EQ(question.cancelText, QStringLiteral("Annulla"));
    EXPECT_TRUE(question.destructive);
    m_confirmation.answer(false);
    EXPECT_EQ(rows().size(), 2);
    EXPECT_EQ(m_list->selectedContact(), anna);

    QTest::mouseClick(child<QPushButton>(m_list->detailView(), "deleteContactButton"),
                      Qt::LeftButton);
    m_confirmation.answer(true);
    EXPECT_EQ(rows(), QStringList{"Mario Bianchi"});
    EXPECT_EQ(text(m_list, "contactTotal"), QStringLiteral("1 total"));
    EXPECT_TRUE(waitUntil([&] { return m_list->selectedContact() == nullptr; }))
        << (m_list->selectedContact() ? m_list->selectedContact()->fullName().toStdString() : "");
    EXPECT_TRUE(showsEmptyState());
    RawSqlite raw(storePath());
    EXPECT_EQ(raw.query("SELECT firstName FROM Contact"), QStringList{"Mario"});
    EXPECT_EQ(raw.query("SELECT name, contact FROM Policy"), QStringList{"Casa|NULL"});
}

// The page is updated in place, not made again: the focus and a selection in the phone and
// e-mail rows survive the minute, a new day and changes saved anywhere, while what changed
// shows, the colours follow the clock and a row emptied hides.
TEST_F(ContactSectionTest, ThePageKeepsTheFocusAndASelectionAsItFollowsChanges) {
    auto anna = contact(QStringLiteral("Anna"), QStringLiteral("Rossi"));
    anna->setPhoneNumber(QStringLiteral("+39 06 1234"));
    anna->setEmail(QStringLiteral("anna@example.it"));
    auto casa = policy(QStringLiteral("Casa"), anna, 31 * kDayMs, "30");
    showList();
    clickRow(0);
    ContactDetailView* page = m_list->detailView();
    ASSERT_NE(page, nullptr);
    const QPointer<QLabel> phone = child<QLabel>(page, "contactPhoneRowText");
    const QPointer<QLabel> email = child<QLabel>(page, "contactEmailRowText");
    const QPointer<ContactPolicyRows> rows = page->findChild<ContactPolicyRows*>();
    ASSERT_TRUE(phone && email && rows);
    EXPECT_EQ(rows->rows().at(0).color, ColorName::Green);
    QApplication::setActiveWindow(&m_window);
    email->setFocus(Qt::MouseFocusReason);
    email->setSelection(0, 4);
    phone->setSelection(4, 2);

    m_clock.advanceTo(Instant(m_clock.now().msSinceEpoch() + 60'000));
    m_clock.advanceTo(Instant(m_clock.now().msSinceEpoch() + 2 * kDayMs));
    anna->setCompany(QStringLiteral("Acme"));
    casa->setName(QStringLiteral("Casa al mare"));
    ASSERT_TRUE(context().save());
    ASSERT_TRUE(waitUntil([&] { return text(page, "contactCompany") == QStringLiteral("Acme"); }));
    EXPECT_TRUE(shownIn(page, "contactCompany"));
    ASSERT_TRUE(phone && email && rows);
    EXPECT_EQ(rows->rows().at(0).name, QStringLiteral("Casa al mare"));
    EXPECT_EQ(rows->rows().at(0).color, ColorName::Orange);
    EXPECT_EQ(child<QLabel>(page, "contactPhoneRowText"), phone.data());
    EXPECT_TRUE(email->hasFocus());
    EXPECT_EQ(email->selectedText(), QStringLiteral("anna"));
    EXPECT_EQ(phone->selectedText(), QStringLiteral("06"));

    anna->setPhoneNumber(QString());
    ASSERT_TRUE(context().save());
    EXPECT_TRUE(waitUntil([&] { return !shownIn(page, "contactPhoneRow"); }));
    EXPECT_TRUE(email->hasFocus());
}

// A delete the store refuses is reported, and the contact stays, in the store and on screen,
// selected with its page; once the store takes it, it goes and so does the selection.
TEST_F(ContactSectionTest, ARefusedDeleteKeepsTheContactAndItsPage) {
    auto anna = contact(QStringLiteral("Anna"), QStringLiteral("Rossi"));
    policy(QStringLiteral("Casa"), anna, 90 * kDayMs, "30");
    RawSqlite raw(storePath());
    ASSERT_TRUE(raw.exec("CREATE TRIGGER refuse BEFORE DELETE ON Contact BEGIN "
                         "SELECT RAISE(ABORT, 'disk refuses'); END;"));
    showList();
    clickRow(0);
    const QPointer<ContactDetailView> page = m_list->detailView();
    ASSERT_NE(page, nullptr);
    const auto deleteFromPage = [&] {
        QTest::mouseClick(child<QPushButton>(m_list->detailView(), "deleteContactButton"),
                          Qt::LeftButton);
        m_confirmation.answer(true);
    };
    deleteFromPage();
    EXPECT_TRUE(logLines().last().startsWith(QStringLiteral("Error saving contact: ")))
        << logLines().join(u'\n').toStdString();
    waitPast();
    EXPECT_FALSE(anna->isDeleted());
    EXPECT_EQ(anna->policies().size(), 1u);
    EXPECT_FALSE(context().hasChanges());
    EXPECT_EQ(raw.query("SELECT firstName FROM Contact"), QStringList{"Anna"});
    EXPECT_EQ(m_list->selectedContact(), anna);
    EXPECT_EQ(m_list->detailView(), page);
    EXPECT_TRUE(page && page->isVisible());
    EXPECT_EQ(text(page, "assignedCount"), QStringLiteral("1 assigned"));
    EXPECT_EQ(listView()->selectionModel()->selectedRows().size(), 1);

    ASSERT_TRUE(raw.exec("DROP TRIGGER refuse"));
    deleteFromPage();
    EXPECT_TRUE(anna->isDeleted());
    EXPECT_TRUE(waitUntil([&] { return m_list->selectedContact() == nullptr; }));
    EXPECT_TRUE(showsEmptyState());
}

} // namespace
