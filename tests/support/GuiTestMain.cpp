// The main of the tests that paint, measure fonts, use the clipboard or show
// widgets: Qt wants its application object before the first pixmap, font or
// widget. Built twice: with a QGuiApplication, and with KAVITRO_TEST_WIDGETS
// a QApplication for the tests of widgets. Without a platform named in the
// environment the tests run offscreen, so that they need no display.

#include <gtest/gtest.h>

#include <QtCore/QtGlobal>

#ifdef KAVITRO_TEST_WIDGETS
#include <QtWidgets/QApplication>
using TestApplication = QApplication;
#else
#include <QtGui/QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
