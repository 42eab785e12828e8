// Every screen as a keyboard user and a screen reader meet it: every control the pictures show
// has a name, and Tab visits every control of each sheet once and comes back.
#include "AllScreens.h"
#include "ScreenCamera.h"
#include "agenda/EventEditView.h"
#include "agenda/TaskEditView.h"
#include "app/ContentView.h"
#include "app/MenuBarView.h"
#include "contacts/ContactEditView.h"
#include "importexport/ExportSheet.h"
#include "importexport/ImportSheet.h"
#include "importexport/RenewalReportSheet.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "platform/LogChannel.h"
#include "policies/PDFViewer.h"
#include "policies/PolicyEditView.h"
#include "recovery/DamagedStorePage.h"
#include "recovery/RestoreSheet.h"
#include "support/Child.h"
#include "support/PolicyScreenFixture.h"
#include "support/TabChain.h"
#include "support/TestPdfs.h"
#include "ui/SegmentedControl.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QScrollArea>
#include <QSettings>
#include <QToolButton>

#include <functional>
#include <set>

namespace {

// Looks at every window on show in every picture for a control without a name.
class NameCamera final : public ScreenCamera {
public:
    bool take(const QPixmap&, const QString& name) override {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible()) {
                continue;
            }
            for (QWidget* control : TabChain::interactive(*window)) {
                // What a screen reader reads: the accessible name, else a button's text or a
                // field's label.
                QAccessibleInterface* told = QAccessible::queryAccessibleInterface(control);
                if (!told || told->text(QAccessible::Name).trimmed().isEmpty()) {
                    nameless.insert(QStringLiteral("%1: %2 (%3)")
                                        .arg(name, control->objectName(),
                                             QLatin1String(control->metaObject()->className()))
                                        .toStdString());
                }
            }
        }
        return true;
    }
    std::set<std::string> nameless;
};

TEST(ScreenReader, EveryControlOnEveryPictureHasAName) {
    ManualClock clock(screensInstant());
    NameCamera camera;
    ASSERT_TRUE(shootAllScreens(camera, clock, LogChannel::standardOutput()));
    EXPECT_EQ(camera.nameless, std::set<std::string>());
}

// A sheet to walk, made over the fixture's store.
struct Sheet {
    const char* name;
    std::function<QDialog*(PolicyScreenFixture&)> make;
};

void PrintTo(const Sheet& sheet, std::ostream* out) {
    *out << sheet.name;
}

class TabChains : public PolicyScreenFixture, public ::testing::WithParamInterface<Sheet> {
public:
    ManagedObjectContext& store() { return context(); }
    ScreenWorld& world() { return m_world; }
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        return path;
    }
    LogChannel& log() { return *m_log; }
    const Clock& clock() { return m_clock; }
    Instant later(qint64 seconds) const {
        return Instant(m_clock.now().msSinceEpoch() + seconds * 1000);
    }
    // One automatic backup of a policy, in the world's folder of backups.
    QString backup() {
        const QString folder = m_world.backups.folder();
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/QuintaverModel-2026-03-09-090000.sqlite");
        auto controller = open(path);
        insertPolicy(controller->container().viewContext(), QStringLiteral("Casa"));
        controller->container().viewContext().save();
        return path;
    }
    RestoreSheet::Services restoreServices() {
        return {.context = store(),
                .clock = m_clock,
                .log = *m_log,
                .confirmation = m_world.answers,
                .folder = m_world.backups.folder(),
                .restoreBackup = m_world.restoreBackup()};
    }
};

std::shared_ptr<Policy> policyWithDocument(TabChains& test) {
    auto policy = TabChains::insertPolicy(test.store(), QStringLiteral("Casa"));
    policy->setPdfData(TestPdfs::pages(2));
    policy->setPdfFileName(QStringLiteral("condizioni.pdf"));
    test.store().save();
    return policy;
}

