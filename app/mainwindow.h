#ifndef VANTU_APP_MAINWINDOW_H
#define VANTU_APP_MAINWINDOW_H

#include <QMainWindow>

// The application's one main window: owns the view, the editors and the
// commands that drive the simulation.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow();

public slots:
    // Writes the SBML model files of the parameter database ("Read only" box
    // and false when a file cannot be written).
    bool createXMLForm();
    // Removes the model files written since the last removal.
    void deleteXMLForm();

private:
    // Opens the in-memory parameter database on the default connection.
    bool createConnection();
    // Creates its seven tables and fills them with the default rows.
    void createFakeData();
};

#endif
