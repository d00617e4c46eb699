#include "app/mainwindow.h"

#include "app/glwidget.h"
#include "app/newdiagram.h"
#include "app/save_question.h"
#include "editors/diagramwindow.h"
#include "editors/mainform.h"
#include "editors/tabdialog.h"
#include "model/dbreader.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_writer.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextStream>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {
// Every temporary status-bar message of the file commands lasts this long.
constexpr int kStatusTimeout = 2000;
}

MainWindow::MainWindow()
{
    Q_INIT_RESOURCE(icons);

    centerWidget = new QWidget;
    setCentralWidget(centerWidget);

    // The editors and the view built below query the parameter database while
    // they are made, so it is opened and seeded first. A failed open has
    // already been reported; the seeding then fails quietly and the window is
    // still built.
    createConnection();
    createFakeData();

    glWidget = new GLWidget;
    glWidgetArea = new QScrollArea;
    glWidgetArea->setWidget(glWidget);
    glWidgetArea->setWidgetResizable(true);
    glWidgetArea->setMinimumSize(80, 60);
    auto* layout = new QGridLayout;
    layout->addWidget(glWidgetArea);
    centerWidget->setLayout(layout);

    createActions();
    createMenus();
    glWidget->addAction(cellTypeAction);
    glWidget->addAction(cellColorAction);
    glWidget->setContextMenuPolicy(Qt::ActionsContextMenu);
    createToolBars();
    createStatusBar();

    connect(this, &MainWindow::FileLoaded, this, &MainWindow::updateActions);
    connect(glWidget, &GLWidget::selectVectors, this, &MainWindow::updateActions);
    connect(glWidget, &GLWidget::bug_message, this, &MainWindow::bugResponse);
    connect(glWidget, &GLWidget::play_message, this, &MainWindow::playDone);
    connect(glWidget, &GLWidget::dock_message, this, &MainWindow::buildDockWidget);
    connect(glWidget, &GLWidget::delete_message, this, &MainWindow::deleteXMLForm);

    mainForm = new MainForm;
    mainForm->resize(400, 500);
    mainForm->setAttribute(Qt::WA_QuitOnClose, false);
    connect(mainForm, &MainForm::updateInfo, this, &MainWindow::updatePara);

    newDiagramWindow = new newDiagram;
    newDiagramWindow->resize(600, 500);
    // Exit ends the program even while the designer is open: only the main
    // window keeps it running.
    newDiagramWindow->setAttribute(Qt::WA_QuitOnClose, false);
    connect(newDiagramWindow, &newDiagram::buildSignal, this, &MainWindow::newDiagramData);

    // The editors read the seeded database once, here; like the designer they
    // do not keep the program running.
    diagramWindow = new DiagramWindow;
    diagramWindow->resize(600, 500);
    diagramWindow->setAttribute(Qt::WA_QuitOnClose, false);
    cueDialog = new TabDialog;
    cueDialog->resize(400, 400);
    cueDialog->setAttribute(Qt::WA_QuitOnClose, false);

    setWindowTitle(tr("Vantu"));
    setWindowIcon(QIcon(":/images/icon.png"));
    resize(900, 600);
    updateActions();
}

MainWindow::~MainWindow()
{
    // The tree made at start-up is never put anywhere; later ones belong to
    // the dock.
    if (cellTree && !cellTree->parent())
        delete cellTree;
    delete newDiagramWindow;
    delete mainForm;
    delete diagramWindow;
    delete cueDialog;
}

// --- construction ------------------------------------------------------------

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

