#include "platform/LinuxDesktopActions.h"
#include "support/WaitUntil.h"

#include "PrivateBus.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QTemporaryDir>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

// Receives what the desktop would have opened.
class OpenedUrls final : public QObject {
    Q_OBJECT
public:
    explicit OpenedUrls(const QStringList& schemes)
        : m_schemes(schemes) {
        for (const QString& scheme : m_schemes) {
            QDesktopServices::setUrlHandler(scheme, this, "open");
        }
    }
    ~OpenedUrls() override {
        for (const QString& scheme : m_schemes) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }

private:
    QStringList m_schemes;
};

// A file manager on the bus, as org.freedesktop.FileManager1 describes it.
class FakeFileManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shown;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown.append(uris); }
};

} // namespace

TEST(LinuxDesktopActions, RevealsAFileThroughTheFileManagerOnTheBus) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    QDBusConnection fileManagerSide = bus.connect();
    FakeFileManager fileManager;
    ASSERT_TRUE(fileManagerSide.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                               &fileManager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(fileManagerSide.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    OpenedUrls opened({QStringLiteral("file")});
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Polizza Casa & Città.pdf"));
    LinuxDesktopActions actions(bus.connect());
    actions.revealFile(file);
    ASSERT_TRUE(waitUntil([&] { return !fileManager.shown.isEmpty(); }));
    EXPECT_EQ(fileManager.shown.first(), QStringList{QUrl::fromLocalFile(file).toString()});
    QCoreApplication::processEvents();
    EXPECT_TRUE(opened.urls.isEmpty()); // the file manager answered: no folder is opened
}

TEST(LinuxDesktopActions, OpensLinksWithTheDefaultHandler) {
    OpenedUrls opened({QStringLiteral("https")});
    LinuxDesktopActions actions(QDBusConnection(QStringLiteral("none")));
    const QUrl link(QStringLiteral("https://api.whatsapp.com/send?phone=+39&text=a%26b"));
    actions.openUrl(link);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls.first(), link);
}

TEST(LinuxDesktopActions, WithoutAFileManagerOnTheBusOpensTheFilesFolder) {
    OpenedUrls opened({QStringLiteral("file")});
    QTemporaryDir dir;
    LinuxDesktopActions actions(QDBusConnection(QStringLiteral("none")));
    actions.revealFile(dir.filePath(QStringLiteral("Polizza Casa.pdf")));
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls.first(), QUrl::fromLocalFile(dir.path()));
}

TEST(LinuxDesktopActions, BringsAWindowForwardAndShowsIt) {
    LinuxDesktopActions actions(QDBusConnection(QStringLiteral("none")));
    QWindow window;
    actions.bringForward(&window, QString());
    EXPECT_TRUE(window.isVisible());
    actions.bringForward(nullptr, QStringLiteral("token")); // nothing to bring: no crash
}

#include "LinuxDesktopActionsTest.moc"
