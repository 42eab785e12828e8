#pragma once

#include <QString>
#include <QUrl>

class QWindow;

// What the program asks of the desktop, behind one interface so that tests can see what would
// have happened without a browser, a file manager or a window manager.
class DesktopActions {
public:
    virtual ~DesktopActions() = default;

    // Opens a link with the desktop's default handler; the result is not examined.
    virtual void openUrl(const QUrl& url) = 0;
    // Shows a file selected in the file manager, or at least its folder.
    virtual void revealFile(const QString& path) = 0;
    // Brings a window to the front, with the activation token a launcher or a notification
    // handed over (empty when there is none).
    virtual void bringForward(QWindow* window, const QString& activationToken) = 0;
    // Ends the program.
    virtual void quit() = 0;
};
