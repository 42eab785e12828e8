#include "contacts/ContactEditView.h"
#include "support/QtPrinters.h"
#include "support/RawSqlite.h"
#include "support/StoreFixture.h"
#include "support/WaitUntil.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

const QStringList kFields = {QStringLiteral("firstNameField"), QStringLiteral("lastNameField"),
                             QStringLiteral("companyField"), QStringLiteral("phoneNumberField"),
                             QStringLiteral("emailField")};

// A window with a contact editor open over it, on a store file of the test's own, driven as a
// user drives it: keys typed into the focused field, clicks, Escape, Ctrl+Return.
class ContactEditViewTest : public StoreFixture {
protected:
    void SetUp() override {
        m_controller = open(storePath());
        m_window.resize(800, 700);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    ManagedObjectContext& context() { return m_controller->container().viewContext(); }

    void openEditor(std::shared_ptr<Contact> contact = nullptr) {
        m_view = new ContactEditView({.context = context(), .log = *m_log}, std::move(contact),
                                     &m_window);
        m_view->open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view));
        QApplication::setActiveWindow(m_view);
        ASSERT_TRUE(waitUntil([this] { return QApplication::activeWindow() == m_view; }));
    }
    QLineEdit* field(const QString& name) const { return m_view->findChild<QLineEdit*>(name); }
    QPlainTextEdit* notes() const {
        return m_view->findChild<QPlainTextEdit*>(QStringLiteral("notesEditor"));
    }
    QPushButton* button(const char* name) const {
        return m_view->findChild<QPushButton*>(QLatin1String(name));
    }
    void type(QWidget* target, const QString& text) {
        target->setFocus();
        QTest::keyClicks(target, text);
    }
    // Ctrl+Return, or Ctrl+Enter on the keypad.
    void pressSaveKeys(bool keypad = false) {
        QTest::keyClick(QApplication::focusWidget(), keypad ? Qt::Key_Enter : Qt::Key_Return,
                        keypad ? Qt::ControlModifier | Qt::KeypadModifier : Qt::ControlModifier);
    }
    bool closed() {
        return waitUntil([this] { return m_view.isNull(); });
    }
    QStringList storedContacts() {
        RawSqlite raw(storePath());
        return raw.query("SELECT firstName, lastName, email, phoneNumber, company, notes "
                         "FROM Contact ORDER BY lastName");
    }
    std::shared_ptr<Contact> storedContact() {
        auto contact = context().insert<Contact>();
        contact->setFirstName(QStringLiteral("Maria"));
        contact->setLastName(QStringLiteral("Bianchi"));
        contact->setCompany(QStringLiteral("Assicurazioni Sud"));
        contact->setPhoneNumber(QStringLiteral("+39 06 1234"));
        // A non-breaking space and a line break, which a plain text editor must keep as they are.
        contact->setNotes(QStringLiteral("Via Roma\u00A012\nscala B"));
        EXPECT_TRUE(context().save());
        return contact;
    }
    void refuseContactWrites(bool refuse) {
        RawSqlite raw(storePath());
        ASSERT_TRUE(raw.exec(refuse ? "CREATE TRIGGER refuse BEFORE INSERT ON Contact BEGIN "
                                      "SELECT RAISE(ABORT, 'disk refuses'); END;"
                                    : "DROP TRIGGER refuse;"))
            << raw.error().toStdString();
    }

    std::unique_ptr<PersistenceController> m_controller;
    QWidget m_window;
    QPointer<ContactEditView> m_view;
};

TEST_F(ContactEditViewTest, CreateModeOpensEmptyAndSaveWaitsForBothNames) {
    openEditor();
    EXPECT_EQ(m_view->findChild<QLabel*>(QStringLiteral("sheetTitle"))->text(),
              QStringLiteral("Nuovo Contatto"));
    EXPECT_EQ(m_view->windowModality(), Qt::WindowModal);
    for (const QString& name : kFields) {
        ASSERT_NE(field(name), nullptr) << name.toStdString();
        EXPECT_TRUE(field(name)->text().isEmpty()) << name.toStdString();
    }
    EXPECT_TRUE(notes()->toPlainText().isEmpty());
    QPushButton* save = button("saveButton");
    EXPECT_EQ(save->text(), QStringLiteral("Salva Contatto"));
    EXPECT_FALSE(save->isEnabled());

    type(field(QStringLiteral("firstNameField")), QStringLiteral("Anna"));
    EXPECT_FALSE(save->isEnabled());
    pressSaveKeys(); // disabled: nothing happens
    pressSaveKeys(true);
    EXPECT_FALSE(m_view.isNull());
    type(field(QStringLiteral("lastNameField")), QStringLiteral(" "));
    EXPECT_TRUE(save->isEnabled());
    QTest::keyClick(field(QStringLiteral("lastNameField")), Qt::Key_Backspace);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_TRUE(storedContacts().isEmpty());
}

TEST_F(ContactEditViewTest, EveryControlIsNamedAndTabFollowsTheForm) {
    openEditor();
    const QStringList order =
        kFields + QStringList{QStringLiteral("notesEditor"), QStringLiteral("cancelButton"),
                              QStringLiteral("saveButton")};
    type(field(QStringLiteral("firstNameField")), QStringLiteral("Ada")); // enables save
    type(field(QStringLiteral("lastNameField")), QStringLiteral("Verdi"));
    field(QStringLiteral("firstNameField"))->setFocus();
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), order[i]);
    }
    for (QWidget* control : m_view->findChildren<QWidget*>()) {
        if (control->focusPolicy() & Qt::TabFocus) {
            EXPECT_FALSE(control->objectName().isEmpty());
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->objectName().toStdString();
        }
    }
    EXPECT_EQ(field(QStringLiteral("phoneNumberField"))->accessibleName(),
              QStringLiteral("Numero di Telefono"));
    EXPECT_EQ(field(QStringLiteral("companyField"))->placeholderText(),
              QStringLiteral("Azienda / Organizzazione"));
}

