#include "app/designed_tissue.h"

#include "app/newdiagram.h"
#include "model/dbreader.h"
#include "model/parameter_tables.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kRingVertices = 20;
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

        // The ring: vertices, each in a node of its own, then the edges
        // joining them counter-clockwise.
        const int base = static_cast<int>(engine.points.size());
        for (int j = 0; j < kRingVertices; ++j) {
            const double theta = j * 0.314159265;
            auto* p = j == 0 ? new point3D(base, cx + kRadius, cy)
                             : new point3D(base + j, cx + kRadius * std::cos(theta),
                                           cy + kRadius * std::sin(theta));
            engine.points.push_back(p);
            auto* n = new node(static_cast<int>(engine.nodes.size()));
            engine.nodes.push_back(n);
            n->pushvertex(p);
            p->node = n;
            p->in_node = 1;
        }
        for (int j = 0; j < kRingVertices; ++j) {
            point3D* p1 = engine.points[base + j];
            point3D* p2 = engine.points[base + (j + 1) % kRingVertices];
            auto* e = new edge(static_cast<int>(engine.edges.size()), p1, p2, c);
            e->normal[0] = p2->y - p1->y;
            e->normal[1] = p1->x - p2->x;
            e->in_use = 1;
            engine.edges.push_back(e);
            c->sides.push_back(e);
            p1->out_edge = e;
            p2->in_edge = e;
            p1->next = p2;
            p2->prev = p1;
        }
        c->AABB_xmin = engine.points[base + 10];
        c->AABB_ymin = engine.points[base + 15];
        c->AABB_xmax = engine.points[base];
        c->AABB_ymax = engine.points[base + 5];

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
