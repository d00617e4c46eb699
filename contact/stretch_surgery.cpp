// Stretch surgery for the merges that move or open a welded stretch of two
// cells (boundary_merge_1 and boundary_merge_0). Once the new end couples
// are fused, three things happen in order:
//  - a third cell that now passes twice through a fused point loses the
//    arc between its two vertices there (collapse_arc and its searches);
//  - the new end couples join one junction each, the contacts running on
//    beyond the stretch are cut back to its ends, and the contacts the
//    longer stretch swallows lose their stretch there (junction_merge_*);
//  - the loose boundary between the ends is re-welded (close_gap).
// Each step checks the rings it will walk before it changes anything.
#include "contact/welding.h"

#include <algorithm>

using namespace welding;

bool welding::collapse_arc(dbReader& db, point3D* r, point3D* k, bool backward, point3D* F,
                           point3D* G, bool markUnused)
{
    if (!on_ring(r) || !on_ring(k) || r == k || cell_of(r) != cell_of(k))
        return false;
    cell* X = cell_of(k);
    const int n = ring_steps(r, k, backward);
    if (n <= 0)
        return false;
    // A cut must leave the cell a polygon: a cell too small for that goes
    // instead, its welds and contacts released, as the pairwise merges do.
    if (static_cast<int>(X->sides.size()) - n < 3) {
        db.cell_death_response(X);
        return true;
    }
    std::vector<point3D*> arc;
    std::vector<edge*> cut;
    for (point3D* v = r; v != k; v = backward ? v->prev : v->next) {
        arc.push_back(v);
        cut.push_back(backward ? v->in_edge : v->out_edge);
    }
    X->remesh = 1;
    // Along next K takes r's in edge; along prev, r's out edge.
    if (backward)
        shorten_run(db, k, n, r->next, false);
    else
        shorten_run(db, k, n, r->prev, true);
    if (markUnused)
        for (edge* e : cut)
            e->in_use = 0;

    // The fused groups forget r.
    std::vector<point3D*> holders{F, G};
    if (F)
        holders.insert(holders.end(), F->mp.begin(), F->mp.end());
    if (G)
        holders.insert(holders.end(), G->mp.begin(), G->mp.end());
    for (point3D* h : holders)
        if (h)
            h->removemp(r);

    // Stretch ends of X on the arc move to k. The facing end stays when k is
    // welded to it, else it moves to k's partner on the facing cell; with
    // neither the stretch goes, so no stretch names a vertex off the ring.
    const auto onArc = [&arc](const point3D* v) {
        return std::find(arc.begin(), arc.end(), v) != arc.end();
    };
    for (interpair* P : X->pairs) {
        const bool first = P->cell1 == X;
        if (!first && P->cell2 != X)
            continue;
        const cell* facingCell = first ? P->cell2 : P->cell1;
        for (std::size_t i = P->MP.size(); i-- > 0;) {
            mergepair* m = P->MP[i];
            point3D** lo = first ? &m->S1 : &m->T1;
            point3D** hi = first ? &m->S2 : &m->T2;
            point3D** loFacing = first ? &m->T2 : &m->S2;
            point3D** hiFacing = first ? &m->T1 : &m->S1;
            bool keep = true;
            for (auto [end, facing] : {std::pair{lo, loFacing}, std::pair{hi, hiFacing}}) {
                if (*end != r && !onArc(*end))
                    continue;
                *end = k;
                if (k->checkmp(*facing))
                    continue;
                point3D* other = last_partner_on(k, facingCell);
                if (other)
                    *facing = other;
                else
                    keep = false;
            }
            if (!keep)
                P->remove_MP(m);
        }
    }
    return true;
}

namespace {

// The first couple (x of `xs`, y of `ys`) that passes `match`; with `lastX`
// the last x that has one, with its first y.
template <class Match>
bool find_couple(const std::vector<point3D*>& xs, const std::vector<point3D*>& ys, bool lastX,
                 Match match, point3D*& x, point3D*& y)
{
    bool found = false;
    for (point3D* cx : xs) {
        for (point3D* cy : ys) {
            // A vertex of a cell removed by an earlier cut is no longer there.
            if (cx && cy && cx->alive && cy->alive && match(cx, cy)) {
                x = cx;
                y = cy;
                found = true;
                break;
            }
        }
        if (found && !lastX)
            return true;
    }
    return found;
}

bool same_cell_out(const point3D* x, const point3D* y)
{
    return x->out_edge && y->in_edge && x->out_edge->cell == y->in_edge->cell;
}

// Ring steps both ways between x and y on their cell; false when a walk
// does not come back.
bool arc_lengths(const point3D* x, const point3D* y, int& xy, int& yx)
{
    xy = ring_steps(x, y, false);
    yx = ring_steps(y, x, false);
    return xy > 0 && yx > 0;
}

} // namespace

