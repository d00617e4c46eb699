// The view's state, its engine and the timer-driven step loop.
//
// A step runs the engine stages in a fixed order on the one engine:
//   mesh -> behaviour -> mechanics -> contact -> pick -> edge -> R-tree
// each of behaviour to edge only while the one before returned -1. The R-tree
// is rebuilt and the cell list refreshed after every step, also a failing
// one; a failure (0 or more) pauses the loop and shows "Geometric Problem",
// otherwise the step's picture is saved beside the tissue file.
#include "app/glwidget.h"

#include "app/propertiesdialog.h"
#include "model/dbreader.h"
#include "model/parameter_tables.h"
#include "model/tissue_file.h"

#include <QColorDialog>
#include <QImage>
#include <QMessageBox>
#include <QTimer>


GLWidget::GLWidget(QWidget* parent)
    : QGLWidget(parent)
{
    // bug_response must run before any slot another party connects later,
    // so this connection is made first.
    connect(this, &GLWidget::bug_message, this, &GLWidget::bug_response);

    stages[STAGE_MESH] = [](dbReader& engine, int step) {
        engine.cell_mesh_generation(step);
        return -1;
    };
    stages[STAGE_BEHAVIOUR] = [](dbReader& engine, int step) { return engine.cell_setupbiobehaviors(step); };
    stages[STAGE_MECHANICS] = [](dbReader& engine, int step) { return engine.cell_dynamic_FEM(step); };
    stages[STAGE_CONTACT] = [](dbReader& engine, int step) { return engine.detect_collision(step); };
    stages[STAGE_PICK] = [](dbReader& engine, int step) { return engine.cell_pick_response(step); };
    stages[STAGE_EDGE] = [](dbReader& engine, int step) { return engine.cell_edge_response(step); };
    stages[STAGE_RTREE] = [](dbReader& engine, int) {
        engine.r_tree_construction(engine.bounds);
        return -1;
    };

    // The timer runs for the life of the view; the loop is paused by the
    // `paused` flag alone.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &GLWidget::advanceSim);
    timer->start(200);
}

GLWidget::~GLWidget()
{
    deleteReader();
    delete cellProperty;
}

void GLWidget::setStage(Stage stage, StageFunction function)
{
    stages[stage] = std::move(function);
}

// --- tissue files ----------------------------------------------------------

int GLWidget::readLineCount(const QString& fileName)
{
    return TissueFile::readLineCount(this, fileName);
}

bool GLWidget::readDatabase(const QString& fileName, int lineCount)
{
    if (engineInUse())
        return false;
    clearSelectionModes();
    // Whatever the outcome, indices picked in the present tissue must not
    // reach the next one.
    clearSelection();
    EngineUse use(*this);
    TissueFile::LoadHooks hooks;
    hooks.engineCreated = [this] { emit delete_message(currentStep); };
    hooks.tablesLoaded = [this] { new_cellProperty(); };
    if (!TissueFile::readDatabase(this, reader, fileName, lineCount, currentStep, hooks))
        return false;
    this->fileName = fileName;
    updateGL();
    return true;
}

bool GLWidget::writeFile(const QString& fileName)
{
    if (engineInUse())
        return false;
    clearSelectionModes();
    EngineUse use(*this);
    return TissueFile::writeFile(this, reader, fileName);
}

// --- the step loop ---------------------------------------------------------

void GLWidget::update_model_number(int n)
{
    if (currentStep == targetStep) {
        targetStep = currentStep + n;
        modelNumber = targetStep;
    } else if (currentStep < targetStep) {
        targetStep = modelNumber + n;
    }
}

int GLWidget::runStage(Stage stage)
{
    if (!stages[stage] || !reader)
        return -1;
    return stages[stage](*reader, currentStep);
}