void MainWindow::createActions()
{
    newAction = new QAction(QIcon(":/images/new.png"), tr("&New"), this);
    newAction->setShortcut(QKeySequence::New);
    newAction->setStatusTip(tr("Create a new tissue"));
    connect(newAction, &QAction::triggered, this, &MainWindow::newFile);

    openAction = new QAction(QIcon(":/images/open.png"), tr("&Open..."), this);
    openAction->setShortcut(QKeySequence::Open);
    openAction->setStatusTip(tr("Open an existing tissue file"));
    connect(openAction, &QAction::triggered, this, &MainWindow::open);

    saveAction = new QAction(QIcon(":/images/save.png"), tr("&Save"), this);
    saveAction->setShortcut(QKeySequence::Save);
    saveAction->setStatusTip(tr("Save the tissue file to disk"));
    connect(saveAction, &QAction::triggered, this, &MainWindow::save);

    saveAsAction = new QAction(tr("Save &As..."), this);
    saveAsAction->setStatusTip(tr("Save the tissue file under a new name"));
    connect(saveAsAction, &QAction::triggered, this, &MainWindow::saveAs);

    snapshotAction = new QAction(QIcon(":/images/picture.png"), tr("&Snapshot"), this);
    snapshotAction->setStatusTip(tr("Capture the current screen"));
    connect(snapshotAction, &QAction::triggered, this, &MainWindow::picture);

    for (auto& action : recentFileActions) {
        action = new QAction(this);
        action->setVisible(false);
        connect(action, &QAction::triggered, this, &MainWindow::openRecentFile);
    }

    exitAction = new QAction(tr("E&xit"), this);
    exitAction->setShortcut(QKeySequence(tr("Ctrl+Q")));
    exitAction->setStatusTip(tr("Exit the application"));
    connect(exitAction, &QAction::triggered, this, &MainWindow::closeApp);

    solidAction = new QAction(QIcon(":/images/solid.png"), tr("&Solid mode"), this);
    solidAction->setStatusTip(tr("Select the solid mode"));
    solidAction->setWhatsThis(
        tr("<img src=\":/images/solid.png\">&nbsp; The visualization mode of Solid fills the "
           "cells with their default colors according to their own cell type."
           "<ul><li> migrating cells: with shading</li>"
           "<li> static cells: without shading</li></ul>"));
    connect(solidAction, &QAction::triggered, this, &MainWindow::mode_solid);

    meshAction = new QAction(QIcon(":/images/mesh.png"), tr("&Mesh mode"), this);
    meshAction->setStatusTip(tr("Select the inner-mesh mode"));
    connect(meshAction, &QAction::triggered, this, &MainWindow::mode_mesh);

    moleculeButton = new QToolButton(this);
    moleculeButton->setIcon(QIcon(":/images/mole.png"));
    moleculeButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    moleculeButton->setStatusTip(tr("Select the molecule density mode"));
    connect(moleculeButton, &QToolButton::clicked, this, &MainWindow::mode_molecule);

    showIndexAction = new QAction(QIcon(":/images/index.png"), tr("&Show cell index"), this);
    showIndexAction->setStatusTip(tr("Active/Disactive cell index"));
    connect(showIndexAction, &QAction::toggled, this, &MainWindow::setShowIndex);

    showDirectionAction =
        new QAction(QIcon(":/images/arrow.png"), tr("&Show cell migration direction"), this);
    showDirectionAction->setStatusTip(tr("Active/Disactive cell migration direction"));
    showDirectionAction->setCheckable(true);
    showDirectionAction->setChecked(true);
    connect(showDirectionAction, &QAction::triggered, this, &MainWindow::setShowDirection);

    showSelectionAction = new QAction(QIcon(":/images/box.png"), tr("&Show selected cells"), this);
    showSelectionAction->setStatusTip(tr("Active/Disactive selected cells"));

    zoomInAction = new QAction(QIcon(":/images/zoom_in.png"), tr("&Zoom in"), this);
    zoomInAction->setStatusTip(tr("Zoom in"));
    connect(zoomInAction, &QAction::triggered, this, &MainWindow::zoom_in);

    zoomOutAction = new QAction(QIcon(":/images/zoom_out.png"), tr("&Zoom out"), this);
    zoomOutAction->setStatusTip(tr("Zoom out"));
    connect(zoomOutAction, &QAction::triggered, this, &MainWindow::zoom_out);

    rectangleAction =
        new QAction(QIcon(":/images/select-restangular.png"), tr("&Rectangular"), this);
    rectangleAction->setStatusTip(tr("Rectangular selection"));
    connect(rectangleAction, &QAction::triggered, this, &MainWindow::select_rectangle);

    ovalAction = new QAction(QIcon(":/images/select-ellipse.png"), tr("&Oval"), this);
    ovalAction->setStatusTip(tr("Oval selection"));
    connect(ovalAction, &QAction::triggered, this, &MainWindow::select_ellipse);

    selectAllAction = new QAction(tr("&All"), this);
    selectAllAction->setStatusTip(tr("Select All the objects"));
    connect(selectAllAction, &QAction::triggered, this, &MainWindow::select_all);

    cellTypeAction = new QAction(QIcon(":/images/select.png"), tr("&Select cell type"), this);
    cellTypeAction->setStatusTip(tr("Select cell type"));
    connect(cellTypeAction, &QAction::triggered, this, &MainWindow::selectCellType);

    cellColorAction = new QAction(QIcon(":/images/color.png"), tr("&Select cell color"), this);
    cellColorAction->setStatusTip(tr("Select cell color"));
    connect(cellColorAction, &QAction::triggered, this, &MainWindow::selectCellColor);

    pauseAction = new QAction(QIcon(":/images/pause.png"), tr("&Pause"), this);
    pauseAction->setStatusTip(tr("Pause simulation"));
    pauseAction->setCheckable(true);
    connect(pauseAction, &QAction::triggered, this, &MainWindow::setPause);

    playAction = new QAction(QIcon(":/images/play.png"), tr("&Play"), this);
    playAction->setStatusTip(tr("Play simulation"));
    playAction->setCheckable(true);
    connect(playAction, &QAction::triggered, this, &MainWindow::setPlay);

    mechButton = new QToolButton(this);
    mechButton->setPopupMode(QToolButton::MenuButtonPopup);
    mechButton->setMenu(createMechMenu(SLOT(mechModeChanged())));
    mechAction = mechMenu->defaultAction();
    mechButton->setIcon(QIcon(":/images/dash.png"));
    mechButton->setStatusTip(tr("Simulation under input mechanisms"));
    connect(mechButton, &QToolButton::clicked, this, &MainWindow::mechModeTriggered);

    modelStepSpinBox = new QSpinBox;
    modelStepSpinBox->setRange(0, 400);
    modelStepSpinBox->setSingleStep(1);
    modelStepSpinBox->setValue(1);
    connect(modelStepSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &MainWindow::modelStepChanged);

    databaseAction = new QAction(QIcon(":/images/data.png"), tr("&Database"), this);
    databaseAction->setStatusTip(tr("Show the current cell-cytokine database"));
    connect(databaseAction, &QAction::triggered, this, &MainWindow::showDatabase);

    linkDiagramAction = new QAction(QIcon(":/images/relation.png"), tr("&Link Diagram"), this);
    linkDiagramAction->setStatusTip(tr("Build up the cell-cytokine relationship"));
    connect(linkDiagramAction, &QAction::triggered, this, &MainWindow::buildDiagram);

    migrationCueAction = new QAction(QIcon(":/images/cue.png"), tr("&Migration Cue"), this);
    migrationCueAction->setStatusTip(tr("Setup the migration direction cues"));
    connect(migrationCueAction, &QAction::triggered, this, &MainWindow::buildCue);

    aboutAction = new QAction(tr("About &Vantu"), this);
    aboutAction->setStatusTip(tr("Show the application's About box"));
    connect(aboutAction, &QAction::triggered, this, &MainWindow::about);

    aboutQtAction = new QAction(tr("About &Qt"), this);
    aboutQtAction->setStatusTip(tr("Show the Qt library's About box"));
    connect(aboutQtAction, &QAction::triggered, qApp, &QApplication::aboutQt);

    printAboutAction = new QAction(QIcon(":/images/write.png"), tr("Print About"), this);
    connect(printAboutAction, &QAction::triggered, this, &MainWindow::printAbout);
}

