#include "MainWindow.h"
#include "PersistenceController.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The data folder is $XDG_DATA_HOME/quintaver-scheduler, shared with the reminder agent.
    QApplication::setOrganizationName(QString());
    QApplication::setApplicationName(QStringLiteral("quintaver-scheduler"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quintaver Scheduler"));

    // The store opens (and on the first start is created) before any window exists.
    PersistenceController::shared();

    MainWindow window;
    window.show();
    return QApplication::exec();
}
