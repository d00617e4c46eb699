#ifndef VANTU_APP_MAINWINDOW_H
#define VANTU_APP_MAINWINDOW_H

#include <QMainWindow>
#include <QStringList>

class DiagramWindow;
class GLWidget;
class MainForm;
class newDiagram;
class TabDialog;
class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QScrollArea;
class QSpinBox;
class QToolBar;
class QToolButton;
class QTreeWidget;

// The application's one main window: owns the view, the editors and the
// commands that drive the simulation.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    // Loads a tissue file into the view; true on success.
    bool loadFile(const QString& fileName);

signals:
    void FileLoaded(const QString& str);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void newFile();
    // Builds the circles drawn in the designer into a fresh engine.
    void newDiagramData();
    void open();
    bool save();
    bool saveAs();
    bool picture();
    void closeApp();
    void mode_solid();
    void mode_mesh();
    void mode_molecule();
    void zoom_in();
    void zoom_out();
    void select_all();
    void select_ellipse();
    void select_rectangle();
    void select_dock();
    void selectCellType();
    void selectCellColor();
    void setShowIndex();
    void setShowDirection();
    void showDatabase();
    void buildDiagram();
    void buildCue();
    void updatePara();
    void about();
    void printAbout();
    void openRecentFile();
    void updateStatusBar();
    void updateActions();
    void glWidgetModified();
    void mechModeChanged();
    void mechModeTriggered();
    void setPause();
    void setPlay();
    void playDone();
    void modelStepChanged();
    void bugResponse();
    void buildDockWidget();

public slots:
    // Writes the SBML model files of the parameter database ("Read only" box
    // and false when a file cannot be written).
    bool createXMLForm();
    // Removes the model files written since the last removal.
    void deleteXMLForm();

private:
    // One pass of buildDockWidget: the cell list made afresh.
    void rebuildCellList();
    // Opens the in-memory parameter database on the default connection.
    bool createConnection();
    // Creates its seven tables and fills them with the default rows.
    void createFakeData();

    void createActions();
    void createMenus();
    void createContextMenu();
    void createToolBars();
    void createStatusBar();
    QMenu* createMechMenu(const char* slot);

    // The question before New, Open and a recent file: true to go on.
    // Answered Ok, the tissue is saved first, and a save that is cancelled
    // or fails stops the command (the unsaved tissue is kept); Escape or
    // closing the box stops it too.
    bool askToSave(const QString& question);
    bool saveFile(const QString& fileName);
    bool snapFile(const QString& fileName);
    void setCurrentFile(const QString& fileName);
    void setCurrentSnapshot(const QString& fileName);
    void updateRecentFileActions();
    QString strippedName(const QString& fullFileName);
    bool okToContinue();
    int lineCount(const QString& fileName);
    // The title for an untitled tissue and an empty cell list: the state
    // after the tissue in the view was discarded.
    void forgetTissue();

    enum { MaxRecentFiles = 5 };

    bool modified = false;  // the tissue in the view has unsaved changes
    QWidget* centerWidget = nullptr;
    QScrollArea* glWidgetArea = nullptr;
    GLWidget* glWidget = nullptr;
    MainForm* mainForm = nullptr;            // the Cell Cytokine Manager; owned, no Qt parent
    newDiagram* newDiagramWindow = nullptr;  // the new-tissue designer; owned, no Qt parent
    DiagramWindow* diagramWindow = nullptr;  // the relationship diagram; owned, no Qt parent
    TabDialog* cueDialog = nullptr;          // the migration-cue dialog; owned, no Qt parent
    QLabel* statusLabel1 = nullptr;  // mouse position text
    QLabel* statusLabel2 = nullptr;  // current cell text
    QStringList recentFiles;         // most recent first; in memory only
    QString curFile;                 // current tissue; non-empty enables most commands
    QString curSnapshot;             // last snapshot written
    QAction* recentFileActions[MaxRecentFiles] = {};
    QAction* separatorAction = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QMenu* modeMenu = nullptr;
    QMenu* selectMenu = nullptr;
    QMenu* optionsMenu = nullptr;
    QMenu* windowsMenu = nullptr;
    QMenu* dataMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QDockWidget* cellDock = nullptr;
    QTreeWidget* cellTree = nullptr;  // the cell list last built; null when the dock is empty
    bool dockBuilding = false;  // the cell list is being rebuilt (events are let through)
    bool dockStale = false;     // a rebuild was asked for meanwhile: it runs once more
    QToolBar* fileToolBar = nullptr;
    QToolBar* viewToolBar = nullptr;
    QToolBar* optionsToolBar = nullptr;
    QToolBar* simulateToolBar = nullptr;
    QToolButton* mechButton = nullptr;
    QMenu* mechMenu = nullptr;
    QAction* modelAction = nullptr;
    QAction* growAction = nullptr;
    QAction* relaxAction = nullptr;
    QAction* mechAction = nullptr;  // the mechanism action chosen last
    QSpinBox* modelStepSpinBox = nullptr;
    QToolBar* dataToolBar = nullptr;
    QAction* newAction = nullptr;
    QAction* openAction = nullptr;
    QAction* saveAction = nullptr;
    QAction* saveAsAction = nullptr;
    QAction* snapshotAction = nullptr;
    QAction* exitAction = nullptr;
    QAction* solidAction = nullptr;
    QAction* meshAction = nullptr;
    QToolButton* moleculeButton = nullptr;
    QAction* showIndexAction = nullptr;
    QAction* showDirectionAction = nullptr;
    QAction* showSelectionAction = nullptr;
    QAction* zoomInAction = nullptr;
    QAction* zoomOutAction = nullptr;
    QAction* rectangleAction = nullptr;
    QAction* ovalAction = nullptr;
    QAction* selectAllAction = nullptr;
    QAction* pauseAction = nullptr;
    QAction* playAction = nullptr;
    QAction* cellColorAction = nullptr;
    QAction* cellTypeAction = nullptr;
    QAction* databaseAction = nullptr;
    QAction* linkDiagramAction = nullptr;
    QAction* migrationCueAction = nullptr;
    QAction* aboutAction = nullptr;
    QAction* aboutQtAction = nullptr;
    QAction* printAboutAction = nullptr;

    // Tests reach the window's state through this class.
    friend class MainWindowProbe;
};

#endif
