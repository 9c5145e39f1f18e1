#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need one QApplication for the whole run. Without a platform
// named in QT_QPA_PLATFORM they run offscreen, so that listing the tests works
// on a machine without a display too.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
