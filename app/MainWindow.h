#pragma once

#include <QMainWindow>

namespace kavitro {

// The main frame. For now an empty window; the ribbon, status bar and
// document frames arrive with the application shell.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace kavitro
