// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>

#include "shell/fonts.h"
#include "shell/pictures.h"

// Widget tests need one QApplication for the whole run, with the program's
// fonts and pictures. Without a platform named in QT_QPA_PLATFORM they run
// offscreen, so that listing the tests works on a machine without a display.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    tavrin::RegisterFontSubstitutions();
    QApplication app(argc, argv);
    tavrin::ApplyDefaultFont(app);
    tavrin::InitPictures();
    return RUN_ALL_TESTS();
}
