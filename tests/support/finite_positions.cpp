#include "finite_positions.h"

#include "model/dbreader.h"

#include <cmath>

bool positionsFinite(const dbReader& engine, std::string* where)
{
    auto finite = [](const point3D* p) { return std::isfinite(p->x) && std::isfinite(p->y); };
    for (const cell* c : engine.cells) {
        if (c->dead)
            continue;
        for (const edge* s : c->sides)
            if (!finite(s->p1)) {
                if (where)
                    *where = "vertex " + std::to_string(s->p1->id) + " of cell " + std::to_string(c->id);
                return false;
            }
        for (std::size_t i = 0; i < c->inner_p.size(); ++i)
            if (!finite(c->inner_p[i])) {
                if (where)
                    *where = "inner point " + std::to_string(i) + " of cell " + std::to_string(c->id);
                return false;
            }
    }
    return true;
}
