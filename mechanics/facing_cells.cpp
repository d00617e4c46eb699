#include "mechanics/facing_cells.h"

#include "geometry/cd3dw.h"
#include "model/point3d.h"

#include <algorithm>

namespace {

// Weight of a mesh point: the square of the target edge length.
constexpr double kPointWeight = 9.869604378534024;
// The box of the inner points is widened by this much on every side.
constexpr double kBoxMargin = 1000.0;

}  // namespace

void visit_facing_triangles(const std::vector<cell*>& cells,
                            const std::function<void(cell*, cell*, cell*)>& visit)
{
    double box[4] = {1e12, 1e12, -1e12, -1e12};
    for (const cell* c : cells) {
        for (const point3D* p : c->inner_p) {
            box[0] = std::min(box[0], p->x);
            box[1] = std::min(box[1], p->y);
            box[2] = std::max(box[2], p->x);
            box[3] = std::max(box[3], p->y);
        }
    }
    if (box[0] > box[2] || box[1] > box[3])
        return;
    box[0] -= kBoxMargin;
    box[1] -= kBoxMargin;
    box[2] += kBoxMargin;
    box[3] += kBoxMargin;

    CD3DW dt(box);
    int id = 0;
    for (const cell* c : cells) {
        if (c->inner_p.empty()) {
            for (point3D* p : c->inner_p_slip)
                dt.add_resample(p->x, p->y, kPointWeight, id++, p);
        } else {
            for (point3D* p : c->inner_p)
                if (p->deep_inner == 0)
                    dt.add_resample(p->x, p->y, kPointWeight, id++, p);
        }
    }
    for (CCell* t : dt.cells) {
        if (!t->alive || t->has_bounding_vertex())
            continue;
        cell* K[3];
        for (int i = 0; i < 3; ++i)
            K[i] = t->vertex[i]->point ? t->vertex[i]->point->cell : nullptr;
        visit(K[0], K[1], K[2]);
    }
}
