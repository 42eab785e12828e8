#include "app/ContentView.h"

#include "agenda/EventEditView.h"

#include "contacts/ContactEditView.h"
#include "contacts/ContactListView.h"
#include "contacts/ContactPolicyRows.h"
#include "policies/PolicyDetailView.h"
#include "reminders/EventReminders.h"
#include "support/Child.h"
#include "support/PolicyScreenFixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// The main window over an in-memory store, with a settings file and a notification center of
// the test's own.
class ContentViewTest : public PolicyScreenFixture {
protected:
    ContentViewTest()
        : m_settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat) {
        QObject::connect(&m_center, &NotificationCenter::posted,
                         [this](const QString& name) { m_posted << name; });
    }
    void SetUp() override { show(); }

    void show() {
        m_window = std::make_unique<ContentView>(m_world.window(context(), m_settings));
        m_firstPaints = 0;
        QObject::connect(m_window.get(), &ContentView::firstPainted, [this] { ++m_firstPaints; });
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        QApplication::setActiveWindow(m_window.get());
    }
    QList<PolicyEditView*> editors() const { return m_window->findChildren<PolicyEditView*>(); }
    // The one editor open, which the test then closes.
    bool oneNewPolicyEditorOpened() {
        if (!waitUntil([this] { return editors().size() == 1; })) {
            return false;
        }
        QPointer<PolicyEditView> editor = editors().first();
        const bool fresh =
            editor->windowTitle() == QStringLiteral("Nuova Polizza") && editor->isVisible();
        m_center.post(NotificationName::newPolicy); // no second editor over the first
        const bool alone = editors().size() == 1 && editors().first() == editor;
        editor->reject();
        const bool closed = waitUntil([&editor] { return editor.isNull(); });
        QApplication::setActiveWindow(m_window.get());
        return fresh && alone && closed;
    }
    QWidget* shown() const {
        return child<QWidget>(m_window.get(), "contentColumn")
            ->findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly)
            ->currentWidget();
    }
    QString section() const { return shown()->objectName(); }
    // The search field of the section shown (one left a moment ago may await its deletion).
    QLineEdit* search(const char* name) const {
        return shown()->findChild<QLineEdit*>(QLatin1String(name));
    }

    QSettings m_settings;
    QStringList m_posted;
    int m_firstPaints = 0;
    std::unique_ptr<ContentView> m_window;
};

TEST_F(ContentViewTest, OpensOnThePoliciesAndTheSidebarSwitchesSections) {
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Quintaver Scheduler"));
    // The panel icon starts once the window is on screen, and only once.
    EXPECT_TRUE(waitUntil([this] { return m_firstPaints == 1; }));
    m_window->repaint();
    auto* policies = child<QToolButton>(m_window.get(), "policiesRow");
    auto* contacts = child<QToolButton>(m_window.get(), "contactsRow");
    EXPECT_EQ(section(), QStringLiteral("policyListView"));
    EXPECT_TRUE(policies->isChecked());
    EXPECT_FALSE(contacts->isChecked());

    QTest::keyClicks(child<QLineEdit>(m_window.get(), "policySearchField"), QStringLiteral("Casa"));
    contacts->click();
    EXPECT_EQ(section(), QStringLiteral("contactListView"));
    EXPECT_FALSE(policies->isChecked());
    EXPECT_TRUE(contacts->isChecked());
    QTest::keyClicks(search("contactSearchField"), QStringLiteral("Rossi"));
    policies->click();
    policies->click();
    EXPECT_EQ(section(), QStringLiteral("policyListView"));
    EXPECT_TRUE(policies->isChecked());
    // Back in a section, it starts afresh.
    EXPECT_TRUE(search("policySearchField")->text().isEmpty());
    contacts->click();
    EXPECT_TRUE(search("contactSearchField")->text().isEmpty());
    auto* agenda = child<QToolButton>(m_window.get(), "agendaRow");
    agenda->click();
    EXPECT_EQ(section(), QStringLiteral("agendaView"));
    EXPECT_TRUE(agenda->isChecked());
    EXPECT_FALSE(contacts->isChecked());
    policies->click();
    EXPECT_EQ(section(), QStringLiteral("policyListView"));
    EXPECT_EQ(m_window->agendaView(), nullptr);
    EXPECT_EQ(m_firstPaints, 1);
}

