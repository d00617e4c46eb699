#include "support/wound_run.h"

#include "model/dbreader.h"
#include "support/contact_run.h"

#include <algorithm>
#include <cmath>

std::vector<int> woundEdgeCells(const dbReader& engine, int type)
{
    std::vector<double> xs;
    for (const cell* c : engine.cells)
        xs.push_back(c->center[0]);
    std::sort(xs.begin(), xs.end());
    double gap = 0.0, left = 0.0;
    for (std::size_t k = 1; k < xs.size(); ++k)
        if (xs[k] - xs[k - 1] > gap) {
            gap = xs[k] - xs[k - 1];
            left = xs[k - 1];
        }
    std::vector<int> ids;
    for (const cell* c : engine.cells)
        if (std::fabs(c->center[0] - left) < 1e-9 && c->cell_type == type)
            ids.push_back(c->id);
    return ids;
}

int stepAsTheView(dbReader& engine, int step)
{
    engine.cell_mesh_generation(step);
    int r = engine.cell_setupbiobehaviors(step);
    if (r < 0)
        r = engine.cell_dynamic_FEM(step);
    if (r < 0)
        r = runCorrectionStages(engine, step);
    engine.r_tree_construction(engine.bounds);
    return r;
}
