// Stretch re-welding: cell A's boundary from P1 to P2 (along next) and cell
// B's from Q1 to Q2 (along prev) are laid on the chord P1-P2 with the same
// number of interior vertices and welded couple by couple. The interior count
// follows the target edge length: a side that must lose vertices keeps at
// most trunc(|P1 - P2| / pi) of them. First the welds of other contacts are
// cut back to the four ends, then the two runs are rebuilt by case.
#include "contact/welding.h"

using namespace welding;

namespace {

// Deletes the stretch of K that holds w unless K is protected; nothing
// when no stretch of K holds w.
void remove_stretch_at(interpair* K, const point3D* w, interpair* const protect[3])
{
    if (!K || K == protect[0] || K == protect[1] || K == protect[2])
        return;
    if (mergepair* m = stretch_through(K, w))
        K->remove_MP(m);
}

// The welds of other contacts on the interior of one side are dissolved
// stretch by stretch.
void clear_interior(const std::vector<point3D*>& run, cell* owner, interpair* const protect[3])
{
    for (point3D* w : run) {
        if (w->out_edge->bonded)
            remove_stretch_at(w->out_edge->pair, w, protect);
        if (!w->out_edge->bonded && !w->in_edge->bonded && !w->mp.empty()) {
            for (point3D* q : w->mp) {
                cell* other = cell_of(q);
                for (std::size_t i = 0; i < owner->pairs.size(); ++i) {
                    interpair* K = owner->pairs[i];
                    if ((K->cell1 == owner && K->cell2 == other) || (K->cell2 == owner && K->cell1 == other))
                        remove_stretch_at(K, w, protect);
                }
            }
        }
        if (w->in_edge->bonded)
            remove_stretch_at(w->in_edge->pair, w, protect);
    }
}


} // namespace

bool welding::collect_run(point3D* from, point3D* to, bool backward, std::vector<point3D*>& run)
{
    const int bound = ring_bound(cell_of(from));
    point3D* v = backward ? from->prev : from->next;
    while (v != to) {
        if (!v || static_cast<int>(run.size()) > bound)
            return false;
        run.push_back(v);
        v = backward ? v->prev : v->next;
    }
    return true;
}

void welding::release_side(point3D* end1, edge* beyond1, point3D* end2, edge* beyond2,
                           const std::vector<point3D*>& run, interpair* main)
{
    interpair* X = trim_junction(beyond1, end1);
    interpair* Y = trim_junction(beyond2, end2);
    interpair* const protect[3] = {X, Y, main};
    clear_interior(run, cell_of(end1), protect);
    release_inner_stretches(main, run);
}

interpair* welding::main_pair(edge* e, edge* f)
{
    if (e->bonded && f->bonded && e->partner == f && e->pair)
        return e->pair;
    return find_pair(e->cell, f->cell);
}

bool welding::boundary_merge(dbReader& db, point3D* P1, point3D* P2, point3D* Q1, point3D* Q2,
                             interpair* fallback)
{
    if (P1 == P2 || Q1 == Q2)
        return true;
    cell* A = P1->in_edge->cell;
    cell* B = Q1->out_edge->cell;
    interpair* AB = find_pair(A, B);
    if (!AB)
        AB = fallback;
    std::vector<point3D*> a, b;
    if (!AB || !collect_run(P1, P2, false, a) || !collect_run(Q1, Q2, true, b))
        return false;

    // Cut the welds of other contacts back to the ends, then lay the two
    // runs down on the chord P1-P2.
    release_side(P1, P1->out_edge, P2, P2->in_edge, a, AB);
    release_side(Q1, Q1->in_edge, Q2, Q2->out_edge, b, AB);
    return close_gap(db, AB, P1, P2, Q2, Q1, pos_of(P1), pos_of(P2), kReweldGap);
}

void dbReader::boundary_merge_2(point3D* P1, point3D* P2, point3D* Q1, point3D* Q2)
{
    welding::boundary_merge(*this, P1, P2, Q1, Q2);
}
