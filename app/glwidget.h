#ifndef VANTU_APP_GLWIDGET_H
#define VANTU_APP_GLWIDGET_H

#include <QGLWidget>
#include <QPoint>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class dbReader;
class propertiesDialog;
struct point2D;

// The central OpenGL view of the main window and the driver of the
// simulation: it owns the one engine (`reader`), runs the step loop from a
// 200 ms timer that ticks for the life of the view, and holds the view state
// that drawing and selection use.
//
// Re-entry: the engine stages, the tissue reader and writer and the engine's
// teardown show progress dialogs that let the event loop run, so user commands
// and timer ticks can arrive while the engine is being worked on. Every such
// operation holds the engine (EngineUse); while it is held a tick does
// nothing, and loads, saves, New and teardown refuse to start.
class GLWidget : public QGLWidget {
    Q_OBJECT

public:
    // What the view draws.
    enum ViewType { VIEW_SOLID = 0, VIEW_MESH = 1, VIEW_MOLECULE = 2 };

    // The stages of one simulated step, in the order the loop runs them.
    enum Stage {
        STAGE_MESH,        // re-mesh every live cell (no result)
        STAGE_BEHAVIOUR,   // behaviour, growth or relaxation by the mechanism mode
        STAGE_MECHANICS,   // finite-element step (skipped when paused meanwhile)
        STAGE_CONTACT,     // per-step contact update
        STAGE_PICK,        // too-sharp junction corrections
        STAGE_EDGE,        // shared-edge corrections; any negative result is success
        STAGE_RTREE,       // rebuild the R-tree of cell boxes (no result)
        STAGE_COUNT
    };
    // A stage runs on the engine with the step number and returns the step
    // result: -1 success, 0 or more the index at fault (message in the
    // engine). Stages without a result return -1.
    using StageFunction = std::function<int(dbReader& engine, int step)>;

    // Marks the engine as in use for the lifetime of the object.
    class EngineUse {
    public:
        explicit EngineUse(GLWidget& view) : view(view) { ++view.engineHolds; }
        ~EngineUse() { --view.engineHolds; }
        EngineUse(const EngineUse&) = delete;
        EngineUse& operator=(const EngineUse&) = delete;

    private:
        GLWidget& view;
    };

    explicit GLWidget(QWidget* parent = nullptr);
    ~GLWidget() override;

    // True while a step, a load, a save, a dock rebuild or a teardown works
    // on the engine: the engine must then be neither replaced nor read.
    bool engineInUse() const { return engineHolds > 0; }

    // Replaces one stage of the step loop; an empty function leaves the
    // stage out. The loop is assembled from the engine stages that exist;
    // tests use this to make a stage fail.
    void setStage(Stage stage, StageFunction function);
    // The function a stage runs now (empty when the stage is left out).
    const StageFunction& stageFunction(Stage stage) const { return stages[stage]; }

    // Tissue files (thin wrappers around the engine's tissue reader and
    // writer; they report failures in message boxes with this view as parent).
    int readLineCount(const QString& fileName);
    bool readDatabase(const QString& fileName, int lineCount);
    bool writeFile(const QString& fileName);

    // Sets the step target from the step count n of the main window.
    void update_model_number(int n);
    // Deletes the current engine, if any, and makes a new, empty one.
    // Does nothing while the engine is in use.
    void new_reader();
    // Grabs the frame buffer and saves it; the format follows the suffix.
    bool snapshotFile(const QString& name);

    // Width and height of the current GL viewport, read from GL each call.
    int width();
    int height();

    // View commands: what is drawn and how.
    void set_view_type(int type);
    void set_diffusion_number(int number);
    void set_zoom_in();
    void set_zoom_out();

    // Selection commands.
    void select_Rectangle();
    void select_Ellipse();
    void select_All();
    // Makes cell i the only selected cell; an index that names no live cell
    // of the current engine only clears the selection.
    void selectFromDock(int i);
    // Highlights edge i; an index that names no edge only clears.
    void selectFromDockEdge(int i);
    // Offers a colour chooser for the selected cells.
    void set_new_color();

    // Status-bar texts: the pointer position and the picked cell.
    QString mousecursor();
    QString currentcell();
    // The pan, zoom and viewport size as text (no command shows it).
    QString currentmatrix();