void GLWidget::advanceSim()
{
    if (paused)
        return;
    // A tick that arrives while the engine is worked on (a previous step, a
    // load, a save, a dock rebuild or a teardown letting events through)
    // does nothing.
    if (ticking || engineInUse())
        return;
    ticking = true;

    if (currentStep < targetStep) {
        if (!reader) {
            // Nothing to simulate: the run ends as if its target were reached.
            paused = true;
            emit play_message(modelNumber);
            ticking = false;
            return;
        }
        ++currentStep;
        int r = -1;
        {
            EngineUse use(*this);
            runStage(STAGE_MESH);
            r = runStage(STAGE_BEHAVIOUR);
            // The behaviour stage lets events through, so Pause may have been
            // pressed meanwhile: the mechanics are then left out of this step.
            if (r == -1 && !paused)
                r = runStage(STAGE_MECHANICS);
            if (r == -1)
                r = runStage(STAGE_CONTACT);
            if (r == -1)
                r = runStage(STAGE_PICK);
            if (r == -1) {
                r = runStage(STAGE_EDGE);
                if (r < 0)
                    r = -1;
            }
            runStage(STAGE_RTREE);
        }
        emit dock_message(currentStep);

        if (r >= 0) {
            paused = true;
            const QString message = reader ? reader->message : QString();
            const auto answer =
                QMessageBox::warning(this, "Geometric Problem", message, QMessageBox::Ok);
            if (answer == QMessageBox::Ok) {
                ticking = false;
                emit bug_message(r);
                return;
            }
        }
        updateGL();
        snapshotFile(fileName + "." + QString::number(currentStep) + ".png");
        updateGL();
    } else if (currentStep == targetStep) {
        modelNumber = 0;
        paused = true;
        emit play_message(modelNumber);
        updateGL();
    } else {
        updateGL();
    }
    ticking = false;
}

void GLWidget::setPause(bool)
{
    clearSelectionModes();
    paused = true;
}

void GLWidget::setPlay(bool)
{
    clearSelectionModes();
    paused = false;
}

void GLWidget::setModelMech(int mT)
{
    modelMech = mT;
}

void GLWidget::setChemotaxis(bool)
{
    clearSelectionModes();
}

void GLWidget::setCohesotaxis(bool)
{
    clearSelectionModes();
}

void GLWidget::setChemokinesis(bool)
{
    clearSelectionModes();
}

void GLWidget::setOpenEdge(bool)
{
    clearSelectionModes();
}

// --- the engine --------------------------------------------------------------

void GLWidget::deleteReader()
{
    if (!reader)
        return;
    dbReader* engine = reader;
    reader = nullptr;
    EngineUse use(*this);
    delete engine;
}

void GLWidget::new_reader()
{
    if (engineInUse())
        return;
    clearSelection();
    deleteReader();
    EngineUse use(*this);
    reader = new dbReader();
}

void GLWidget::bug_response()
{
    if (engineInUse())
        return;
    clearSelection();
    deleteReader();
}

// --- forwarders --------------------------------------------------------------

int GLWidget::collision_detection()
{
    return runStage(STAGE_CONTACT);
}

int GLWidget::cell_biology()
{
    return runStage(STAGE_BEHAVIOUR);
}

int GLWidget::cell_physics()
{
    if (paused || engineInUse())
        return -1;
    EngineUse use(*this);
    return runStage(STAGE_MECHANICS);
}

int GLWidget::cell_edge_length()
{
    return runStage(STAGE_EDGE);
}

int GLWidget::cell_pick_check()
{
    return runStage(STAGE_PICK);
}

void GLWidget::cell_inner_mesh()
{
    runStage(STAGE_MESH);
}

void GLWidget::R_Tree()
{
    runStage(STAGE_RTREE);
}

void GLWidget::Dock_Tree()
{
    emit dock_message(currentStep);
}

// --- selection -----------------------------------------------------------------

void GLWidget::clearSelectionModes()
{
    selectRectangle = false;
    selectEllipse = false;
}

void GLWidget::clearSelection()
{
    if (reader) {
        for (int i : selectedCells)
            if (i >= 0 && i < static_cast<int>(reader->cells.size()))
                reader->cells[i]->selected = false;
        if (selectedEdge >= 0 && selectedEdge < static_cast<int>(reader->edges.size()))
            reader->edges[selectedEdge]->selected = false;
    }
    selectedCells.clear();
    selectedEdge = -1;
}

void GLWidget::select_Rectangle()
{
    selectRectangle = true;
}

void GLWidget::select_Ellipse()
{
    selectEllipse = true;
}

void GLWidget::select_All()
{
}

