// The main window's side of the new-tissue designer: turning the circles of
// the designer into the cells of a fresh engine, welding the touching ones.
#include "app/mainwindow.h"
#include "model/stage_progress.h"

#include "app/designed_tissue.h"
#include "app/glwidget.h"
#include "app/newdiagram.h"
#include "geometry/ccomplex.h"
#include "model/dbreader.h"
#include "model/parameter_tables.h"

#include <QApplication>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>

void MainWindow::newDiagramData()
{
    // A step, a load or a dock rebuild is working on the engine, which must
    // not be replaced under it: the build follows once that has ended.
    if (glWidget->engineInUse()) {
        QTimer::singleShot(50, this, &MainWindow::newDiagramData);
        return;
    }

    QProgressDialog progress;
    showStageProgress(progress, tr("New Tissue transform"), tr("Creating diffusion files..."), 99);
    QApplication::processEvents();
    if (glWidget->engineInUse()) {
        QTimer::singleShot(50, this, &MainWindow::newDiagramData);
        return;
    }

    // The new engine's behaviour model reads the model files. New wrote
    // them, but a file opened while the designer was up removed them again,
    // so they are written afresh (a failure has shown its own warning). They
    // are not needed once the engine has read them.
    createXMLForm();
    glWidget->new_reader();
    dbReader* engine = glWidget->reader;
    if (!engine)
        return;
    GLWidget::EngineUse use(*glWidget);
    engine->ready = false;
    deleteXMLForm();

    progress.setLabelText(tr("Creating cells..."));
    progress.setValue(50);
    QApplication::processEvents();

    UserInitialParas();
    glWidget->new_cellProperty();
    build_designed_cells(*engine, newDiagramWindow->xPositions, newDiagramWindow->yPositions);
    newDiagramWindow->xPositions.clear();
    newDiagramWindow->yPositions.clear();

    progress.setLabelText(tr("Creating cells..."));
    progress.setValue(99);
    QApplication::processEvents();

    // The neighbour complex serves the initial welding pass only; it is
    // released here, once, and the engine no longer refers to it.
    engine->delaunay_triangulation(engine->bounds);
    engine->detect_collision(0);
    engine->cell_mesh_generation(0);
    delete engine->alpha_complex;
    engine->alpha_complex = nullptr;
    finish_designed_cells(*engine);
    engine->r_tree_construction(engine->bounds);

    const int w = glWidget->width();
    const int h = glWidget->height();
    if (w > 0 && h > 0) {
        glWidget->unitsPerPixelX = 800.0 / w;
        glWidget->unitsPerPixelY = 600.0 / h;
        glWidget->viewportWidth = w;
        glWidget->viewportHeight = h;
    }
    glWidget->translateX = 0;
    glWidget->translateY = 0;

    statusBar()->showMessage(tr("New Project"), 2000);
    buildDockWidget();
    modified = true;
    engine->ready = true;
    glWidget->updateGL();
}
