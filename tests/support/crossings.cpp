#include "crossings.h"

#include "model/dbreader.h"
#include "topology_check.h"

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

// Calls `compare` on every two live cells (i < j, in that order) whose
// boxes overlap, and that a live pair joins when the scope asks for it.
// The boxes are swept along x, so a tissue of many thousand cells is not
// compared cell by cell.
template <typename Compare>
void forNearCells(const dbReader& engine, CrossingScope scope, Compare compare)
{
    const std::size_t n = engine.cells.size();
    std::vector<std::array<double, 4>> box(n, {1e300, 1e300, -1e300, -1e300});
    std::vector<std::size_t> live;
    for (std::size_t k = 0; k < n; ++k) {
        if (engine.cells[k]->dead)
            continue;
        live.push_back(k);
        for (const edge* e : engine.cells[k]->sides) {
            box[k][0] = std::min(box[k][0], e->p1->x);
            box[k][1] = std::min(box[k][1], e->p1->y);
            box[k][2] = std::max(box[k][2], e->p1->x);
            box[k][3] = std::max(box[k][3], e->p1->y);
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> near;
    std::sort(live.begin(), live.end(), [&box](std::size_t a, std::size_t b) { return box[a][0] < box[b][0]; });
    for (std::size_t u = 0; u < live.size(); ++u) {
        const std::size_t i = live[u];
        for (std::size_t v = u + 1; v < live.size() && box[live[v]][0] <= box[i][2]; ++v) {
            const std::size_t j = live[v];
            if (box[i][1] > box[j][3] || box[j][1] > box[i][3])
                continue;
            near.emplace_back(std::min(i, j), std::max(i, j));
        }
    }
    std::sort(near.begin(), near.end());
    for (const auto& [i, j] : near) {
        const cell* a = engine.cells[i];
        const cell* b = engine.cells[j];
        if (scope == CrossingScope::PairedCells && !paired(a, b))
            continue;
        compare(i, a, j, b);
    }
}

// Whether p lies on a side of c, within the tolerance of the crossing test.
bool onBoundary(const point3D* p, const cell* c)
{
    const double eps = 1e-9;
    for (const edge* t : c->sides) {
        const double dx = t->p2->x - t->p1->x, dy = t->p2->y - t->p1->y;
        const double length2 = dx * dx + dy * dy;
        const double along = length2 > 0.0 ? ((p->x - t->p1->x) * dx + (p->y - t->p1->y) * dy) / length2 : 0.0;
        const double u = std::clamp(along, 0.0, 1.0);
        const double ex = t->p1->x + u * dx - p->x, ey = t->p1->y + u * dy - p->y;
        if (ex * ex + ey * ey <= eps * eps)
            return true;
    }
    return false;
}

// Whether p lies inside c's ring (even-odd rule).
bool inside(const point3D* p, const cell* c)
{
    bool in = false;
    for (const edge* t : c->sides) {
        const point3D* a = t->p1;
        const point3D* b = t->p2;
        if ((a->y > p->y) != (b->y > p->y) && p->x < a->x + (p->y - a->y) * (b->x - a->x) / (b->y - a->y))
            in = !in;
    }
    return in;
}

}  // namespace

std::vector<std::string> boundaryCrossings(const dbReader& engine, CrossingScope scope)
{
    std::vector<std::string> out;
    forNearCells(engine, scope, [&out](std::size_t i, const cell* a, std::size_t j, const cell* b) {
        for (const edge* s : a->sides)
            for (const edge* t : b->sides)
                if (properlyCross(s->p1, s->p2, t->p1, t->p2)) {
                    std::ostringstream text;
                    text << "edge " << s->id << " of cell " << i << " crosses edge " << t->id << " of cell " << j;
                    out.push_back(text.str());
                }
    });
    return out;
}

std::vector<std::string> cellsLyingAcross(const dbReader& engine, CrossingScope scope)
{
    std::vector<std::string> out;
    auto vertices = [&out](std::size_t i, const cell* a, std::size_t j, const cell* b) {
        for (const edge* s : a->sides)
            if (!onBoundary(s->p1, b) && inside(s->p1, b)) {
                std::ostringstream text;
                text << "vertex " << s->p1->id << " of cell " << i << " lies inside cell " << j;
                out.push_back(text.str());
            }
    };
    forNearCells(engine, scope, [&vertices](std::size_t i, const cell* a, std::size_t j, const cell* b) {
        vertices(i, a, j, b);
        vertices(j, b, i, a);
    });
    return out;
}

bool boundariesCross(const dbReader& engine, std::string* where)
{
    const std::vector<std::string> found = boundaryCrossings(engine);
    if (!found.empty() && where)
        *where = found.front();
    return !found.empty();
}

::testing::AssertionResult soundAndUncrossed(const dbReader& engine, const std::string& where)
{
    const std::string prefix = where.empty() ? std::string() : where + ": ";
    const ::testing::AssertionResult sound = topologyIsSound(engine);
    if (!sound)
        return ::testing::AssertionFailure() << prefix << sound.message();
    std::string first;
    if (boundariesCross(engine, &first))
        return ::testing::AssertionFailure() << prefix << first;
    return ::testing::AssertionSuccess();
}