QMenu* MainWindow::createMechMenu(const char* slot)
{
    mechMenu = new QMenu(this);
    modelAction = new QAction(QIcon(":/images/dash.png"), "Model", this);
    connect(modelAction, SIGNAL(triggered()), this, slot);
    growAction = new QAction(QIcon(":/images/grow.png"), "Grow", this);
    connect(growAction, SIGNAL(triggered()), this, slot);
    relaxAction = new QAction(QIcon(":/images/relax.png"), "Relax", this);
    connect(relaxAction, SIGNAL(triggered()), this, slot);
    mechMenu->addAction(modelAction);
    mechMenu->addAction(growAction);
    mechMenu->addAction(relaxAction);
    mechMenu->setDefaultAction(modelAction);
    return mechMenu;
}

void MainWindow::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(newAction);
    fileMenu->addAction(openAction);
    fileMenu->addAction(saveAction);
    fileMenu->addAction(saveAsAction);
    fileMenu->addAction(snapshotAction);
    fileMenu->addAction(printAboutAction);
    separatorAction = fileMenu->addSeparator();
    for (QAction* action : recentFileActions)
        fileMenu->addAction(action);
    fileMenu->addSeparator();
    fileMenu->addAction(exitAction);

    viewMenu = menuBar()->addMenu(tr("&View"));
    modeMenu = viewMenu->addMenu(tr("&Mode"));
    modeMenu->addAction(solidAction);
    modeMenu->addAction(meshAction);
    viewMenu->addSeparator();
    viewMenu->addAction(showIndexAction);
    viewMenu->addAction(showDirectionAction);
    viewMenu->addAction(showSelectionAction);
    viewMenu->addAction(zoomInAction);
    viewMenu->addAction(zoomOutAction);

    optionsMenu = menuBar()->addMenu(tr("&Options"));
    selectMenu = optionsMenu->addMenu("&Select");
    selectMenu->addAction(rectangleAction);
    selectMenu->addAction(ovalAction);
    selectMenu->addAction(selectAllAction);
    optionsMenu->addSeparator();
    optionsMenu->addAction(cellTypeAction);
    optionsMenu->addAction(cellColorAction);

    windowsMenu = menuBar()->addMenu(tr("&Windows"));
    cellDock = new QDockWidget(tr("Cells"), this);
    auto* emptyTree = new QTreeWidget;
    emptyTree->header()->hide();
    cellDock->setWidget(emptyTree);
    addDockWidget(Qt::RightDockWidgetArea, cellDock);
    cellTree = new QTreeWidget;
    windowsMenu->addAction(cellDock->toggleViewAction());

    dataMenu = menuBar()->addMenu(tr("&Data"));
    dataMenu->addAction(databaseAction);
    dataMenu->addAction(linkDiagramAction);
    dataMenu->addAction(migrationCueAction);

    helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->addAction(aboutAction);
    helpMenu->addAction(aboutQtAction);
}

