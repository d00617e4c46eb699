// Rebuilding the engine's R-tree: the old tree goes whole, a new one takes
// every live cell with its box as it is now, in cell order.
#include "geometry/rtree.h"
#include "model/stage_progress.h"
#include "model/cell.h"
#include "model/dbreader.h"

#include <QCoreApplication>
#include <QProgressDialog>

void dbReader::r_tree_construction(double* rect)
{
    // The tree object goes with its nodes; the pointer never names freed memory.
    if (rtree) {
        RT3D* old = rtree;
        rtree = nullptr;
        old->cleanup();
        delete old;
    }
    rtree = new RT3D(rect);

    // No Cancel button: the rebuild always runs to its end.
    QProgressDialog progress(QString(), QString(), 0, 0);
    showStageProgress(progress, QCoreApplication::translate("dbReader", "Simulation: R-Tree"),
                      QCoreApplication::translate("dbReader", "Refresh the R-Tree of cells..."), 99);

    StageTicker ticker(progress);
    for (std::size_t i = 0; i < cells.size(); i++) {
        cell* c = cells[i];
        if (!c || c->dead)
            continue;
        rtree->insert_leaf(c);
        // Indices above 99 are out of the bar's range and leave it unchanged.
        ticker.advance(static_cast<int>(i));
    }
    progress.setValue(progress.maximum());
    QCoreApplication::processEvents();
    progress.close();
}