const Sheet kSheets[] = {
    {"NewPolicy",
     [](PolicyScreenFixture& fixture) -> QDialog* {
         auto& test = static_cast<TabChains&>(fixture);
         return new PolicyEditView(test.world().editor(test.store()), nullptr);
     }},
    {"PolicyWithDocument",
     [](PolicyScreenFixture& fixture) -> QDialog* {
         auto& test = static_cast<TabChains&>(fixture);
         return new PolicyEditView(test.world().editor(test.store()), policyWithDocument(test));
     }},
    {"NewContact",
     [](PolicyScreenFixture& fixture) -> QDialog* {
         auto& test = static_cast<TabChains&>(fixture);
         return new ContactEditView(test.world().contactEditor(test.store()), nullptr);
     }},
    {"EventWithRepeat",
     [](PolicyScreenFixture& fixture) -> QDialog* {
         auto& test = static_cast<TabChains&>(fixture);
         auto event = test.store().insert<Event>();
         event->setTitle(QStringLiteral("Visita"));
         event->setStartDate(test.clock().now());
         event->setEndDate(test.clock().now());
         event->setRecurrenceRule(QStringLiteral("FREQ=DAILY;COUNT=3"));
         test.store().save();
         return new EventEditView({.context = test.store(),
                                   .reminders = *test.world().reminders,
                                   .clock = test.clock(),
                                   .log = test.log(),
                                   .confirmation = test.world().answers},
                                  event);
     }},
    {"TaskWithChecklist",
     [](PolicyScreenFixture& fixture) -> QDialog* {
         auto& test = static_cast<TabChains&>(fixture);
         auto task = test.store().insert<Task>();
         task->setTitle(QStringLiteral("Rinnovo"));
         task->setSubtasks(QStringLiteral("[ ] Firma\n[x] Quietanza"));
         test.store().save();
         return new TaskEditView({.context = test.store(),
                                  .reminders = *test.world().reminders,
                                  .clock = test.clock(),
                                  .log = test.log(),
                                  .confirmation = test.world().answers},
                                 task);
     }},
    {"Import",
     [](PolicyScreenFixture& fixture) -> QDialog* {
         auto& test = static_cast<TabChains&>(fixture);
         const QString path = test.file(
             QStringLiteral("libro.csv"),
             "Nome;Cognome;N. Polizza;Prodotto;Scadenza\r\nGiulia;Ferraris;A-1;Auto;1/3/2027\r\n");
         auto* sheet = new ImportSheet({.context = test.store(),
                                        .reminders = *test.world().reminders,
                                        .clock = test.clock(),
                                        .log = test.log()},
                                       path);
         waitUntil([sheet] { return !sheet->session().isBusy(); });
         return sheet;
     }},
    {"Export",
     [](PolicyScreenFixture& fixture) -> QDialog* {
         auto& test = static_cast<TabChains&>(fixture);
         return new ExportSheet(
             {.context = test.store(),
              .clock = test.clock(),
              .log = test.log(),
              .shownPolicies = [] { return std::vector<std::shared_ptr<Policy>>(); }});
     }},
    {"RenewalReport",
     [](PolicyScreenFixture& fixture) -> QDialog* {
         auto& test = static_cast<TabChains&>(fixture);
         return new RenewalReportSheet(
             {.context = test.store(), .clock = test.clock(), .log = test.log(), .heading = {}});
     }},
    {"Restore",
     [](PolicyScreenFixture& fixture) -> QDialog* {
         auto& test = static_cast<TabChains&>(fixture);
         test.backup();
         auto* sheet = new RestoreSheet(test.restoreServices());
         waitUntil([sheet] { return !sheet->isListing(); });
         return sheet;
     }},
};

