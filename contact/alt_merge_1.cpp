// Moving one end of a welded stretch of two cells outward by one crossing:
// the end couple (a, b) gives way to (c, d), c before a on cell A, d after b
// on cell B. In order:
//  1. c and d fuse at their midpoint m with every vertex welded to either;
//  2. the third-cell vertices that were welded to c and those welded to d
//     become partners, and their contacts are created, started or re-welded
//     (partner_block, third_cell_contacts), each re-weld traced on standard
//     output;
//  3. a third cell pinched at m loses its arc there;
//  4. c and d share a junction and the swallowed contacts are released;
//  5. the loose pieces c..a and b..d become one welded stretch.
// The rings are checked before anything moves and again before steps 3 to
// 5, since a third-cell re-weld may take an end off its ring. A fused vertex
// already welded to the other main cell is refused before anything moves:
// the fusion would pinch that cell at m.
#include "contact/alt_merge.h"
#include "contact/welding.h"

#include <algorithm>

using namespace welding;

namespace {

// The new end still lies on the rings the later steps walk: a reachable
// from c along next, b from d along prev.
bool ends_walkable(const point3D* a, const point3D* b, const point3D* c, const point3D* d)
{
    return ends_on_two_cells(a, c, b, d) && count_between(c, a, false) >= 0 && count_between(d, b, true) >= 0;
}

// Whether re-welding P's first stretch from the new couple (x, y) to its
// old ends moves the end outward: x must reach its old end xOld along next
// before the stretch's far end on its cell, and y its old end yOld along
// prev before the far end on its own. A couple inside the stretch (or
// beyond its far end) would have the re-weld run round the whole ring and
// flatten the cell.
bool extends_outward(const interpair* P, const point3D* x, const point3D* xOld, const point3D* y,
                     const point3D* yOld)
{
    const mergepair* m = P->MP[0];
    const bool first = cell_of(x) == P->cell1;
    const point3D* xFar = first ? m->S2 : m->T2;
    const point3D* yFar = first ? m->T1 : m->S1;
    const int toOld = ring_steps(x, xOld, false);
    const int toFar = ring_steps(x, xFar, false);
    const int yToOld = ring_steps(y, yOld, true);
    const int yToFar = ring_steps(y, yFar, true);
    return toOld >= 0 && toFar >= 0 && yToOld >= 0 && yToFar >= 0 && toOld <= toFar && yToOld <= yToFar;
}

} // namespace

bool welding::fusable(const point3D* p, const point3D* q)
{
    const cell* A = cell_of(p);
    const cell* B = cell_of(q);
    const auto weldedToMainCell = [A, B](const point3D* x, const point3D* y) {
        return std::any_of(x->mp.begin(), x->mp.end(),
                           [&](const point3D* w) { return w != y && (cell_of(w) == A || cell_of(w) == B); });
    };
    return !weldedToMainCell(p, q) && !weldedToMainCell(q, p);
}

interpair* welding::contact_for(dbReader& db, point3D* x, point3D* y, bool withStretch)
{
    cell* X = cell_of(x);
    cell* Y = cell_of(y);
    interpair* P = find_pair(X, Y);
    if (!P) {
        P = new_pair(db, X, Y);
        if (withStretch)
            P->MP.push_back(new mergepair(0, x, x, y, y));
        return nullptr;
    }
    if (P->MP.empty()) {
        point3D* s = (cell_of(x) == P->cell1) ? x : y;
        point3D* t = (s == x) ? y : x;
        P->MP.push_back(new mergepair(0, s, s, t, t));
        return nullptr;
    }
    return P;
}

mergepair* welding::couple_ends(interpair* P, point3D* x, point3D**& xEnd, point3D**& yEnd)
{
    if (P->MP.empty())
        return nullptr;
    mergepair* m = P->MP[0];
    const bool first = cell_of(x) == P->cell1;
    xEnd = first ? &m->S1 : &m->T1;
    yEnd = first ? &m->T2 : &m->S2;
    return m;
}

