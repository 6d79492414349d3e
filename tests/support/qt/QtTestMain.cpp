#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The window tests need an application object. They never need a display: without a
// platform chosen (test discovery at build time) they run offscreen.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