TEST_P(TabChains, VisitEveryControlOnceAndComeBack) {
    std::unique_ptr<QDialog> sheet(GetParam().make(*this));
    sheet->setAttribute(Qt::WA_DeleteOnClose, false);
    sheet->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
    // The chain is laid once the form has had its layout.
    QApplication::processEvents();
    QWidget* first = child<QWidget>(sheet.get(), "headerCancelButton");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(TabChain::faults(*sheet, first).join(u'\n').toStdString(), "");
    // The header's "Annulla" is the first stop, the buttons' row the last.
    const std::vector<QWidget*> chain = TabChain::walk(*sheet, first);
    ASSERT_GE(chain.size(), 2u);
    const QString last = chain[chain.size() - 2]->objectName();
    EXPECT_TRUE(last == u"saveButton" || last == u"cancelButton") << last.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Sheets, TabChains, ::testing::ValuesIn(kSheets),
                         [](const auto& tested) { return std::string(tested.param.name); });

using PageTabChain = TabChains;

// The page of a store that could not be opened: the backup offered, then the other ways.
TEST_F(PageTabChain, TheDamagedStorePageGoesFromTheOfferToTheOtherWays) {
    backup();
    const RestoreSheet::Services services = restoreServices();
    DamagedStorePage page({.context = services.context,
                           .clock = services.clock,
                           .log = services.log,
                           .confirmation = services.confirmation,
                           .desktop = m_world.desktop,
                           .folder = services.folder,
                           .restoreBackup = services.restoreBackup},
                          QStringLiteral("file is not a database"));
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    ASSERT_TRUE(waitUntil([&page] { return !page.isLooking(); }));
    auto* offered = child<QWidget>(&page, "restoreOfferedButton");
    EXPECT_EQ(TabChain::faults(page, offered).join(u'\n').toStdString(), "");
    QStringList names;
    for (const QWidget* stop : TabChain::walk(page, offered)) {
        names << stop->objectName();
    }
    EXPECT_EQ(names,
              (QStringList{"otherBackupButton", "showBackupFolderButton", "restoreOfferedButton"}));
}

// Side by side fields whose tops differ by a few pixels are one line, read left to right.
TEST_F(PageTabChain, ThePolicyEditorIsReadLineByLineLeftToRight) {
    PolicyEditView sheet(m_world.editor(store()), nullptr);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    QApplication::processEvents();
    QStringList names;
    for (const QWidget* stop :
         TabChain::walk(sheet, child<QWidget>(&sheet, "headerCancelButton"))) {
        names << stop->objectName();
    }
    EXPECT_EQ(names.mid(0, 7), (QStringList{"nameField", "policyNumberField", "providerField",
                                            "policyCategoryPicker", "contactPicker",
                                            "createContactButton", "clientPhoneField"}));
}

// The main window over a policy with its client and an event, each section with its first
// item chosen: Tab goes from the section's own row in the sidebar through the section and
// back, and a segmented filter is one stop.
TEST_F(PageTabChain, EverySectionOfTheMainWindowIsOneRoundOfTab) {
    auto contact = m_controller->container().viewContext().insert<Contact>();
    contact->setFirstName(QStringLiteral("Giulia"));
    contact->setLastName(QStringLiteral("Ferraris"));
    auto policy = insertPolicy(store(), QStringLiteral("Casa"), later(10 * 24 * 3600));
    policy->setContact(contact);
    auto event = store().insert<Event>();
    event->setTitle(QStringLiteral("Visita"));
    event->setStartDate(m_clock.now());
    event->setEndDate(m_clock.now());
    store().save();
    QSettings settings(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    ContentView window(m_world.window(store(), settings));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);

    const auto roundFrom = [&window](const char* row, const char* list) {
        child<QToolButton>(&window, row)->click();
        auto* items = child<QAbstractItemView>(&window, list);
        if (!items) {
            return QStringLiteral("no %1").arg(QLatin1String(list));
        }
        items->setCurrentIndex(items->model()->index(0, 0));
        QApplication::processEvents();
        return TabChain::faults(window, child<QWidget>(&window, row)).join(u'\n');
    };
    // The row that has the focus when the window opens is marked only once Tab brings it.
    auto* policiesRow = child<QWidget>(&window, "policiesRow");
    EXPECT_TRUE(policiesRow->hasFocus());
    EXPECT_FALSE(policiesRow->property("keyboardFocus").toBool());
    EXPECT_EQ(roundFrom("policiesRow", "policyList").toStdString(), "");
    EXPECT_TRUE(policiesRow->property("keyboardFocus").toBool());
    EXPECT_NE(child<QWidget>(&window, "renewButton"), nullptr);
    EXPECT_EQ(roundFrom("contactsRow", "contactList").toStdString(), "");
    EXPECT_EQ(roundFrom("agendaRow", "agendaDayList").toStdString(), "");
}

