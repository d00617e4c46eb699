#include "app/mainwindow.h"

#include <QWidget>

MainWindow::MainWindow()
{
    setCentralWidget(new QWidget(this));
    setWindowTitle(tr("Vantu"));
    resize(900, 600);
}
