#include "model/dbreader.h"
#include "model/stage_progress.h"

#include "biology/biology.h"
#include "geometry/ccomplex.h"
#include "geometry/rtree.h"

#include <QCoreApplication>
#include <QProgressDialog>

dbReader::dbReader()
{
    view_volume = new viewVolume();
    // Last: the behaviour model reads the signalling model files now.
    biology = new Biology();
}

dbReader::~dbReader()
{
    // Nothing may pick from an engine that is going away.
    ready = false;

    const int P = static_cast<int>(points.size());
    const int E = static_cast<int>(edges.size());
    const int K = static_cast<int>(cells.size());
    const int I = static_cast<int>(interpairs.size());
    const int N = static_cast<int>(nodes.size());

    QProgressDialog progress;
    showStageProgress(progress, QCoreApplication::translate("dbReader", "Free-up Memory"),
                      QCoreApplication::translate("dbReader", "Clean-up the allocated memory..."), P + E + 2 * K + I + N);

    delete view_volume;
    view_volume = nullptr;
    if (alpha_complex) {
        delete alpha_complex;
        alpha_complex = nullptr;
    }
    if (rtree) {
        delete rtree;
        rtree = nullptr;
    }

    for (int i = 0; i < P; ++i) {
        delete points[i];
        points[i] = nullptr;
        progress.setValue(i);
        QCoreApplication::processEvents();
    }
    for (int i = 0; i < E; ++i) {
        delete edges[i];
        edges[i] = nullptr;
        progress.setValue(P + i);
        QCoreApplication::processEvents();
    }
    // Cells count twice in the range: the behaviour model takes the second share.
    for (int i = 0; i < K; ++i) {
        delete cells[i];
        cells[i] = nullptr;
        progress.setValue(P + E + i);
        QCoreApplication::processEvents();
    }
    delete biology;
    biology = nullptr;
    progress.setValue(P + E + 2 * K);
    QCoreApplication::processEvents();
    for (int i = 0; i < I; ++i) {
        delete interpairs[i];
        interpairs[i] = nullptr;
        progress.setValue(P + E + 2 * K + i);
        QCoreApplication::processEvents();
    }
    for (int i = 0; i < N; ++i) {
        delete nodes[i];
        nodes[i] = nullptr;
        progress.setValue(P + E + 2 * K + I + i);
        QCoreApplication::processEvents();
    }

    points.clear();
    edges.clear();
    cells.clear();
    interpairs.clear();
    nodes.clear();
    progress.setValue(progress.maximum());
    QCoreApplication::processEvents();
    progress.close();
}

viewVolume* dbReader::getViewVolume()
{
    return view_volume;
}

void releaseEngine(dbReader*& holder)
{
    dbReader* engine = holder;
    holder = nullptr;
    delete engine;
}
