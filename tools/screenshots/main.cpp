// quintaver-screenshots FOLDER: draws each screen offscreen, from in-memory stores filled here,
// with a fixed style, font, palette and clock, and writes one PNG per picture.
#include "AllScreens.h"
#include "PngCamera.h"
#include "platform/LogChannel.h"
#include "support/ManualClock.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quintaver-screenshots FOLDER\n");
        return 2;
    }
    setScreenLook();
    ManualClock clock(screensInstant());
    PngCamera camera(QDir(QString::fromLocal8Bit(argv[1])));
    return shootAllScreens(camera, clock, LogChannel::standardOutput()) ? 0 : 1;
}
