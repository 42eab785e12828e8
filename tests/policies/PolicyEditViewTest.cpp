#include "policies/PolicyEditView.h"

#include "contacts/ContactEditView.h"

#include "support/Child.h"
#include "support/PolicyScreenFixture.h"
#include "support/QtPrinters.h"
#include "support/RawSqlite.h"

#include <QAccessible>
#include <QComboBox>
#include <QDateEdit>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

namespace {

using TimeHelpers::utc;

// A window with a policy editor open over it, on a store file of the test's own, with the
// reminders kept in memory; driven as a user drives it.
class PolicyEditViewTest : public PolicyScreenFixture {
protected:
    void SetUp() override {
        m_controller = open(storePath());
        m_window.resize(900, 800);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }
    void openEditor(std::shared_ptr<Policy> policy = nullptr) {
        m_view = new PolicyEditView(m_world.editor(context()), std::move(policy), &m_window);
        m_view->open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view));
        QApplication::setActiveWindow(m_view);
        ASSERT_TRUE(waitUntil([this] { return QApplication::activeWindow() == m_view; }));
    }
    QWidget* attachment() const { return child<QWidget>(m_view.data(), "pdfAttachment"); }
    QPushButton* saveButton() const { return child<QPushButton>(m_view.data(), "saveButton"); }
    void type(const char* field, const QString& text) {
        QLineEdit* edit = child<QLineEdit>(m_view.data(), field);
        edit->setFocus();
        QTest::keyClicks(edit, text);
    }
    void pressSaveKeys() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    }
    bool closed() {
        return waitUntil([this] { return m_view.isNull(); });
    }
    QStringList stored(const char* columns) {
        RawSqlite raw(storePath());
        return raw.query(QByteArray("SELECT ") + columns + " FROM Policy");
    }
    void refusePolicyWrites(bool refuse) {
        RawSqlite raw(storePath());
        ASSERT_TRUE(raw.exec(refuse ? "CREATE TRIGGER refuse BEFORE INSERT ON Policy BEGIN "
                                      "SELECT RAISE(ABORT, 'disk refuses'); END;"
                                    : "DROP TRIGGER refuse;"));
    }
    std::shared_ptr<Contact> contact(const QString& last, std::optional<QString> phone) {
        auto person = context().insert<Contact>();
        person->setFirstName(QStringLiteral("Anna"));
        person->setLastName(last);
        person->setPhoneNumber(phone);
        EXPECT_TRUE(context().save());
        return person;
    }

    QWidget m_window;
    QPointer<PolicyEditView> m_view;
};

TEST_F(PolicyEditViewTest, ANewPolicyTypedAndSavedWithTheKeyboardKeepsTheTimeOfDay) {
    openEditor();
    EXPECT_EQ(m_view->windowTitle(), QStringLiteral("Nuova Polizza"));
    EXPECT_EQ(child<QLineEdit>(m_view.data(), "reminderDaysField")->text(), QStringLiteral("30"));
    EXPECT_EQ(child<QComboBox>(m_view.data(), "contactPicker")->currentText(),
              QStringLiteral("Nessuno"));
    EXPECT_EQ(attachment(), nullptr);
    EXPECT_FALSE(saveButton()->isEnabled());

    type("nameField", QStringLiteral("Casa"));
    EXPECT_FALSE(saveButton()->isEnabled());
    pressSaveKeys(); // disabled: nothing happens
    type("policyNumberField", QStringLiteral("C-1"));
    EXPECT_TRUE(saveButton()->isEnabled());
    QLineEdit* days = child<QLineEdit>(m_view.data(), "reminderDaysField");
    days->selectAll();
    type("reminderDaysField", QStringLiteral("30, 15, 7"));
    child<QDateEdit>(m_view.data(), "expirationDatePicker")->setDate(QDate(2026, 9, 1));
    pressSaveKeys();
    ASSERT_TRUE(closed());

    // Opened at 10:30 in Rome: the new date keeps that time of day.
    EXPECT_EQ(stored("name, provider, customReminderDays, reminderDays, notes, expirationDate"),
              QStringList{QStringLiteral("Casa||30, 15, 7|30|NULL|%1")
                              .arg(utc("2026-09-01T08:30:00Z").msSinceEpoch())});
    EXPECT_EQ(pendingReminders().size(), 3);
}