TEST_F(ContactEditViewTest, SavesTextsAsTypedAndEmptyOptionalsAsAbsent) {
    openEditor();
    type(field(QStringLiteral("firstNameField")), QStringLiteral(" "));
    type(field(QStringLiteral("lastNameField")), QStringLiteral("Rossi"));
    type(field(QStringLiteral("emailField")), QStringLiteral("  anna@example.it "));
    type(notes(), QStringLiteral("Chiamare "));
    // Return in a field presses no button: the sheet stays open.
    QTest::keyClick(field(QStringLiteral("emailField")), Qt::Key_Return);
    ASSERT_FALSE(m_view.isNull());
    EXPECT_TRUE(m_view->isVisible());
    field(QStringLiteral("emailField"))->setFocus();
    pressSaveKeys(true);
    ASSERT_TRUE(closed());
    EXPECT_EQ(storedContacts(),
              QStringList{QStringLiteral(" |Rossi|  anna@example.it |NULL|NULL|Chiamare ")});
}

TEST_F(ContactEditViewTest, EditModeShowsValuesAndEmptyingAFieldRemovesIt) {
    auto contact = storedContact();
    // Longer than a line edit holds by default: it must come back whole.
    const QString longPhone = QStringLiteral("+39 ") + QString(40000, u'5');
    contact->setPhoneNumber(longPhone);
    ASSERT_TRUE(context().save());
    openEditor(contact);
    EXPECT_EQ(m_view->findChild<QLabel*>(QStringLiteral("sheetTitle"))->text(),
              QStringLiteral("Modifica Contatto"));
    EXPECT_EQ(field(QStringLiteral("firstNameField"))->text(), QStringLiteral("Maria"));
    EXPECT_EQ(field(QStringLiteral("companyField"))->text(), QStringLiteral("Assicurazioni Sud"));
    EXPECT_TRUE(field(QStringLiteral("emailField"))->text().isEmpty());
    EXPECT_TRUE(button("saveButton")->isEnabled());

    field(QStringLiteral("companyField"))->clear();
    QTest::mouseClick(button("saveButton"), Qt::LeftButton);
    ASSERT_TRUE(closed());
    EXPECT_EQ(
        storedContacts(),
        QStringList{
            QStringLiteral("Maria|Bianchi|NULL|%1|NULL|Via Roma\u00A012\nscala B").arg(longPhone)});
}

TEST_F(ContactEditViewTest, EscapeAndEitherCancelCloseWithoutSaving) {
    for (const char* how : {"escape", "headerCancelButton", "cancelButton"}) {
        openEditor(storedContact());
        type(field(QStringLiteral("lastNameField")), QStringLiteral("X"));
        if (QLatin1String(how) == QLatin1String("escape")) {
            QTest::keyClick(notes(), Qt::Key_Escape);
        } else {
            QTest::mouseClick(button(how), Qt::LeftButton);
        }
        ASSERT_TRUE(closed()) << how;
    }
    EXPECT_FALSE(context().hasChanges());
    EXPECT_EQ(storedContacts().size(), 3);
    EXPECT_FALSE(storedContacts().join(u'\n').contains(QStringLiteral("BianchiX")));
}

TEST_F(ContactEditViewTest, FailedSaveKeepsTheSheetAndASecondSaveStoresOneContact) {
    openEditor();
    refuseContactWrites(true);
    type(field(QStringLiteral("firstNameField")), QStringLiteral("Luca"));
    type(field(QStringLiteral("lastNameField")), QStringLiteral("Neri"));
    QTest::mouseClick(button("saveButton"), Qt::LeftButton);
    ASSERT_FALSE(m_view.isNull());
    EXPECT_TRUE(m_view->isVisible());
    EXPECT_EQ(field(QStringLiteral("lastNameField"))->text(), QStringLiteral("Neri"));
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Error saving contact: ")))
        << lines[0].toStdString();
    // Nothing half-saved stays behind in the context.
    EXPECT_FALSE(context().hasChanges());
    EXPECT_TRUE(context().fetch(Contact::fetchRequest()).empty());

    refuseContactWrites(false);
    field(QStringLiteral("lastNameField"))->setFocus();
    pressSaveKeys();
    ASSERT_TRUE(closed());
    EXPECT_EQ(storedContacts(), QStringList{QStringLiteral("Luca|Neri|NULL|NULL|NULL|NULL")});
}

TEST_F(ContactEditViewTest, CancelAfterAFailedEditLeavesTheContactAsStored) {
    auto contact = storedContact();
    openEditor(contact);
    RawSqlite raw(storePath());
    ASSERT_TRUE(raw.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Contact BEGIN "
                         "SELECT RAISE(ABORT, 'disk refuses'); END;"));
    type(field(QStringLiteral("lastNameField")), QStringLiteral("X"));
    QTest::mouseClick(button("saveButton"), Qt::LeftButton);
    ASSERT_FALSE(m_view.isNull());
    QTest::mouseClick(button("cancelButton"), Qt::LeftButton);
    ASSERT_TRUE(closed());
    EXPECT_EQ(contact->lastName(), QStringLiteral("Bianchi"));
    EXPECT_FALSE(context().hasChanges());
}

} // namespace