void MainWindow::createContextMenu()
{
    glWidget->addAction(cellTypeAction);
    glWidget->addAction(cellColorAction);
    glWidget->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void MainWindow::createToolBars()
{
    fileToolBar = addToolBar(tr("&File"));
    fileToolBar->addAction(newAction);
    fileToolBar->addAction(openAction);
    fileToolBar->addAction(saveAction);
    fileToolBar->addAction(snapshotAction);

    viewToolBar = addToolBar(tr("&View"));
    viewToolBar->addAction(solidAction);
    viewToolBar->addAction(meshAction);
    viewToolBar->addWidget(moleculeButton);
    viewToolBar->addAction(showIndexAction);
    viewToolBar->addAction(showDirectionAction);
    viewToolBar->addAction(showSelectionAction);
    viewToolBar->addAction(zoomInAction);
    viewToolBar->addAction(zoomOutAction);

    optionsToolBar = addToolBar(tr("&Options"));
    optionsToolBar->addAction(rectangleAction);
    optionsToolBar->addAction(ovalAction);
    optionsToolBar->addAction(cellTypeAction);
    optionsToolBar->addAction(cellColorAction);

    simulateToolBar = addToolBar(tr("&Simulate"));
    simulateToolBar->addWidget(mechButton);
    simulateToolBar->addAction(pauseAction);
    simulateToolBar->addAction(playAction);
    simulateToolBar->addWidget(modelStepSpinBox);

    dataToolBar = addToolBar(tr("&Data"));
    dataToolBar->addAction(databaseAction);
    dataToolBar->addAction(linkDiagramAction);
    dataToolBar->addAction(migrationCueAction);
}

void MainWindow::createStatusBar()
{
    statusLabel1 = new QLabel("Status Bar 1");
    statusLabel1->setAlignment(Qt::AlignHCenter);
    statusLabel1->setMinimumSize(statusLabel1->sizeHint());
    statusLabel2 = new QLabel("Status Bar 2");
    statusLabel2->setAlignment(Qt::AlignHCenter);
    statusLabel2->setMinimumSize(statusLabel2->sizeHint());
    statusBar()->addWidget(statusLabel1, 0);
    statusBar()->addWidget(statusLabel2, 1);
    connect(glWidget, &GLWidget::mouse_message, this, &MainWindow::updateStatusBar);
}

void MainWindow::updateActions()
{
    const bool file = !curFile.isEmpty();
    for (QAction* action : {saveAction, saveAsAction, snapshotAction, solidAction, meshAction})
        action->setEnabled(file);
    moleculeButton->setEnabled(file);
    for (QAction* action : {showIndexAction, showDirectionAction, showSelectionAction,
                            zoomInAction, zoomOutAction, pauseAction, playAction})
        action->setEnabled(file);
    mechButton->setEnabled(file);
    for (QAction* action : {selectAllAction, ovalAction, rectangleAction})
        action->setEnabled(file);

    const bool selection = !glWidget->selectedCells.empty();
    cellTypeAction->setEnabled(selection);
    cellColorAction->setEnabled(selection);
}

// --- file commands -------------------------------------------------------------

bool MainWindow::askToSave(const QString& question)
{
    if (!modified)
        return true;
    switch (askSaveQuestion(this, tr("Vantu"), question)) {
    case SaveAnswer::No:
        return true;
    case SaveAnswer::Cancel:
        return false;
    case SaveAnswer::Yes:
        break;
    }
    // A cancelled or failed save keeps the unsaved tissue: the command stops.
    return save();
}

void MainWindow::newFile()
{
    // The engine is being worked on (a step, a load, a save): it must not be
    // replaced now.
    if (glWidget->engineInUse())
        return;
    if (!askToSave(tr("Do you wanna save the current project before you create a new one?")))
        return;
    if (glWidget->engineInUse())
        return;
    setCurrentFile("Untitled");
    setWindowTitle(tr("%1[*] - %2").arg(tr("Untitled"), tr("Vantu")));
    delete cellTree;
    cellTree = nullptr;
    if (!createXMLForm()) {
        QMessageBox::warning(nullptr, "Read only",
                             "Can't write xml file in read-only folder.\nPlease add write "
                             "privilege to the Vantu installation folder!",
                             QMessageBox::Ok);
        return;
    }
    if (glWidget->reader)
        glWidget->new_reader();
    newDiagramWindow->show();
}

void MainWindow::open()
{
    if (!askToSave(tr("Do you wanna save the current project before you open a file?")))
        return;
    const QString name =
        QFileDialog::getOpenFileName(this, tr("Open Vantu"), ".", tr("Vantu files (*.vt)"));
    if (!name.isEmpty())
        loadFile(name);
}

bool MainWindow::loadFile(const QString& fileName)
{
    if (glWidget->engineInUse()) {
        statusBar()->showMessage(tr("Loading canceled"), kStatusTimeout);
        return false;
    }
    // A file that cannot be opened has been reported; an empty one goes on
    // to the loader, which refuses it with its reason.
    const int n = glWidget->readLineCount(fileName);
    if (n < 0)
        return false;
    if (!createXMLForm()) {
        statusBar()->showMessage(tr("Loading canceled"), kStatusTimeout);
        deleteXMLForm();
        return false;
    }
    const dbReader* previous = glWidget->reader;
    if (!glWidget->readDatabase(fileName, n)) {
        statusBar()->showMessage(tr("Loading canceled"), kStatusTimeout);
        deleteXMLForm();
        // A malformed file leaves the previous tissue in the view; otherwise
        // the view holds an empty engine or none. The window then stops
        // naming the previous tissue, so Save cannot write the empty engine
        // over its file and the cell list names no cells that are gone.
        const dbReader* now = glWidget->reader;
        if (!(now && now == previous && !now->cells.empty()))
            forgetTissue();
        return false;
    }
    deleteXMLForm();
    setCurrentFile(fileName);
    statusBar()->showMessage(tr("File loaded"), kStatusTimeout);
    buildDockWidget();
    modified = false;
    emit FileLoaded(fileName);
    return true;
}

void MainWindow::openRecentFile()
{
    if (!askToSave(tr("Do you wanna save the current project before you go ahead?")))
        return;
    if (auto* action = qobject_cast<QAction*>(sender()))
        loadFile(action->data().toString());
}

bool MainWindow::save()
{
    if (!curFile.isEmpty() && !modified)
        return saveFile(curFile);
    return saveAs();
}

bool MainWindow::saveAs()
{
    const QString name =
        QFileDialog::getSaveFileName(this, tr("Save Vantu"), ".", tr("Vantu files (*.vt)"));
    if (name.isEmpty())
        return false;
    return saveFile(name);
}

bool MainWindow::saveFile(const QString& fileName)
{
    if (glWidget->writeFile(fileName)) {
        setCurrentFile(fileName);
        statusBar()->showMessage(tr("File saved"), kStatusTimeout);
        modified = false;
        return true;
    }
    statusBar()->showMessage(tr("Saving canceled"), kStatusTimeout);
    return false;
}

bool MainWindow::picture()
{
    const QString name = QFileDialog::getSaveFileName(this, tr("Save snapshot"), "./out",
                                                      tr("Images (*.png *.jpg *.xpm)"));
    if (name.isEmpty())
        return false;
    return snapFile(name);
}

bool MainWindow::snapFile(const QString& fileName)
{
    if (glWidget->snapshotFile(fileName)) {
        setCurrentSnapshot(fileName);
        statusBar()->showMessage(tr("Screen captured"), kStatusTimeout);
        return true;
    }
    statusBar()->showMessage(tr("Screen capturing canceled"), kStatusTimeout);
    return false;
}

void MainWindow::closeApp()
{
    if (modified) {
        switch (askSaveQuestion(this, tr("Vantu"), tr("Do you wanna save the current project before you quit?"))) {
        case SaveAnswer::Yes:
            save();  // a failed save is caught by the closing question
            break;
        case SaveAnswer::No:
            modified = false;
            break;
        case SaveAnswer::Cancel:
            return;
        }
    }
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!modified) {
        event->accept();
        return;
    }
    const SaveAnswer answer = askSaveQuestion(
        this, "Vantu", "You have unsaved project on the platform. Do you still wanna quit anyway?");
    if (answer == SaveAnswer::Yes)
        event->accept();
    else
        event->ignore();
}

