// Rear detachment of a migrating cell. The cell keeps records of the cells it
// met across its leading side (cell::filling_cells: record 0 is the cell
// itself with its neighbours, record 1 the first cell it met). Once that cell
// has died and the migrating cell has moved a cell's radius past the place
// where it met it, the gap behind is closed: which cells now face the
// migrating cell is read from a weighted Delaunay triangulation of the mesh
// points next to the boundaries around it, those contacts are made or
// revived, the unwelded contacts left behind are dropped, and record 1 goes.
#include "contact/welding.h"
#include "mechanics/facing_cells.h"
#include "mechanics/response_blocks.h"

#include <cmath>
#include <vector>

namespace {

// A dropped contact stays when its other cell lies ahead of or beside the
// direction of the record (cosine above this).
constexpr double kBehind = -0.1;

void push_unique(std::vector<cell*>& list, cell* c)
{
    for (cell* x : list)
        if (x == c)
            return;
    list.push_back(c);
}

cell* other_cell(const interpair* q, const cell* c)
{
    return q->cell1 == c ? q->cell2 : q->cell1;
}

// The cells that share a triangle with c's points, in the order their
// triangles are met.
std::vector<cell*> facing_cells(cell* c, std::vector<cell*> around)
{
    std::vector<cell*> found;
    around.push_back(c);
    visit_facing_triangles(around, [c, &found](cell* a, cell* b, cell* d) {
        if (a != c && b != c && d != c)
            return;
        for (cell* k : {a, b, d})
            if (k && k != c)
                push_unique(found, k);
    });
    return found;
}

}  // namespace

int dbReader::migrating_cell_rear(cell* c, int, int step)
{
    (void)step;
    if (!c || c->filling_cells.size() < 3)
        return STEP_OK;
    rear_fc* r0 = c->filling_cells[0];
    rear_fc* r1 = c->filling_cells[1];
    cell* F = r1 ? r1->filling_cell : nullptr;
    if (!r0 || !F || F->cell_type < 0 || !F->dead)
        return STEP_OK;

    // 1. Wait until c has left the place where it met F: the radius of a
    // circle whose perimeter is F's sides at the target length.
    const double R = double(F->sides.size()) * response::kPi * 0.5 / response::kPi;
    for (edge* s : c->sides)
        if (s && s->p1 && std::hypot(s->p1->x - r1->x, s->p1->y - r1->y) < R)
            return STEP_OK;

    const double P0[2] = {c->center[0], c->center[1]};
    const double a = r1->angle * response::kPi / 180.0;
    const double u[2] = {std::cos(a), std::sin(a)};

    // 2. The cells around c, F and dead cells left out.
    std::vector<cell*> around;
    for (cell* x : r0->NCs)
        if (x && x != F && x != c && !x->dead)
            push_unique(around, x);
    for (interpair* q : c->pairs) {
        if (!q || q->removed)
            continue;
        cell* o = other_cell(q, c);
        if (o && o != F && o != c && !o->dead)
            push_unique(around, o);
    }

    // 3. F's neighbourhood is handed to record 0.
    r0->clear_NCs();
    for (cell* x : r1->NCs)
        r0->push_NCs(x);
    r0->push_NCs(F);

    // 4. Unwelded contacts are dissolved unless the triangulation or their
    // place ahead of c keeps them.
    for (interpair* q : c->pairs)
        if (q && q->MP.empty())
            q->removed = 1;
    for (cell* X : facing_cells(c, around)) {
        interpair* q = welding::find_any_pair(c, X);
        if (q)
            q->removed = 0;
        else
            welding::new_pair(*this, c, X);
    }

    std::vector<interpair*> detach;
    for (std::size_t i = c->pairs.size(); i-- > 0;) {
        interpair* q = c->pairs[i];
        if (!q || !q->removed)
            continue;
        const cell* O = other_cell(q, c);
        const double dx = O->center[0] - P0[0], dy = O->center[1] - P0[1];
        const double L = std::hypot(dx, dy);
        // A centre on P0 has no direction, so it is not ahead: the contact goes.
        if (L > 0.0 && (dx / L) * u[0] + (dy / L) * u[1] > kBehind)
            q->removed = 0;
        else
            detach.push_back(q);
    }
    for (interpair* q : detach) {
        q->cell1->removepair(q);
        q->cell2->removepair(q);
    }

    // 5. F's record goes; the next one becomes record 1.
    c->remove_filling_cell(F);
    return STEP_OK;
}
