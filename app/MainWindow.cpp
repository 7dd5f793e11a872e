#include "app/MainWindow.h"

namespace kavitro {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Kavitro"));
    resize(1024, 768);
}

}  // namespace kavitro