void MainWindow::setCurrentFile(const QString& fileName)
{
    curFile = fileName;
    modified = false;
    QString shownName = tr("Untitled");
    if (!curFile.isEmpty()) {
        shownName = strippedName(curFile);
        recentFiles.removeAll(curFile);
        recentFiles.prepend(curFile);
        updateRecentFileActions();
    }
    setWindowTitle(tr("%1[*] - %2").arg(shownName, tr("Vantu")));
}

void MainWindow::setCurrentSnapshot(const QString& fileName)
{
    curSnapshot = fileName;
}

void MainWindow::updateRecentFileActions()
{
    QMutableStringListIterator it(recentFiles);
    while (it.hasNext()) {
        if (!QFile::exists(it.next()))
            it.remove();
    }
    for (int j = 0; j < MaxRecentFiles; ++j) {
        if (j < recentFiles.count()) {
            recentFileActions[j]->setText(tr("&%1 %2").arg(j + 1).arg(strippedName(recentFiles[j])));
            recentFileActions[j]->setData(recentFiles[j]);
            recentFileActions[j]->setVisible(true);
        } else {
            recentFileActions[j]->setVisible(false);
        }
    }
    separatorAction->setVisible(!recentFiles.isEmpty());
}

QString MainWindow::strippedName(const QString& fullFileName)
{
    return QFileInfo(fullFileName).fileName();
}

