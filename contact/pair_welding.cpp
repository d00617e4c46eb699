// Welding a pair that has no stretch yet. Every cell-1 candidate stretch is
// combined with every cell-2 candidate stretch. Two searches find the
// crossing nearest each end of the cell-1 stretch; each crossing snaps to a
// couple of vertices (tagged by how it snapped). One common vertex couple is
// a single welded point; otherwise both crossings are fused, the cells
// already welded there are linked with the new neighbours, and the gap
// between the two weld points becomes one welded stretch.
#include "contact/crossing_walk.h"

#include <algorithm>

using namespace welding;

namespace {

// How a crossing snapped: the couple taken (P side, Q side) and its tag.
struct Snap {
    point3D* p = nullptr;
    point3D* q = nullptr;
    int tag = -1;
};

bool snap_crossing(int code, point3D* P, point3D* Q, Snap& out)
{
    point3D *np, *nq, *ap, *aq;
    int tag;
    switch (code) {
    case 1:
    case 9:
        out = Snap{P, Q, code};
        return true;
    case 3: np = P->next; nq = Q->prev; ap = P; aq = Q; tag = 30; break;
    case 4: np = P; nq = Q; ap = P->next; aq = Q->prev; tag = 40; break;
    case 5: np = P; nq = Q->prev; ap = P->next; aq = Q->prev; tag = 50; break;
    case 6: np = P->next; nq = Q; ap = P->next; aq = Q->prev; tag = 60; break;
    default: return false;
    }
    // A couple welded to one common cell already takes the alternative.
    if (share_partner_cell(np, nq))
        out = Snap{ap, aq, tag + 1};
    else
        out = Snap{np, nq, tag};
    return true;
}

bool pairs_with_next(int tag)
{
    return tag == 30 || tag == 41 || tag == 51 || tag == 61;
}

// Position of `v` on the walk along next from `from` to `to` (inclusive),
// -1 when it is not there or the walk does not reach `to`.
int position_on(const point3D* from, const point3D* to, const point3D* v)
{
    const int bound = ring_bound(cell_of(from));
    int k = 0;
    for (const point3D* p = from;; p = p->next, ++k) {
        if (!p || k > bound)
            return -1;
        if (p == v)
            return k;
        if (p == to)
            return -1;
    }
}

// Links every partner of `owner`, then `owner` both ways, with the group,
// without third-cell blocks (a single welded point).
void link_plain(point3D* owner, const std::vector<point3D*>& group)
{
    if (group.empty())
        return;
    for (std::size_t i = 0; i < owner->mp.size(); ++i)
        for (point3D* g : group)
            owner->mp[i]->pushmp(g);
    for (point3D* g : group) {
        owner->pushmp(g);
        g->pushmp(owner);
    }
}

enum class Outcome { Done, Failed };

Outcome combine(dbReader& db, interpair* pair, int i, int j, point3D* s0, point3D* s1, point3D* t0,
                point3D* t1)
{
    Snap first, second;

    // First search, from s0: P over cell 1 from s0 to s1, Q over cell 2 from
    // t1's next back to t0's next.
    if (!crossing_walk(s0, s1->next, false, t1->next, t0, true, [&](point3D* P, point3D* Q) {
            return snap_crossing(db.intersection_type(P, Q), P, Q, first);
        }))
        return Outcome::Failed;
    // Second search, from s1, the cells' roles exchanged: Q over cell 1 from
    // s1's next back to s0's next, P over cell 2 from t0 to t1.
    if (!crossing_walk(s1->next, s0, true, t0, t1->next, false, [&](point3D* Q, point3D* P) {
            return snap_crossing(db.intersection_type(P, Q), P, Q, second);
        }))
        return Outcome::Failed;
    // No crossing, or only one of the two: nothing is welded.
    if (!first.p || !second.p)
        return Outcome::Done;

    point3D* a = first.p;   // cell 1, at the first crossing
    point3D* c = first.q;   // cell 2, at the first crossing
    point3D* b = second.q;  // cell 1, at the second crossing
    point3D* d = second.p;  // cell 2, at the second crossing
    const int tag1 = first.tag;
    const int tag2 = second.tag;

    // Tie-break when the crossings met one vertex on one cell only.
    if (a != b && c == d) {
        if (pairs_with_next(tag1) && tag2 == 60) {
            b = a;
        } else if (tag1 == 50) {
            if (pairs_with_next(tag2)) {
                a = b;
            } else if (tag2 == 60) {
                c = c->next;
                d = d->prev;
            }
        }
    } else if (a == b && c != d) {
        if (pairs_with_next(tag1) && tag2 == 50) {
            d = c;
        } else if (tag1 == 60) {
            if (pairs_with_next(tag2)) {
                c = d;
            } else if (tag2 == 50) {
                a = a->prev;
                b = b->next;
            }
        }
    }

    const bool single = (a == b && c == d);
    if (!single) {
        // Both stretches must run forward inside the candidate arcs (a before b
        // on cell 1, d before c on cell 2); a crossing couple that met one
        // vertex on one cell only, or ran backwards, would make the gap the
        // rest of a whole ring.
        const int pa = position_on(s0->prev, s1->next->next, a);
        const int pb = position_on(s0->prev, s1->next->next, b);
        const int pd = position_on(t0->prev, t1->next->next, d);
        const int pc = position_on(t0->prev, t1->next->next, c);
        if (pa < 0 || pb < 0 || pc < 0 || pd < 0 || pa >= pb || pd >= pc)
            return Outcome::Done;
    }

    auto* mp = new mergepair((i + 1) * (j + 1), a, b, d, c);
    pair->MP.push_back(mp);

    if (single) {
        std::vector<point3D*> E, F;
        fuse_at_midpoint(a, c, E, F);
        link_plain(c, E);
        link_plain(a, F);
        db.node_merge(a, c);
        return Outcome::Done;
    }

    std::vector<point3D*> G1, G2, G3, G4;
    const Pos m1 = fuse_at_midpoint(a, c, G1, G2);
    const Pos m2 = fuse_at_midpoint(b, d, G3, G4);
    if (!link_group(db, c, G1, true) || !link_group(db, a, G2, false) ||
        !link_group(db, d, G3, false) || !link_group(db, b, G4, true))
        return Outcome::Failed;
    // The third-cell blocks re-weld other contacts, and that may drop a
    // weld point of this one, undo one of its two welds or delete its new
    // stretch. Without both welds there is no gap to close: the stretch
    // goes. A deleted stretch whose welds hold is recorded again, since the
    // gap is welded below.
    const bool recorded = std::find(pair->MP.begin(), pair->MP.end(), mp) != pair->MP.end();
    if (!a->alive || !b->alive || !c->alive || !d->alive || !a->checkmp(c) || !c->checkmp(a) ||
        !b->checkmp(d) || !d->checkmp(b)) {
        if (recorded)
            pair->remove_MP(mp);
        return Outcome::Done;
    }
    if (!recorded)
        pair->MP.push_back(new mergepair((i + 1) * (j + 1), a, b, d, c));
    db.node_merge(a, c);
    db.node_merge(b, d);
    if (!close_gap(db, pair, a, b, d, c, m1, m2))
        return Outcome::Failed;
    return Outcome::Done;
}

} // namespace

bool welding::weld_new_pair(dbReader& db, interpair* pair, const std::vector<point3D*>& S,
                            const std::vector<point3D*>& T)
{
    if (S.size() < 2)
        return true;
    // Each combination starts from the rings as the previous ones left them.
    for (std::size_t i = 0; i < S.size() / 2; ++i) {
        if (T.size() <= 1)
            continue;
        for (std::size_t j = 0; j < T.size() / 2; ++j) {
            if (combine(db, pair, static_cast<int>(i), static_cast<int>(j), S[2 * i], S[2 * i + 1],
                        T[2 * j], T[2 * j + 1]) == Outcome::Failed)
                return false;
        }
    }
    return true;
}
