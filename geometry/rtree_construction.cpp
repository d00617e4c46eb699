// Rebuilding the engine's R-tree: the old tree goes whole, a new one takes
// every live cell with its box as it is now, in cell order.
#include "geometry/rtree.h"
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

    QProgressDialog progress(QCoreApplication::translate("dbReader", "Refresh the R-Tree of cells..."), QString(),
                             0, 99);
    progress.setWindowTitle(QCoreApplication::translate("dbReader", "Simulation: R-Tree"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setValue(0);
    progress.show();

    for (std::size_t i = 0; i < cells.size(); i++) {
        cell* c = cells[i];
        if (!c || c->dead)
            continue;
        rtree->insert_leaf(c);
        // Indices above 99 are out of the bar's range and leave it unchanged.
        progress.setValue(static_cast<int>(i));
        QCoreApplication::processEvents();
    }
    progress.setValue(progress.maximum());
    QCoreApplication::processEvents();
    progress.close();
}
