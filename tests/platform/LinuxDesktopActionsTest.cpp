#include "LinuxDesktopActions.h"

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

} // namespace

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
