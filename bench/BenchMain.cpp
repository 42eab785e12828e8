#include "Harness.h"

#include <QApplication>

#include <cstring>

// Runs every group of figures, or only those named on the command line.
int main(int argc, char* argv[]) {
    // The screens' figures use real widgets, drawn offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        return Bench::childMain(argc, argv);
    }
    QApplication app(argc, argv);
    for (const Bench::Group& group : Bench::groups()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i) {
            wanted = wanted || std::strcmp(argv[i], group.name) == 0;
        }
        if (wanted) {
            group.run();
        }
    }
    return 0;
}