// The document viewer: "Chiudi", "Condividi" and the pages, which scroll by keyboard.
TEST_F(PageTabChain, TheDocumentViewerIsOneRoundOfTab) {
    PDFViewer viewer(TestPdfs::pages(2), QStringLiteral("condizioni.pdf"), m_world.viewer());
    viewer.setAttribute(Qt::WA_DeleteOnClose, false);
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    QApplication::processEvents();
    auto* close = child<QWidget>(&viewer, "closeViewerButton");
    EXPECT_EQ(TabChain::faults(viewer, close).join(u'\n').toStdString(), "");
    EXPECT_GE(TabChain::walk(viewer, close).size(), 3u);
}

// The popover with every part shown, as the panel icon opens it.
TEST_F(PageTabChain, ThePopoverIsOneRoundOfTabWithEveryStopNamed) {
    insertPolicy(store(), QStringLiteral("Casa"), later(5 * 24 * 3600));
    auto event = store().insert<Event>();
    event->setTitle(QStringLiteral("Visita"));
    event->setStartDate(later(3600));
    event->setEndDate(later(7200));
    store().save();
    MenuBarView popover(m_world.popover(store()));
    popover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&popover));
    QApplication::processEvents();
    auto* first = child<QWidget>(&popover, "openAppButton");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(TabChain::faults(popover, first).join(u'\n').toStdString(), "");
    QStringList stops;
    for (const QWidget* stop : TabChain::walk(popover, first)) {
        stops << stop->objectName();
    }
    EXPECT_EQ(stops, (QStringList{"newEventButton", "newTaskButton", "newPolicyButton",
                                  "nextEventBlock", "showExpiringButton", "preferencesButton",
                                  "quitButton", "openAppButton"}));
    EXPECT_TRUE(child<QWidget>(&popover, "nextEventBlock")
                    ->accessibleName()
                    .startsWith(QStringLiteral("Next Event: Visita, ")));
}

// A segmented control in a sheet: Tab reaches the chosen segment only, the arrows choose the
// next one, and Tab then leaves the group for the control after it and Shift+Tab comes back.
TEST_F(PageTabChain, ArrowsChooseWithinASegmentedControlAndTabLeavesIt) {
    ExportSheet sheet({.context = store(), .clock = m_clock, .log = *m_log, .shownPolicies = [] {
                           return std::vector<std::shared_ptr<Policy>>();
                       }});
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    QApplication::processEvents();
    auto* scope = child<SegmentedControl>(&sheet, "exportScopeControl");
    ASSERT_NE(scope, nullptr);
    const std::vector<QWidget*> chain =
        TabChain::walk(sheet, child<QWidget>(&sheet, "headerCancelButton"));
    const auto at = std::find_if(chain.begin(), chain.end(),
                                 [scope](QWidget* stop) { return scope->isAncestorOf(stop); });
    ASSERT_NE(at, chain.end());
    ASSERT_NE(at + 1, chain.end());
    QWidget* after = *(at + 1);
    EXPECT_EQ(std::count_if(chain.begin(), chain.end(),
                            [scope](QWidget* stop) { return scope->isAncestorOf(stop); }),
              1);

    const int before = scope->currentIndex();
    (*at)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_NE(scope->currentIndex(), before);
    QWidget* chosen = QApplication::focusWidget();
    EXPECT_TRUE(scope->isAncestorOf(chosen) && chosen != *at);
    QTest::keyClick(chosen, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), after);
    QTest::keyClick(after, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), chosen);
}

} // namespace