bool MainWindow::okToContinue()
{
    return !modified;
}

int MainWindow::lineCount(const QString& fileName)
{
    return glWidget->readLineCount(fileName);
}

void MainWindow::forgetTissue()
{
    curFile.clear();
    setWindowTitle(tr("%1[*] - %2").arg(tr("Untitled"), tr("Vantu")));
    delete cellTree;
    cellTree = nullptr;
}

void MainWindow::bugResponse()
{
    // The failed run is over: Play is released, as at the end of a run, so
    // one click plays the next tissue. Only Play is: the view's step
    // counters keep the failed run's values.
    playDone();
    forgetTissue();
    // The empty engine reads the behaviour model like any other, so its
    // model files are written for it and removed once it has read them.
    createXMLForm();
    glWidget->new_reader();
    deleteXMLForm();
}

void MainWindow::about()
{
    QMessageBox::about(this, tr("About Vantu"),
                       tr("<h2>Vantu 1.1</h2>"
                          "<p>Vantu is a visual application that simulates cell behaviors.</p>"));
}

void MainWindow::printAbout()
{
    const QString path = QCoreApplication::applicationDirPath() + "/About.txt";
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QTextStream out(&file);
        out << "This is about the app!" << '\n';
        return;
    }
    QMessageBox::warning(nullptr, "Read only",
                         tr("Can't write file in read-only Folder.\nPlease add write privilege "
                            "to the Vantu installation folder %1!")
                             .arg(path),
                         QMessageBox::Ok);
}

