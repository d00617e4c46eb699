#include "crossings.h"

#include "model/dbreader.h"

#include <algorithm>
#include <array>
#include <sstream>

namespace {

double orient(const point3D* a, const point3D* b, const point3D* c)
{
    return (b->x - a->x) * (c->y - a->y) - (b->y - a->y) * (c->x - a->x);
}

// Segments ab and cd cross at one point inside both: no shared end, no
// touching, no collinear overlap.
bool properlyCross(const point3D* a, const point3D* b, const point3D* c, const point3D* d)
{
    const double eps = 1e-9;
    const double o1 = orient(a, b, c), o2 = orient(a, b, d), o3 = orient(c, d, a), o4 = orient(c, d, b);
    return ((o1 > eps && o2 < -eps) || (o1 < -eps && o2 > eps)) && ((o3 > eps && o4 < -eps) || (o3 < -eps && o4 > eps));
}

}  // namespace

namespace {

bool paired(const cell* a, const cell* b)
{
    for (const interpair* p : a->pairs)
        if (p && !p->removed && ((p->cell1 == a && p->cell2 == b) || (p->cell1 == b && p->cell2 == a)))
            return true;
    return false;
}

}  // namespace

std::vector<std::string> boundaryCrossings(const dbReader& engine, CrossingScope scope)
{
    // Only cells whose boxes overlap can cross.
    const std::size_t n = engine.cells.size();
    std::vector<std::array<double, 4>> box(n, {1e300, 1e300, -1e300, -1e300});
    for (std::size_t k = 0; k < n; ++k)
        for (const edge* e : engine.cells[k]->sides) {
            box[k][0] = std::min(box[k][0], e->p1->x);
            box[k][1] = std::min(box[k][1], e->p1->y);
            box[k][2] = std::max(box[k][2], e->p1->x);
            box[k][3] = std::max(box[k][3], e->p1->y);
        }
    std::vector<std::string> out;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j) {
            const cell* a = engine.cells[i];
            const cell* b = engine.cells[j];
            if (a->dead || b->dead || box[i][0] > box[j][2] || box[j][0] > box[i][2] || box[i][1] > box[j][3]
                || box[j][1] > box[i][3])
                continue;
            if (scope == CrossingScope::PairedCells && !paired(a, b))
                continue;
            for (const edge* s : a->sides)
                for (const edge* t : b->sides)
                    if (properlyCross(s->p1, s->p2, t->p1, t->p2)) {
                        std::ostringstream text;
                        text << "edge " << s->id << " of cell " << i << " crosses edge " << t->id << " of cell " << j;
                        out.push_back(text.str());
                    }
        }
    return out;
}

bool boundariesCross(const dbReader& engine, std::string* where)
{
    const std::vector<std::string> found = boundaryCrossings(engine);
    if (!found.empty() && where)
        *where = found.front();
    return !found.empty();
}
