#include <QApplication>

#include "app/MainWindow.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kavitro Applications"));
    QApplication::setApplicationName(QStringLiteral("Kavitro"));
    kavitro::MainWindow window;
    window.show();
    return QApplication::exec();
}
