#include "app/mainwindow.h"

#include "model/parameter_database.h"
#include "signalling/model_writer.h"

#include <QWidget>

MainWindow::MainWindow()
{
    setCentralWidget(new QWidget(this));

    // The editors and the view built below query the parameter database while
    // they are made, so it is opened and seeded first. A failed open has
    // already been reported; the seeding then fails quietly and the window is
    // still built.
    createConnection();
    createFakeData();

    setWindowTitle(tr("Vantu"));
    resize(900, 600);
}

bool MainWindow::createConnection()
{
    return open_parameter_database();
}

void MainWindow::createFakeData()
{
    seed_parameter_database();
}

bool MainWindow::createXMLForm()
{
    return createModelFiles();
}

void MainWindow::deleteXMLForm()
{
    deleteModelFiles();
}
