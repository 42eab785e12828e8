#pragma once

#include "platform/DesktopActions.h"

#include <QStringList>
#include <QUrl>

// Records what the program asked of the desktop.
class FakeDesktopActions final : public DesktopActions {
public:
    void openUrl(const QUrl& url) override { openedUrls.append(url); }
    void revealFile(const QString& path) override { revealedFiles.append(path); }
    void bringForward(QWindow*, const QString& token) override { forwardTokens.append(token); }
    void quit() override { ++quitRequests; }

    QList<QUrl> openedUrls;
    QStringList revealedFiles;
    QStringList forwardTokens;
    int quitRequests = 0;
};
