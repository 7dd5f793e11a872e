// The main of the tests that paint, measure fonts or use the clipboard: Qt
// wants its application object before the first pixmap or font. Without a
// platform named in the environment the tests run offscreen, so that they
// need no display.

#include <gtest/gtest.h>

#include <QtCore/QtGlobal>
#include <QtGui/QGuiApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