// An opened event reminder whose event is stored shows the agenda on the reminded occurrence's
// day with the event chosen, a task's on its due day; one whose item is not stored (deleted,
// or never ours) keeps the rule of its prefix.
TEST_F(ContentViewTest, AnOpenedEventOrTaskReminderLeadsToItsItemInTheAgenda) {
    m_reminders->setOpenedItemHandler([this](const NotificationManager::OpenedItem& item) {
        return m_window->openRemindedItem(item);
    });
    auto weekly = context().insert<Event>();
    weekly->setTitle(QStringLiteral("Giro clienti"));
    weekly->setStartDate(TimeHelpers::utc("2026-03-10T08:00:00Z"));
    weekly->setEndDate(TimeHelpers::utc("2026-03-10T09:00:00Z"));
    weekly->setRecurrenceRule(QStringLiteral("FREQ=WEEKLY"));
    auto papers = context().insert<Task>();
    papers->setTitle(QStringLiteral("Documenti"));
    papers->setDueDate(TimeHelpers::utc("2026-04-02T15:00:00Z"));
    auto gone = context().insert<Event>();
    gone->setTitle(QStringLiteral("Annullato"));
    gone->setStartDate(TimeHelpers::utc("2026-03-11T08:00:00Z"));
    gone->setEndDate(TimeHelpers::utc("2026-03-11T09:00:00Z"));
    ASSERT_TRUE(context().save());
    const QString goneId = NotificationManager::identifierText(*gone);
    context().deleteObject(gone.get());
    ASSERT_TRUE(context().save());
    const auto open = [this](const QString& identifier) {
        m_reminders->userNotificationCenterDidReceive(identifier, [] {});
    };

    // The third occurrence, 24 March at 09:00 in Rome.
    open(EventReminders::identifier(NotificationManager::identifierText(*weekly),
                                    TimeHelpers::utc("2026-03-24T08:00:00Z")));
    ASSERT_EQ(section(), QStringLiteral("agendaView"));
    EXPECT_EQ(m_window->agendaView()->selectedDay(), QDate(2026, 3, 24));
    EXPECT_EQ(m_window->agendaView()->selectedItem(), weekly);
    open(QStringLiteral("task-") + NotificationManager::identifierText(*papers));
    EXPECT_EQ(m_window->agendaView()->selectedDay(), QDate(2026, 4, 2));
    EXPECT_EQ(m_window->agendaView()->selectedItem(), papers);
    EXPECT_TRUE(m_posted.isEmpty());

    open(EventReminders::identifier(goneId, TimeHelpers::utc("2026-03-11T08:00:00Z")));
    open(QStringLiteral("task-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(m_posted, (QStringList{NotificationName::newEvent, NotificationName::newTask}));
    EXPECT_EQ(m_window->agendaView()->selectedItem(), papers);
}

TEST_F(ContentViewTest, EveryWayToANewPolicyOpensOneEmptyEditor) {
    m_window->findChild<QToolButton*>(QStringLiteral("newPolicyToolButton"))->click();
    EXPECT_TRUE(oneNewPolicyEditorOpened());
    QTest::keyClick(m_window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(oneNewPolicyEditorOpened());
    child<QAction>(m_window.get(), "newPolicyAction")->trigger();
    EXPECT_TRUE(oneNewPolicyEditorOpened());
    m_center.post(NotificationName::newPolicy);
    EXPECT_TRUE(oneNewPolicyEditorOpened());
    child<QPushButton>(m_window.get(), "addPolicyButton")->click();
    EXPECT_TRUE(oneNewPolicyEditorOpened());

    m_posted.clear();
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m_posted, QStringList{"showSharing"});
    EXPECT_TRUE(editors().isEmpty());
}

// New Event (Ctrl+N) and New Task (Ctrl+T) post their names, which open one empty sheet each,
// never over another sheet; Quit asks about their changes as about a policy's.
TEST_F(ContentViewTest, NewEventAndNewTaskOpenTheirSheetsOneAtATime) {
    m_settings.setValue(QStringLiteral("defaultReminderTime"), 30);
    const auto sheetOpened = [this](const char* name, const QString& title) {
        const bool open = waitUntil([this, name] {
            auto* sheet = m_window->findChild<EditorSheet*>(QLatin1String(name));
            return sheet && sheet->isVisible();
        });
        return open &&
               m_window->findChild<EditorSheet*>(QLatin1String(name))->windowTitle() == title;
    };
    QTest::keyClick(m_window.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(sheetOpened("eventEditView", QStringLiteral("Nuovo Evento")));
    QPointer<EventEditView> event = m_window->findChild<EventEditView*>();
    EXPECT_EQ(event->draft().reminderMinutes, 30);
    m_center.post(NotificationName::newTask);
    m_center.post(NotificationName::newEvent);
    EXPECT_EQ(m_window->findChildren<EditorSheet*>().size(), 1);

    event->findChild<QLineEdit*>(QStringLiteral("eventTitleField"))
        ->setText(QStringLiteral("Visita"));
    m_window->quit();
    ASSERT_EQ(m_confirmation.savesAsked.size(), 1);
    m_confirmation.answerSave(Confirmation::SaveAnswer::Save);
    EXPECT_TRUE(waitUntil([&event] { return event.isNull(); }));
    EXPECT_EQ(m_desktop.quitRequests, 1);
    ASSERT_EQ(context().fetch(Event::fetchRequest()).size(), 1u);
    const QUuid id = context().fetch(Event::fetchRequest()).front()->id();

    QApplication::setActiveWindow(m_window.get());
    QTest::keyClick(m_window.get(), Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(sheetOpened("taskEditView", QStringLiteral("Nuovo Compito")));
    QPointer<EditorSheet> task = m_window->findChild<EditorSheet*>(QStringLiteral("taskEditView"));
    task->reject();
    EXPECT_TRUE(waitUntil([&task] { return task.isNull(); }));
    m_window->openEventEditor(id);
    EXPECT_TRUE(sheetOpened("eventEditView", QStringLiteral("Modifica Evento")));
}

TEST_F(ContentViewTest, KeepsItsSizeBetweenRunsAndOffersPreferencesAndQuit) {
    m_window->resize(1234, 777);
    m_window->close();
    show();
    EXPECT_EQ(m_window->size(), QSize(1234, 777));

    int preferences = 0;
    QObject::connect(m_window.get(), &ContentView::preferencesRequested,
                     [&preferences] { ++preferences; });
    QTest::keyClick(m_window.get(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(preferences, 1);
    QTest::keyClick(m_window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(m_desktop.quitRequests, 1);
}

// A policy on a contact's page opens in the policy section, chosen and shown: by a click,
// and by Return on the row the arrow keys reached.
TEST_F(ContentViewTest, APolicyOnAContactsPageOpensInThePolicySection) {
    auto anna = context().insert<Contact>();
    anna->setFirstName(QStringLiteral("Anna"));
    anna->setLastName(QStringLiteral("Rossi"));
    auto casa =
        insertPolicy(context(), QStringLiteral("Casa"), TimeHelpers::utc("2026-05-01T09:00:00Z"));
    auto vita =
        insertPolicy(context(), QStringLiteral("Vita"), TimeHelpers::utc("2026-06-01T09:00:00Z"));
    insertPolicy(context(), QStringLiteral("Altro"), TimeHelpers::utc("2026-04-01T09:00:00Z"));
    casa->setContact(anna);
    vita->setContact(anna);
    ASSERT_TRUE(context().save());
    const auto openContactsPage = [this]() -> ContactPolicyRows* {
        child<QToolButton>(m_window.get(), "contactsRow")->click();
        auto* contacts = qobject_cast<ContactListView*>(shown());
        if (!contacts) {
            return nullptr;
        }
        auto* list = contacts->findChild<QListView*>(QStringLiteral("contactList"));
        list->selectionModel()->setCurrentIndex(list->model()->index(0, 0),
                                                QItemSelectionModel::ClearAndSelect);
        return contacts->detailView() ? contacts->detailView()->findChild<ContactPolicyRows*>()
                                      : nullptr;
    };
    const auto opened = [this](const std::shared_ptr<Policy>& policy) {
        if (!waitUntil([this] { return section() == QStringLiteral("policyListView"); })) {
            return false;
        }
        auto* pane = qobject_cast<PolicyDetailView*>(
            child<QStackedWidget>(m_window.get(), "policyPane")->currentWidget());
        return m_window->selectedTab() == 1 &&
               child<QToolButton>(m_window.get(), "policiesRow")->isChecked() &&
               m_window->policyList().selectedPolicy() == policy && pane &&
               pane->policy() == policy;
    };

    ContactPolicyRows* rows = openContactsPage();
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->rows().size(), 2u);
    QTest::mouseClick(rows, Qt::LeftButton, {}, rows->rowRect(1).center());
    EXPECT_TRUE(opened(vita));

    rows = openContactsPage();
    ASSERT_NE(rows, nullptr);
    rows->setFocus();
    QTest::keyClick(rows, Qt::Key_Down);
    QTest::keyClick(rows, Qt::Key_Up);
    QTest::keyClick(rows, Qt::Key_Return);
    EXPECT_TRUE(opened(casa));
}

// An editor holding changes is asked about once before the program quits.
struct QuitCase {
    Confirmation::SaveAnswer answer;
    bool nameEmptied; // the save button disabled, so "Salva" cannot save
    bool quits;
    bool editorOpen;
    const char* storedName;
};
void PrintTo(const QuitCase& c, std::ostream* out) {
    const char* const answers[] = {"Salva", "Non Salvare", "Annulla"};
    *out << answers[int(c.answer)] << (c.nameEmptied ? ", name emptied" : "");
}

class QuitWithAnEditor : public ContentViewTest, public ::testing::WithParamInterface<QuitCase> {
protected:
    PolicyEditView* openEditor(const std::shared_ptr<Policy>& policy) {
        auto* editor = new PolicyEditView(m_services, policy, m_window.get());
        editor->open();
        return QTest::qWaitForWindowExposed(editor) ? editor : nullptr;
    }
    PolicyEditView::Services m_services = m_world.editor(context());
};

TEST_P(QuitWithAnEditor, AsksOnceAndQuitsOnlyWhenNothingIsLost) {
    const QuitCase& c = GetParam();
    auto casa = insertPolicy(context(), QStringLiteral("Casa"));
    ASSERT_TRUE(context().save());
    QPointer<PolicyEditView> editor = openEditor(casa);
    ASSERT_NE(editor, nullptr);
    auto* name = editor->findChild<QLineEdit*>(QStringLiteral("nameField"));
    name->setText(c.nameEmptied ? QString() : QStringLiteral("Casa al mare"));
    // A contact being made from the editor, with its own changes: one question for both.
    auto* contact = new ContactEditView(m_world.contactEditor(context()), nullptr, editor);
    contact->open();
    contact->findChild<QLineEdit*>(QStringLiteral("firstNameField"))
        ->setText(QStringLiteral("Anna"));
    contact->findChild<QLineEdit*>(QStringLiteral("lastNameField"))
        ->setText(QStringLiteral("Rossi"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(contact));

    // Ctrl+Q reaches Quit from the sheet on top, whose window-modality blocks the menu.
    QApplication::setActiveWindow(contact);
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == contact; }));
    QTest::keyClick(contact, Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(m_confirmation.savesAsked.size(), 1);
    const Confirmation::SaveQuestion& question = m_confirmation.savesAsked.first();
    EXPECT_EQ(question.title, QStringLiteral("Salvare le modifiche?"));
    EXPECT_EQ(question.saveText, QStringLiteral("Salva"));
    EXPECT_EQ(question.dontSaveText, QStringLiteral("Non Salvare"));
    EXPECT_EQ(question.cancelText, QStringLiteral("Annulla"));
    m_window->quit(); // asked again while the question is open: still one question
    EXPECT_EQ(m_confirmation.savesAsked.size(), 1);

    m_confirmation.answerSave(c.answer);
    EXPECT_EQ(m_desktop.quitRequests, c.quits ? 1 : 0);
    waitPast();
    EXPECT_EQ(!editor.isNull() && editor->isVisible(), c.editorOpen);
    EXPECT_EQ(casa->name(), QLatin1String(c.storedName));
    EXPECT_FALSE(context().hasChanges());
}

using Answer = Confirmation::SaveAnswer;
INSTANTIATE_TEST_SUITE_P(Answers, QuitWithAnEditor,
                         ::testing::Values(QuitCase{Answer::Save, false, true, false,
                                                    "Casa al mare"},
                                           QuitCase{Answer::Save, true, false, true, "Casa"},
                                           QuitCase{Answer::DontSave, false, true, false, "Casa"},
                                           QuitCase{Answer::Cancel, false, false, true, "Casa"}));

// An editor without changes closes quietly; the session's end asks as Quit does, waits for
// the answer, and asks nothing when it may not.
TEST_F(QuitWithAnEditor, UnchangedEditorsQuitQuietlyAndTheSessionEndAsksTheSame) {
    auto casa = insertPolicy(context(), QStringLiteral("Casa"));
    ASSERT_TRUE(context().save());
    QPointer<PolicyEditView> editor = openEditor(casa);
    ASSERT_NE(editor, nullptr);
    child<QAction>(m_window.get(), "quitAction")->trigger();
    EXPECT_TRUE(m_confirmation.savesAsked.isEmpty());
    EXPECT_EQ(m_desktop.quitRequests, 1);
    EXPECT_TRUE(m_window->agreeToSessionEnd([] { return true; }));

    editor->findChild<QLineEdit*>(QStringLiteral("nameField"))->setText(QStringLiteral("Vita"));
    int asks = 0;
    EXPECT_TRUE(m_window->agreeToSessionEnd([&asks] { return ++asks, false; }));
    EXPECT_EQ(asks, 1);
    EXPECT_TRUE(m_confirmation.savesAsked.isEmpty());
    for (const Answer answer : {Answer::Cancel, Answer::Save}) {
        QTimer::singleShot(0, [this, answer] { m_confirmation.answerSave(answer); });
        EXPECT_EQ(m_window->agreeToSessionEnd([] { return true; }), answer == Answer::Save);
    }
    EXPECT_EQ(m_confirmation.savesAsked.size(), 2);
    EXPECT_EQ(casa->name(), QStringLiteral("Vita"));
    EXPECT_EQ(m_desktop.quitRequests, 1);
}

// "Esporta Calendario...", beside "Esporta...", writes the book as a calendar file and says
// what it holds; a file that cannot be written is said, and logged, and nothing is left.
TEST_F(ContentViewTest, ExportingTheCalendarWritesTheFileOrSaysWhyNot) {
    auto* action = child<QAction>(m_window.get(), "exportCalendarAction");
    EXPECT_EQ(action->text(), "Esporta Calendario...");
    const QList<QAction*> file = child<QMenu>(m_window.get(), "fileMenu")->actions();
    ASSERT_GT(file.indexOf(action), 0);
    EXPECT_EQ(file[file.indexOf(action) - 1]->objectName(), "exportAction");
    insertPolicy(context(), QStringLiteral("Casa"));
    insertPolicy(context(), QStringLiteral("Auto"));
    ASSERT_TRUE(context().save());

    auto* notice = child<QLabel>(m_window.get(), "noticeText");
    const QString path = m_dir.filePath(QStringLiteral("Quintaver.ics"));
    m_window->exportCalendarTo(path);
    ASSERT_TRUE(waitUntil([&] { return notice->text().startsWith("Calendario esportato"); }));
    EXPECT_EQ(
        notice->text(),
        QStringLiteral("Calendario esportato in %1: 2 scadenze, 0 eventi e 0 attività").arg(path));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    EXPECT_EQ(text.count("BEGIN:VEVENT"), 2);
    EXPECT_TRUE(text.contains("SUMMARY:Scadenza: Casa (N-Casa)"));

    const QString nowhere = m_dir.filePath(QStringLiteral("missing/Quintaver.ics"));
    m_window->exportCalendarTo(nowhere);
    ASSERT_TRUE(waitUntil([&] { return notice->text().startsWith("Calendario non esportato"); }));
    EXPECT_TRUE(logLines().last().startsWith("Error exporting calendar: "));
    EXPECT_FALSE(QFile::exists(nowhere));

    m_window->showStoreProblem(QStringLiteral("Error loading persistent stores: damaged"));
    EXPECT_FALSE(action->isEnabled());
}

} // namespace
