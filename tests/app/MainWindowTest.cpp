#include "app/MainWindow.h"

#include <gtest/gtest.h>

TEST(MainWindow, OpensWithTheProgramsTitleAndAnAccessibleName) {
    MainWindow window;
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quintaver Scheduler"));
    EXPECT_EQ(window.objectName(), QStringLiteral("mainWindow"));
    EXPECT_FALSE(window.accessibleName().isEmpty());
    EXPECT_TRUE(window.isVisible());
}