void GLWidget::selectFromDock(int i)
{
    clearSelection();
    if (reader && i >= 0 && i < static_cast<int>(reader->cells.size()) && !reader->cells[i]->dead) {
        selectedCells.push_back(i);
        reader->cells[i]->selected = true;
    }
    updateGL();
}

void GLWidget::selectFromDockEdge(int i)
{
    clearSelection();
    if (reader && i >= 0 && i < static_cast<int>(reader->edges.size())) {
        selectedEdge = i;
        reader->edges[i]->selected = true;
    }
    updateGL();
}

void GLWidget::set_new_color()
{
    clearSelectionModes();
    if (selectedCells.empty())
        return;
    const QColor color = QColorDialog::getColor(QColor(), this, QString());
    if (!color.isValid() || !reader)
        return;
    for (int i : selectedCells) {
        if (i < 0 || i >= static_cast<int>(reader->cells.size()))
            continue;
        reader->cells[i]->color[0] = color.red() / 255.0;
        reader->cells[i]->color[1] = color.green() / 255.0;
        reader->cells[i]->color[2] = color.blue() / 255.0;
    }
    updateGL();
}

QString GLWidget::mousecursor()
{
    if (lastPos == QPoint(0, 0))
        return "not specified";
    if (!reader)
        return "mouse pressed at: " + QString::number(lastPos.x()) + "," +
               QString::number(lastPos.y());
    return "mouse coordinates: " + QString::number(lastPos.x()) + "," +
           QString::number(lastPos.y()) + "," + "world coordinates: " +
           QString::number(pressWorldX, 'g', 6) + "," + QString::number(pressWorldY, 'g', 6);
}

QString GLWidget::currentcell()
{
    if (selectedCells.empty() || !reader)
        return "Pressed at open space!";
    const int i = selectedCells.front();
    if (i < 0 || i >= static_cast<int>(reader->cells.size()))
        return "Pressed at open space!";
    const auto type = index_name_class.find(reader->cells[i]->cell_type);
    const QString name = type != index_name_class.end() ? type->second : QString();
    return "Pressed at cell " + QString::number(i) + ", cell type: " + name;
}

// --- view commands and GL ------------------------------------------------------

void GLWidget::set_view_type(int type)
{
    clearSelectionModes();
    viewType = type;
    updateGL();
}

void GLWidget::set_diffusion_number(int number)
{
    diffusionNumber = number;
    updateGL();
}

void GLWidget::set_zoom_in()
{
    clearSelectionModes();
    scale *= 1.05;
    updateGL();
}

void GLWidget::set_zoom_out()
{
    clearSelectionModes();
    scale /= 1.05;
    updateGL();
}

void GLWidget::setShowIndex(bool show)
{
    clearSelectionModes();
    showIndex = show;
}

void GLWidget::setShowDirection(bool show)
{
    clearSelectionModes();
    showDirection = show;
    updateGL();
}

void GLWidget::setShowSelection(bool show)
{
    clearSelectionModes();
    showSelection = show;
    updateGL();
}

bool GLWidget::snapshotFile(const QString& name)
{
    clearSelectionModes();
    const QImage image = grabFrameBuffer(false);
    return image.save(name);
}

int GLWidget::width()
{
    if (!isValid())
        return QGLWidget::width();
    makeCurrent();
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    return viewport[2];
}

int GLWidget::height()
{
    if (!isValid())
        return QGLWidget::height();
    makeCurrent();
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    return viewport[3];
}

void GLWidget::keyPressEvent(QKeyEvent*)
{
}

void GLWidget::initializeGL()
{
    // The projection is 800 by 600 units whatever the window's size.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(1, 1, 1, 1);
}

void GLWidget::resizeGL(int w, int h)
{
    glViewport(0, 0, w, h);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] > 0 && viewport[3] > 0) {
        unitsPerPixelX *= static_cast<double>(viewportWidth) / viewport[2];
        unitsPerPixelY *= static_cast<double>(viewportHeight) / viewport[3];
        viewportWidth = viewport[2];
        viewportHeight = viewport[3];
    }
    updateGL();
}

void GLWidget::paintGL()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_MULTISAMPLE);
    Dataprojection();
}
