#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/MainWindow.h"

namespace {

TEST(MainWindow, OpensTitledAndQuitsWhenClosed) {
    int argc = 1;
    char name[] = "app_tests";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    kavitro::MainWindow window;
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kavitro"));
    EXPECT_TRUE(window.isVisible());
    QTimer::singleShot(0, &window, &QWidget::close);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