// --- simulation controls and view commands ---------------------------------------

void MainWindow::mechModeChanged()
{
    if (auto* action = qobject_cast<QAction*>(sender()))
        mechAction = action;
    const QString text = mechAction->text();
    if (text == "Model")
        mechButton->setIcon(QIcon(":/images/dash.png"));
    else if (text == "Grow")
        mechButton->setIcon(QIcon(":/images/grow.png"));
    else if (text == "Relax")
        mechButton->setIcon(QIcon(":/images/relax.png"));
    mechModeTriggered();
}

void MainWindow::mechModeTriggered()
{
    const QString text = mechAction->text();
    int code = dbReader::MECH_MODEL;
    if (text == "Grow")
        code = dbReader::MECH_GROW;
    else if (text == "Relax")
        code = dbReader::MECH_RELAX;
    glWidget->setModelMech(code);
    if (glWidget->reader)
        glWidget->reader->mech_mode = code;
}

void MainWindow::modelStepChanged()
{
    glWidget->update_model_number(modelStepSpinBox->value());
}

void MainWindow::setPause()
{
    if (pauseAction->isChecked()) {
        playAction->setChecked(false);
        glWidget->setPause(true);
    }
}

void MainWindow::setPlay()
{
    if (playAction->isChecked()) {
        pauseAction->setChecked(false);
        glWidget->setPlay(true);
    }
}

void MainWindow::playDone()
{
    playAction->setChecked(false);
}

void MainWindow::mode_solid()
{
    glWidget->set_view_type(GLWidget::VIEW_SOLID);
}

void MainWindow::mode_mesh()
{
    glWidget->set_view_type(GLWidget::VIEW_MESH);
}

void MainWindow::mode_molecule()
{
    // Without cytokines there is nothing to shade by: the view stays as it
    // is. The count is that of the cytokine rows themselves (a synthesis row
    // naming an unknown cytokine adds a name but no species).
    if (index_name_cytokine_class.empty())
        return;
    glWidget->set_view_type(GLWidget::VIEW_MOLECULE);
    const int n = next_cytokine_index(glWidget->diffusionNumber);
    glWidget->set_diffusion_number(n);
    const auto name = index_name_cytokine_class.find(n);
    moleculeButton->setText(name != index_name_cytokine_class.end() ? name->second : QString());
}

void MainWindow::zoom_in()
{
    glWidget->set_zoom_in();
}

void MainWindow::zoom_out()
{
    glWidget->set_zoom_out();
}

void MainWindow::select_all()
{
    glWidget->select_All();
}

void MainWindow::select_ellipse()
{
    glWidget->select_Ellipse();
}

void MainWindow::select_rectangle()
{
    glWidget->select_Rectangle();
}

void MainWindow::selectCellType()
{
    modified = true;
    glWidget->set_new_type();
}

void MainWindow::selectCellColor()
{
    modified = true;
    glWidget->set_new_color();
}

void MainWindow::setShowIndex()
{
}

void MainWindow::setShowDirection()
{
    glWidget->setShowDirection(showDirectionAction->isChecked());
}

void MainWindow::showDatabase()
{
    mainForm->show();
    mainForm->raise();
    mainForm->activateWindow();
}

void MainWindow::buildDiagram()
{
    diagramWindow->updateUseStatus();
    diagramWindow->show();
}

void MainWindow::buildCue()
{
    cueDialog->reload();
    cueDialog->show();
}

