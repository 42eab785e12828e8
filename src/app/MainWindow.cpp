#include "app/MainWindow.h"

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quintaver Scheduler"));
    setAccessibleName(QStringLiteral("Quintaver Scheduler"));
    resize(1000, 680);
}
