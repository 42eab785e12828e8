#include "MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The data folder is $XDG_DATA_HOME/quintaver-scheduler, shared with the reminder agent.
    QApplication::setOrganizationName(QString());
    QApplication::setApplicationName(QStringLiteral("quintaver-scheduler"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quintaver Scheduler"));

    MainWindow window;
    window.show();
    return QApplication::exec();
}
