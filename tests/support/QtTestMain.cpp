#include <gtest/gtest.h>

#include <QApplication>

#include "ToolTestEnvironment.h"

// Widgets need an application object; tests draw offscreen, with no display.
int main(int argc, char* argv[]) {
    prepareToolTestEnvironment();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
