#include "app/designed_tissue.h"

#include "app/newdiagram.h"
#include "model/dbreader.h"
#include "model/disc_ring.h"
#include "model/parameter_tables.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kRadius = 10.0;
constexpr double kTargetArea = 259.8;
}

void build_designed_cells(dbReader& engine, const std::vector<double>& xs,
                          const std::vector<double>& ys)
{
    double bounds[4] = {100000.0, 100000.0, -100000.0, -100000.0};
    const int t = DESIGNED_CELL_TYPE;
    const size_t count = std::min(xs.size(), ys.size());

    for (size_t k = 0; k < count; ++k) {
        const double cx = newDiagram::worldX(xs[k]);
        const double cy = newDiagram::worldY(ys[k]);

        auto* c = new cell(static_cast<int>(engine.cells.size()));
        engine.cells.push_back(c);
        c->center[0] = cx;
        c->center[1] = cy;

        bounds[0] = std::min(bounds[0], cx);
        bounds[1] = std::min(bounds[1], cy);
        bounds[2] = std::max(bounds[2], cx);
        bounds[3] = std::max(bounds[3], cy);

        append_disc_ring(engine, c, cx, cy, kRadius);

        // The type's radius derives from the area, so the area is known
        // before the type is set; the disc radius the neighbour complex
        // weighs by is given afterwards, as a loaded cell has it.
        c->set_area();
        c->target_area = kTargetArea;
        std::fill(std::begin(c->area_history), std::end(c->area_history), c->area);
        c->set_cell_type(t);
        c->radius = kRadius;
        c->set_cell_type_name(index_name_class[t]);
        c->birth_step = 0;
        c->tension = tension_edge_class[t];
        c->pressure = pressure_edge_class[t];
        c->mass = mass_edge_class[t];
        c->color[0] = color_class_R[t];
        c->color[1] = color_class_G[t];
        c->color[2] = color_class_B[t];
        c->unit_factors[0] = c->unit_factors[1] = c->unit_factors[2] = 1.0;
        c->growth_rate = 0.0;
        c->mu = elastic_MU[t];
        c->lambda = elastic_LAMBDA[t];
        c->growth_sign = c->growth_rate > 0 ? 1 : (c->growth_rate < 0 ? -1 : 0);
    }

    engine.bounds[0] = bounds[0] - 1000;
    engine.bounds[1] = bounds[1] - 1000;
    engine.bounds[2] = bounds[2] + 1000;
    engine.bounds[3] = bounds[3] + 1000;
}

void finish_designed_cells(dbReader& engine)
{
    for (cell* c : engine.cells) {
        c->refresh_AABB();
        c->set_area();
        c->target_area = kTargetArea;
        std::fill(std::begin(c->area_history), std::end(c->area_history), c->area);
    }
}
