#include "app/ContentView.h"

#include "support/PolicyScreenFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTest>
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
        m_window = std::make_unique<ContentView>(
            ContentView::Services{policyServices(), m_center, m_settings});
        m_firstPaints = 0;
        QObject::connect(m_window.get(), &ContentView::firstPainted, [this] { ++m_firstPaints; });
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        QApplication::setActiveWindow(m_window.get());
    }
    template <typename T> T* child(const char* name) const {
        return m_window->findChild<T*>(QLatin1String(name));
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
        return child<QWidget>("contentColumn")
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
    auto* policies = child<QToolButton>("policiesRow");
    auto* contacts = child<QToolButton>("contactsRow");
    EXPECT_EQ(section(), QStringLiteral("policyListView"));
    EXPECT_TRUE(policies->isChecked());
    EXPECT_FALSE(contacts->isChecked());

    QTest::keyClicks(child<QLineEdit>("policySearchField"), QStringLiteral("Casa"));
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
    EXPECT_EQ(m_firstPaints, 1);
}

TEST_F(ContentViewTest, EveryWayToANewPolicyOpensOneEmptyEditor) {
    m_window->findChild<QToolButton*>(QStringLiteral("newPolicyToolButton"))->click();
    EXPECT_TRUE(oneNewPolicyEditorOpened());
    QTest::keyClick(m_window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(oneNewPolicyEditorOpened());
    child<QAction>("newPolicyAction")->trigger();
    EXPECT_TRUE(oneNewPolicyEditorOpened());
    m_center.post(NotificationName::newPolicy);
    EXPECT_TRUE(oneNewPolicyEditorOpened());
    child<QPushButton>("addPolicyButton")->click();
    EXPECT_TRUE(oneNewPolicyEditorOpened());

    m_posted.clear();
    QTest::keyClick(m_window.get(), Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(m_window.get(), Qt::Key_T, Qt::ControlModifier);
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m_posted, (QStringList{"newEvent", "newTask", "showSharing"}));
    EXPECT_TRUE(editors().isEmpty());
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

} // namespace