TEST_F(PolicyEditViewTest, AFailedSaveKeepsTheSheetOpenAndTheNextStoresOnePolicy) {
    refusePolicyWrites(true);
    openEditor();
    type("nameField", QStringLiteral("Auto"));
    type("policyNumberField", QStringLiteral("A-9"));
    saveButton()->click();
    EXPECT_FALSE(m_view.isNull());
    ASSERT_FALSE(logLines().isEmpty());
    EXPECT_TRUE(logLines().last().startsWith(QStringLiteral("Error saving policy: ")));
    EXPECT_EQ(child<QLineEdit>(m_view.data(), "nameField")->text(), QStringLiteral("Auto"));
    EXPECT_EQ(pendingReminders().size(), 0);

    refusePolicyWrites(false);
    child<QDateEdit>(m_view.data(), "expirationDatePicker")->setDate(QDate(2026, 9, 1));
    saveButton()->click();
    ASSERT_TRUE(closed());
    EXPECT_EQ(stored("name").size(), 1);
    EXPECT_EQ(pendingReminders().size(), 1);
}

TEST_F(PolicyEditViewTest, TheContactCardShowsTheContactsNumberAndNessunoRemovesTheLink) {
    auto withoutPhone = contact(QStringLiteral("Rossi"), QString());
    auto policy = insertPolicy(context(), QStringLiteral("Vita"));
    policy->setContact(withoutPhone);
    policy->setClientPhoneNumber(QStringLiteral("+39 333 1"));
    policy->setCustomReminderDays(std::nullopt);
    policy->setReminderDays(14);
    ASSERT_TRUE(context().save());

    openEditor(policy);
    EXPECT_EQ(m_view->windowTitle(), QStringLiteral("Modifica Polizza"));
    EXPECT_EQ(child<QLineEdit>(m_view.data(), "reminderDaysField")->text(), QStringLiteral("14"));
    auto* pickerLabel = child<QLabel>(m_view.data(), "contactPickerLabel");
    ASSERT_NE(pickerLabel, nullptr);
    EXPECT_TRUE(pickerLabel->isVisible());
    EXPECT_EQ(pickerLabel->text(), QStringLiteral("Seleziona Contatto"));
    EXPECT_EQ(pickerLabel->buddy(), child<QComboBox>(m_view.data(), "contactPicker"));
    EXPECT_EQ(child<QComboBox>(m_view.data(), "contactPicker")->currentText(),
              QStringLiteral("Anna Rossi"));
    EXPECT_EQ(child<QLabel>(m_view.data(), "contactPhoneLabel")->text(),
              QStringLiteral("Nessun numero di telefono"));

    // A contact created from the editor appears in the list, in order, not chosen.
    child<QPushButton>(m_view.data(), "createContactButton")->click();
    auto* contactEditor = m_view->findChild<ContactEditView*>();
    ASSERT_NE(contactEditor, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(contactEditor));
    QApplication::setActiveWindow(contactEditor);
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == contactEditor; }));
    for (const auto& [field, text] :
         {std::pair{"firstNameField", "Anna"}, std::pair{"lastNameField", "Bianchi"},
          std::pair{"phoneNumberField", "+39 06 1"}}) {
        auto* edit = contactEditor->findChild<QLineEdit*>(QLatin1String(field));
        edit->setFocus();
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    QComboBox* picker = child<QComboBox>(m_view.data(), "contactPicker");
    ASSERT_EQ(picker->count(), 3);
    EXPECT_EQ(picker->itemText(1), QStringLiteral("Anna Bianchi"));
    EXPECT_EQ(picker->currentText(), QStringLiteral("Anna Rossi"));
    picker->setCurrentIndex(1);
    EXPECT_EQ(child<QLabel>(m_view.data(), "contactPhoneLabel")->text(),
              QStringLiteral("+39 06 1"));

    picker->setCurrentIndex(0);
    EXPECT_EQ(child<QStackedWidget>(m_view.data(), "phonePages")->currentIndex(), 0);
    // Stored at 01:00 in Rome; a summer date keeps that wall time.
    child<QDateEdit>(m_view.data(), "expirationDatePicker")->setDate(QDate(2030, 6, 1));
    saveButton()->click();
    ASSERT_TRUE(closed());
    EXPECT_EQ(policy->expirationDate(), utc("2030-05-31T23:00:00Z"));
    EXPECT_EQ(policy->contact(), nullptr);
    EXPECT_TRUE(withoutPhone->policiesArray().empty());
    // The hidden phone number was kept.
    EXPECT_EQ(stored("clientPhoneNumber, customReminderDays, reminderDays"),
              QStringList{QStringLiteral("+39 333 1|14|14")});
}

