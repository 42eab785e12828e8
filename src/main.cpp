#include "MainWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quintaver Scheduler"));

    MainWindow window;
    window.show();
    return QApplication::exec();
}