    // Offers the cell-type chooser for the selected cells.
    void set_new_type();
    // Replaces the cell-type chooser by one that lists the current types.
    void new_cellProperty();

    // Drawing (immediate mode, projection units; see glwidget_render.cpp).
    void Dataprojection();
    void drawtriangles();
    void drawinnermesh();
    void drawBresenhamCircle(point2D* centre, int r, double* colour);
    void drawBresenhamEllipse(point2D* centre, int a, int b, double* colour, int mode);
    void saveGLState();
    void restoreGLState();

    // Stage forwarders: one engine stage with `currentStep`, result unchanged.
    int collision_detection();
    int cell_biology();
    int cell_physics();
    int cell_edge_length();
    int cell_pick_check();
    void cell_inner_mesh();
    void R_Tree();
    void Dock_Tree();

    // --- view state (read by the main window, drawing and selection) -----
    QPoint lastPos;             // last mouse position, widget pixels, y down
    QPoint pressPos;            // position of the last mouse press
    QPoint releasePos;          // position of the last mouse release
    propertiesDialog* cellProperty = nullptr;  // the cell-type chooser; owned, no Qt parent
    QString fileName;           // tissue file last read; base of the step pictures
    double translateX = 0;      // horizontal pan offset, pixels
    double translateY = 0;      // vertical pan offset, pixels, y up
    double scale = 1.0;         // zoom factor
    double unitsPerPixelX = 1.0;  // projection units per pixel across (800 / width)
    double unitsPerPixelY = 1.0;  // projection units per pixel upward (600 / height)
    int viewportWidth = 800;    // width of the GL viewport, kept by resizeGL
    int viewportHeight = 600;   // height of the GL viewport, kept by resizeGL
    double pressWorldX = 0;     // world x of the last press that reached picking
    double pressWorldY = 0;     // world y of that press
    bool paused = true;         // the step loop does nothing while set
    int viewType = VIEW_SOLID;  // a ViewType
    bool selectRectangle = false;  // rectangle selection armed
    bool selectEllipse = false;    // ellipse selection armed
    bool showIndex = true;      // stored only; no effect on the drawing
    bool showDirection = true;  // draw migration arrows
    bool showSelection = false; // stored only; no effect on the drawing
    int diffusionNumber = 0;    // cytokine shown in the density view
    int modelMech = 1;          // mechanism mode last chosen: 0 grow, 1 model, 2 relax
    int currentStep = 0;        // number of the last simulated step; never reset
    int modelNumber = 0;        // step at which the run of the last count change ends
    int targetStep = 1;         // the loop advances only while currentStep is below it
    std::vector<int> selectedCells;  // indices into the engine's cells; empty for none
    int selectedEdge = -1;      // index into the engine's edges, -1 for none
    dbReader* reader = nullptr; // the engine, owned; null before the first one

signals:
    void selectVectors(int& index);
    void mouse_message(const QString& str);
    void bug_message(int& id);
    void play_message(int& number);
    void dock_message(int& number);
    void delete_message(int& number);

public slots:
    // Drops the selection and the engine after a geometric problem.
    void bug_response();
    // Gives the type chosen in the cell-type chooser to the selected cells.
    void set_cell_type();
    void setModelMech(int mT);
    void setShowIndex(bool showIndex);
    void setShowDirection(bool showDirection);
    void setShowSelection(bool showSelection);
    void setChemotaxis(bool);
    void setCohesotaxis(bool);
    void setChemokinesis(bool);
    void setOpenEdge(bool);
    void setPause(bool Pause);
    void setPlay(bool Play);

private slots:
    // One tick of the step loop.
    void advanceSim();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

private:
    // World to projection units.
    double projectX(double x) const;
    double projectY(double y) const;

    void clearSelectionModes();
    // Empties the selection; flags are cleared on the engine's records when
    // they still exist.
    void clearSelection();
    // Detaches the engine, then deletes it (the destructor shows a progress
    // dialog, so nothing may reach it through `reader` meanwhile).
    void deleteReader();
    int runStage(Stage stage);

    std::array<StageFunction, STAGE_COUNT> stages;
    int engineHolds = 0;   // number of operations working on the engine
    bool ticking = false;  // a tick is running
};

#endif