void MainWindow::updatePara()
{
    // The Manager is not modal: its "&Quit" can come while a step, a load or
    // a teardown reads the tables, which must not change under it. The
    // reload follows once that has ended.
    if (glWidget->engineInUse()) {
        QTimer::singleShot(50, this, &MainWindow::updatePara);
        return;
    }
    GLWidget::EngineUse use(*glWidget);
    if (!glWidget->reader) {
        UserInitialParas();
        return;
    }
    // A deleted or added type moves the indices of the types after it: the
    // open cells are kept on their own types by name, or, when one of
    // their types is gone, the tables are left as the cells know them.
    const QString problem = reload_parameter_tables_keeping_types(glWidget->reader->cells);
    if (!problem.isEmpty())
        QMessageBox::warning(this, tr("Cell Cytokine Manager"), problem);
}

void MainWindow::updateStatusBar()
{
    statusLabel1->setText(glWidget->mousecursor());
    statusLabel2->setText(glWidget->currentcell());
}

void MainWindow::glWidgetModified()
{
    setWindowModified(true);
    updateStatusBar();
}

// --- the cell dock ---------------------------------------------------------------

void MainWindow::buildDockWidget()
{
    // A rebuild asked for while one runs (a cell type set meanwhile) would
    // delete the list under it: the running rebuild starts over instead.
    if (dockBuilding) {
        dockStale = true;
        return;
    }
    dockBuilding = true;
    do {
        dockStale = false;
        rebuildCellList();
    } while (dockStale);
    dockBuilding = false;
}

void MainWindow::rebuildCellList()
{
    // The list reads the engine's cells and lets events through while it
    // is built: no step, load or New may change the engine meanwhile.
    GLWidget::EngineUse use(*glWidget);

    // The new list is built apart, its items under a root that joins the tree
    // only when complete, while the dock keeps showing the list before it:
    // an emptied dock would relayout the window, resize the view and redraw
    // the tissue twice per rebuild.
    auto* fresh = new QTreeWidget(cellDock);
    fresh->setColumnCount(2);
    fresh->setHeaderLabels({tr("Name"), tr("Value")});
    auto* root = new QTreeWidgetItem(QStringList{tr("Index")});

    dbReader* engine = glWidget->reader;
    const int count = engine ? static_cast<int>(engine->cells.size()) : 0;
    QProgressDialog progress(tr("Creating Cell Dock..."), tr("Cancel"), 0, count);
    progress.setWindowModality(Qt::WindowModal);
    progress.setWindowTitle(tr("Cell Info Database"));
    progress.setValue(0);
    for (int k = 0; k < count; ++k) {
        progress.setValue(k);
        QCoreApplication::processEvents();
        if (dockStale || k >= static_cast<int>(engine->cells.size()))
            break;
        const cell* c = engine->cells[k];
        const bool alive = !c->dead;
        auto* item = new QTreeWidgetItem(root);
        item->setText(0, tr("CELL ") + QString::number(k));
        item->setText(2, alive ? "1" : "0");
        item->setText(3, QString::number(k));
        new QTreeWidgetItem(item, {tr("Status"), alive ? "Alive" : "Decease"});
        const auto type = index_name_class.find(c->cell_type);
        new QTreeWidgetItem(item, {tr("Type"), type != index_name_class.end() ? type->second : QString()});
    }
    progress.setValue(count);
    QCoreApplication::processEvents();
    fresh->addTopLevelItem(root);
    // A rebuild asked for meanwhile starts over; this list is not shown.
    if (dockStale) {
        delete fresh;
        return;
    }

    fresh->resizeColumnToContents(0);
    fresh->resizeColumnToContents(1);
    // The items start collapsed, so the names of the cells are measured only
    // once they are shown.
    fresh->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(fresh, &QTreeWidget::itemActivated, this, &MainWindow::select_dock);
    QTreeWidget* shown = cellTree;
    cellTree = fresh;
    cellDock->setWidget(fresh);
    delete shown;
}

void MainWindow::select_dock()
{
    if (!cellTree)
        return;
    const QTreeWidgetItem* item = cellTree->currentItem();
    if (!item)
        return;
    const QString kind = item->text(2);
    if (kind == "1")
        glWidget->selectFromDock(item->text(3).toInt());
    else if (kind == "2")
        glWidget->selectFromDockEdge(item->text(1).toInt());
}
