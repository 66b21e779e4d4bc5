// SPDX-License-Identifier: MIT
// The end-to-end programs: one private X server for the stand-in Mail, the installer's window
// offscreen in this process, and the real installer bundle that the build made.
#include "XvfbDisplay.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("GRABBIT_MAIN_BUNDLE", GRABBIT_BUILD_DIR "/GrabbitInstaller.app");
    qputenv("LC_ALL", "C.UTF-8");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbDisplay);
    return RUN_ALL_TESTS();
}