void welding::partner_block(dbReader& db, const PartnerRun& run, const cell* A, const cell* B)
{
    // The outer list grows while it is walked: its size is read afresh.
    for (std::size_t i = 0; i < run.owner->mp.size(); ++i) {
        point3D* u = run.owner->mp[i];
        for (point3D* v : *run.inner) {
            // Two vertices of one cell are never partners: a third cell with
            // a vertex in each list is pinched at m and loses one of them to
            // the arc removal.
            if (cell_of(u) == cell_of(v))
                continue;
            // Both ways at once: a re-weld before the mirror block may drop
            // either vertex, and only a mutual link is forgotten with it.
            u->pushmp(v);
            v->pushmp(u);
            edge* e = run.testOutEdge ? u->out_edge : u->in_edge;
            if ((e && e->bonded) || u == run.passOver)
                continue;
            interpair* P = contact_for(db, u, v, run.newWithStretch);
            if (!P)
                continue;
            point3D* x = run.uFirst ? u : v;
            point3D* y = run.uFirst ? v : u;
            point3D** xEnd;
            point3D** yEnd;
            couple_ends(P, x, xEnd, yEnd);
            if (!extends_outward(P, x, *xEnd, y, *yEnd))
                continue;
            trace_line(run.literal, A->id, " ", B->id, run.separator, P->cell1->id, " ", P->cell2->id);
            if (run.traceEnds)
                trace_line(run.literal, x->id, " ", (*xEnd)->id, " ", y->id, " ", (*yEnd)->id);
            db.boundary_merge_2(x, *xEnd, y, *yEnd);
            // The re-weld may have taken the contact's stretches away.
            mergepair* m = couple_ends(P, x, xEnd, yEnd);
            if (!m)
                continue;
            *xEnd = x;
            *yEnd = y;
            if (run.writeLoads) {
                const bool first = cell_of(x) == P->cell1;
                (first ? m->adhesion_load_S1 : m->adhesion_load_T1) = x->adhesion_load;
                (first ? m->adhesion_load_T2 : m->adhesion_load_S2) = y->adhesion_load;
            }
        }
    }
}

interpair* welding::link_fused_partner(dbReader& db, point3D* f, point3D* w)
{
    if (cell_of(f) == cell_of(w))
        return nullptr;
    f->pushmp(w);
    w->pushmp(f);
    return contact_for(db, f, w, true);
}

void welding::third_cell_contacts(dbReader& db, point3D* f, const std::vector<point3D*>& partners, bool fIsX,
                                  const std::string& prefix)
{
    for (point3D* w : partners) {
        interpair* P = link_fused_partner(db, f, w);
        if (!P)
            continue;
        point3D* x = fIsX ? f : w;
        point3D* y = fIsX ? w : f;
        point3D** xEnd;
        point3D** yEnd;
        mergepair* m = couple_ends(P, x, xEnd, yEnd);
        const bool fFirst = cell_of(f) == P->cell1;
        const bool single = fFirst ? m->S1 == m->S2 : m->T1 == m->T2;
        const bool neither = *xEnd != x && *yEnd != y;
        const bool both = *xEnd == x && *yEnd == y;
        if (!neither && !(single && both))
            continue;
        point3D* v[4] = {x, *xEnd, y, *yEnd};
        if (!extends_outward(P, x, *xEnd, y, *yEnd))
            continue;
        trace_line(prefix, P->cell1->id, " ", P->cell2->id);
        end_refresh(db, &v[0], &v[1], &v[2], &v[3]);
        if (!extends_outward(P, v[0], v[1], v[2], v[3]))
            continue;
        db.boundary_merge_2(v[0], v[1], v[2], v[3]);
        if (!couple_ends(P, x, xEnd, yEnd))
            continue;
        *xEnd = v[0];
        *yEnd = v[2];
    }
}

MergeOutcome welding::extend_stretch_end(dbReader& db, point3D* a, point3D* b, point3D* c, point3D* d,
                                         int pairId)
{
    if (c == a || d == b)
        return MergeOutcome::Refused;
    // Every walk below needs a and c on one closed ring, b and d on
    // another, and a contact between the two cells to weld in.
    if (!ends_walkable(a, b, c, d) || !main_pair(a->out_edge, b->in_edge))
        return MergeOutcome::Refused;
    const cell* A = cell_of(a);
    const cell* B = cell_of(b);
    if (!fusable(c, d))
        return MergeOutcome::Refused;
    const Pos a0 = pos_of(a);
    const Pos m = midpoint(pos_of(c), pos_of(d));

    std::vector<point3D*> Lc, Ld;
    gather_weld_point(c, d, m, Lc, Ld);
    const std::string prefix = "1Pair id: " + std::to_string(pairId) + ":" + std::to_string(A->id) + " "
                               + std::to_string(B->id) + ", boundary merge 2: ";
    if (!Lc.empty()) {
        partner_block(db, PartnerRun{d, &Lc, true, c, true, "1S1: ", true, true}, A, B);
        third_cell_contacts(db, d, Lc, true, prefix);
    }
    if (!Ld.empty()) {
        partner_block(db, PartnerRun{c, &Ld, false, d, false, "1T1: ", true, true}, A, B);
        third_cell_contacts(db, c, Ld, false, prefix);
    }
    if (!ends_walkable(a, b, c, d))
        return MergeOutcome::Stopped;
    if (!Lc.empty() && !Ld.empty() && (!collapse_extension(db, c, d, Lc, Ld) || !ends_walkable(a, b, c, d)))
        return MergeOutcome::Stopped;

    interpair* main = nullptr;
    if (!junction_merge_extension(db, a, b, c, d, main) || !main)
        return MergeOutcome::Stopped;
    return reweld_extension(db, main, a, b, c, d, m, a0) ? MergeOutcome::Done : MergeOutcome::Stopped;
}

void dbReader::boundary_merge_1(point3D* a, point3D* b, point3D* c, point3D* d, int pair_id)
{
    welding::extend_stretch_end(*this, a, b, c, d, pair_id);
}