// A stored cycle that no segment names shows none chosen and is saved as it is; choosing a
// segment, the first one too, stores its value.
TEST_F(PolicyEditViewTest, ARenewalCycleNoSegmentNamesIsKeptUntilOneIsChosen) {
    auto policy = insertPolicy(context(), QStringLiteral("Vita"));
    policy->setRenewalType(QStringLiteral("biennial"));
    ASSERT_TRUE(context().save());
    for (const auto& [choice, kept] : {std::pair{"", "biennial"}, std::pair{"yearly", "yearly"}}) {
        openEditor(policy);
        for (const char* segment : {"yearlySegment", "monthlySegment", "quarterlySegment"}) {
            EXPECT_FALSE(child<QToolButton>(m_view.data(), segment)->isChecked()) << segment;
        }
        if (*choice) {
            auto* segment =
                child<QToolButton>(m_view.data(), (std::string(choice) + "Segment").c_str());
            QTest::mouseClick(segment, Qt::LeftButton);
            EXPECT_TRUE(segment->isChecked());
        }
        saveButton()->click();
        ASSERT_TRUE(closed());
        EXPECT_EQ(stored("renewalType"), QStringList{QString::fromLatin1(kept)});
    }
}

TEST_F(PolicyEditViewTest, APickedOrDroppedPdfIsAttachedAndAnythingElseIsNot) {
    const QString pdf = m_dir.filePath(QStringLiteral("Polizza Casa.pdf"));
    {
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1500, 'x'));
    }
    openEditor();
    auto* zone = child<QWidget>(m_view.data(), "dropZone");
    // Told as a button, whose press asks for the file dialog.
    QAccessibleInterface* told = QAccessible::queryAccessibleInterface(zone);
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(told->role(), QAccessible::Button);
    ASSERT_NE(told->actionInterface(), nullptr);
    told->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QFileDialog* picker = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] { return (picker = child<QFileDialog>(m_view.data(), "pdfFileDialog")) != nullptr; }));
    QPointer<QFileDialog> closing(picker);
    picker->selectFile(pdf);
    static_cast<QDialog*>(picker)->accept(); // as its Open button does
    ASSERT_TRUE(waitUntil([&closing] { return closing.isNull(); }));
    ASSERT_TRUE(waitUntil([this] { return attachment() != nullptr; }));
    child<QPushButton>(m_view.data(), "removePdfButton")->click();
    ASSERT_TRUE(waitUntil([this] { return attachment() == nullptr; }));
    QApplication::setActiveWindow(m_view.data());
    ASSERT_TRUE(waitUntil(
        [this] { return QApplication::activeWindow() == m_view && QApplication::focusWidget(); }));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(pdf), QUrl::fromLocalFile(m_dir.filePath("b.pdf"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(zone, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(zone, &drop);
    // Read off the screens' thread: the drop returns before the file is read.
    EXPECT_EQ(attachment(), nullptr);
    ASSERT_TRUE(waitUntil([this] { return attachment() != nullptr; }));
    EXPECT_FALSE(zone->isVisible());
    EXPECT_EQ(child<QLabel>(m_view.data(), "pdfFileSize")->text(), QStringLiteral("1.5 kB"));
    // Not a PDF the renderer can read: attached all the same, and the row says so.
    EXPECT_TRUE(waitUntil([this] {
        return child<QLabel>(m_view.data(), "pdfPageCount")->text() ==
               QStringLiteral("Impossibile mostrare questo documento");
    }));

    child<QPushButton>(m_view.data(), "removePdfButton")->click();
    ASSERT_TRUE(waitUntil([this] { return attachment() == nullptr; }));
    EXPECT_TRUE(zone->isVisible());
    m_view->loadPDF(m_dir.filePath(QStringLiteral("gone.pdf")));
    ASSERT_TRUE(waitUntil(
        [this] { return !logLines().filter(QStringLiteral("Error loading PDF: ")).isEmpty(); }));
    EXPECT_EQ(attachment(), nullptr);

    m_view->loadPDF(pdf);
    ASSERT_TRUE(waitUntil([this] { return attachment() != nullptr; }));
    type("nameField", QStringLiteral("Casa"));
    type("policyNumberField", QStringLiteral("C-1"));
    pressSaveKeys();
    ASSERT_TRUE(closed());
    EXPECT_EQ(stored("length(pdfData), pdfFileName"),
              QStringList{QStringLiteral("1500|Polizza Casa.pdf")});
}

} // namespace
