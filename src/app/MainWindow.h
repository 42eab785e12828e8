#pragma once

#include <QMainWindow>

// The program's main window. Its screens arrive with their own subsystems; until then it is an
// empty window with the program's title.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};