bool welding::collapse_extension(dbReader& db, point3D* c, point3D* d, const std::vector<point3D*>& Lc,
                                 const std::vector<point3D*>& Ld)
{
    point3D* w = nullptr;
    point3D* u = nullptr;
    const auto sameCell = [](const point3D* x, const point3D* y) { return cell_of(x) == cell_of(y); };
    if (Lc.empty() || Ld.empty() || !find_couple(Lc, Ld, false, sameCell, w, u) || w == u)
        return true;
    int wu, uw;
    if (!arc_lengths(w, u, wu, uw))
        return false;
    // A tie keeps d's partner.
    if (uw < wu)
        return collapse_arc(db, u, w, false, c, d, true);
    return collapse_arc(db, w, u, false, c, d, true);
}

bool welding::collapse_single_point(dbReader& db, point3D* P, point3D* Q, const std::vector<point3D*>& Lp,
                                    const std::vector<point3D*>& Lq)
{
    point3D* X = nullptr;
    point3D* Y = nullptr;
    if (Lp.empty() || Lq.empty() || !find_couple(Lp, Lq, true, same_cell_out, X, Y) || X == Y)
        return true;
    int xy, yx;
    if (!arc_lengths(X, Y, xy, yx))
        return false;
    // A tie cuts X's side.
    if (yx >= xy)
        return collapse_arc(db, X, Y, false, P, Q, true);
    return collapse_arc(db, Y, X, false, P, Q, true);
}

bool welding::collapse_two_point(dbReader& db, point3D* F, point3D* G, const std::vector<point3D*>& first,
                                 const std::vector<point3D*>& second, bool atSecondPoint)
{
    point3D* x = nullptr;
    point3D* y = nullptr;
    const auto match = [atSecondPoint](const point3D* a, const point3D* b) {
        return atSecondPoint ? same_cell_out(b, a) : same_cell_out(a, b);
    };
    if (first.empty() || second.empty() || !find_couple(first, second, false, match, x, y) || x == y)
        return true;
    int xy, yx;
    if (!arc_lengths(x, y, xy, yx))
        return false;
    // The shorter arc goes; a tie keeps the second list's vertex.
    if (!atSecondPoint)
        return (yx >= xy) ? collapse_arc(db, x, y, false, F, G, false)
                          : collapse_arc(db, y, x, false, F, G, false);
    return (yx > xy) ? collapse_arc(db, y, x, true, F, G, false)
                     : collapse_arc(db, x, y, true, F, G, false);
}

bool welding::junction_merge_extension(dbReader& db, point3D* a, point3D* b, point3D* c, point3D* d,
                                       interpair*& main)
{
    main = nullptr;
    std::vector<point3D*> runB, runA;
    if (!ends_on_two_cells(a, c, b, d) || !collect_run(b, d, false, runB) || !collect_run(a, c, true, runA))
        return false;
    db.node_merge(c, d);
    main = main_pair(a->out_edge, b->in_edge);
    release_side(b, b->out_edge, d, d->in_edge, runB, main);
    release_side(a, a->in_edge, c, c->out_edge, runA, main);
    return true;
}

bool welding::junction_merge_opening(dbReader& db, point3D* S1, point3D* S2, point3D* T1, point3D* T2,
                                     interpair*& main)
{
    main = nullptr;
    std::vector<point3D*> runA, runB;
    // A stretch end equal to the other end would release round the whole ring.
    if (S1 == S2 || T1 == T2 || !ends_on_two_cells(S1, S2, T1, T2) || !collect_run(S1, S2, false, runA)
        || !collect_run(T1, T2, true, runB))
        return false;
    db.node_merge(S1, T1);
    db.node_merge(S2, T2);
    main = main_pair(S1->out_edge, T1->in_edge);
    release_side(S1, S1->out_edge, S2, S2->in_edge, runA, main);
    release_side(T1, T1->in_edge, T2, T2->out_edge, runB, main);
    return true;
}

bool welding::reweld_extension(dbReader& db, interpair* main, point3D* a, point3D* b, point3D* c,
                               point3D* d, Pos m, Pos a0)
{
    return close_gap(db, main, c, a, b, d, m, a0, kExtendGap);
}

bool welding::reweld_opening(dbReader& db, interpair* main, point3D* S1, point3D* S2, point3D* T1,
                             point3D* T2, Pos mid1, Pos mid2)
{
    return close_gap(db, main, S1, S2, T2, T1, mid1, mid2, kReweldGap);
}
