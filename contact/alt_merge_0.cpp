// Boundary merge 0 at a single welded point. P (one cell) and Q (the other)
// move to their midpoint with every vertex welded to either; the vertices
// that were welded to P (the P-list) become partners of Q and those welded
// to Q (the Q-list) partners of P. Every new couple has its cells' contact
// found, created or moved onto it; where the edges beyond a new couple
// already meet, the contact of their cells grows over the couple (the
// third-cell block). A third cell left passing twice through the point loses
// the loop between, and P and Q end in one node.
//
// Moving a contact's weld can pull vertices of further cells along; their
// older contacts with the anchor's cell are handed back to the contact
// response, which extends them.
#include "contact/alt_merge.h"
#include "contact/welding.h"

#include <iostream>

using namespace welding;

namespace {

bool usable(const point3D* p)
{
    return p && p->alive && p->out_edge && p->in_edge && p->next && p->prev && p->out_edge->cell;
}

// The two places where the fused point meets a list: after P's list the
// anchor is Q, after Q's it is P. They differ in the anchor, the cell the
// pull skips besides the couple's own, and the trace lines.
struct Side {
    point3D* A;      // the anchor: the fused point the list is linked to
    cell* cA;        // the anchor's cell
    cell* skipped;   // the other fused point's cell
    bool firstList;  // the P-list (lines "Pair id:"), else the Q-list
    int pairId;      // the contact being opened
    cell* cellP;     // printed first in every line
    cell* cellQ;
};

// The line written when a contact of the list's cells is re-welded.
void contact_trace(const Side& s, const interpair* q, const cell* cy, bool yFirst)
{
    if (s.firstList) {
        const cell* a = yFirst ? s.cellP : s.cA;
        const cell* b = yFirst ? s.cellQ : cy;
        std::cout << "Pair id:" << s.pairId << ":" << a->id << " " << b->id << ", boundary merge 2: "
                  << q->cell1->id << " " << q->cell2->id << std::endl;
    } else {
        std::cout << s.cellP->id << " " << s.cellQ->id << ", boundary merge 2: " << s.cellP->id << " "
                  << cy->id << std::endl;
    }
}

// A contact's stretch re-welded between the ends it keeps and the couple;
// the contact itself is the weld's pair even when it is dissolved.
bool reweld(dbReader& db, interpair* q, point3D* P1, point3D* P2, point3D* Q1, point3D* Q2)
{
    return boundary_merge(db, P1, P2, Q1, Q2, q);
}

// The vertices welded to e that the re-weld moved onto f's place are pulled
// after it: each one on a further cell with a contact to the anchor's cell
// joins f; that contact gets a single welded point when it has none, and an
// older one (id below the contact being opened) is handed to the response.
bool pull_and_reenter(dbReader& db, point3D* e, point3D* f, cell* cA, cell* cy, cell* skipped, int pairId)
{
    const Pos at = pos_of(f);
    const std::size_t count = e->mp.size();
    // A nested response can shorten the list: its current size bounds the walk.
    for (std::size_t k = 0; k < count && k < e->mp.size(); ++k) {
        point3D* w = e->mp[k];
        cell* W = cell_of(w);
        if (!W || W == cA || W == cy || W == skipped)
            continue;
        interpair* r = find_any_pair(W, cA);
        if (!r)
            continue;
        move_to(w, at);
        w->pushmp(f);
        f->pushmp(w);
        if (r->id < 0)
            continue;
        if (r->MP.empty()) {
            if (r->cell1 == W)
                r->MP.push_back(new mergepair(0, w, w, f, f));
            else
                r->MP.push_back(new mergepair(0, f, f, w, w));
        } else if (r->id < pairId) {
            if (respond_alt(db, r) != dbReader::STEP_OK)
                return false;
        }
    }
    return true;
}

// The contact of y's cell with the anchor's cell is brought to the couple
// (y, A): created, moved at its free ends, or started and refreshed.
bool contact_step(dbReader& db, const Side& s, point3D* y)
{
    point3D* A = s.A;
    A->pushmp(y);
    y->pushmp(A);
    cell* cy = cell_of(y);
    // A dissolved contact is still the contact of the two cells here.
    interpair* q = find_any_pair(s.cA, cy);
    if (!q) {
        if (cy != s.cA) {
            interpair* fresh = new_pair(db, s.cA, cy);
            fresh->MP.push_back(new mergepair(0, A, A, y, y));
        }
        return true;
    }
    // The couple is welded over this contact: a dissolved one is live again,
    // or its new welds would name a removed contact.
    q->removed = 0;
    const bool yFirst = q->cell1 == cy && q->cell1 != s.cA;
    if (!q->MP.empty()) {
        // A free out edge makes y the start of its side's stretch, a free in
        // edge its end; A takes the opposite end of the other side.
        if (!y->out_edge->bonded) {
            mergepair* m0 = q->MP[0];
            contact_trace(s, q, cy, yFirst);
            if (!(yFirst ? reweld(db, q, y, m0->S1, A, m0->T2) : reweld(db, q, y, m0->T1, A, m0->S2)))
                return false;
            if (q->MP.empty())
                return true;
            m0 = q->MP[0];
            (yFirst ? m0->S1 : m0->T1) = y;
            (yFirst ? m0->T2 : m0->S2) = A;
        }
        if (!y->in_edge->bonded) {
            mergepair* m0 = q->MP[0];
            contact_trace(s, q, cy, yFirst);
            if (!(yFirst ? reweld(db, q, A, m0->T1, y, m0->S2) : reweld(db, q, A, m0->S1, y, m0->T2)))
                return false;
            if (q->MP.empty())
                return true;
            m0 = q->MP[0];
            (yFirst ? m0->T1 : m0->S1) = A;
            (yFirst ? m0->S2 : m0->T2) = y;
        }
        return true;
    }

    // No stretch yet: a single welded point, refreshed onto the crossings
    // beyond it and re-welded.
    const bool aFirst = q->cell1 == s.cA;
    point3D* oldS = aFirst ? A : y;
    point3D* oldT = aFirst ? y : A;
    q->MP.push_back(new mergepair(0, oldS, oldS, oldT, oldT));
    point3D *s1 = oldS, *s2 = oldS, *t1 = oldT, *t2 = oldT;
    if (s.firstList)
        contact_trace(s, q, cy, false);
    db.boundary_merge_2_refresh(&s1, &s2, &t2, &t1, nullptr, nullptr);
    if (!s.firstList)
        contact_trace(s, q, cy, false);
    if (!reweld(db, q, s1, s2, t2, t1))
        return false;
    if (s1 == oldS && s2 == oldS && t1 == oldT && t2 == oldT)
        return true;
    if (!q->MP.empty()) {
        mergepair* m0 = q->MP[0];
        m0->S1 = s1;
        m0->S2 = s2;
        m0->T1 = t1;
        m0->T2 = t2;
    }
    // The ends on y's side and the ends facing them on A's side.
    point3D* e1 = aFirst ? t2 : s1;
    point3D* f1 = aFirst ? s1 : t2;
    point3D* e2 = aFirst ? t1 : s2;
    point3D* f2 = aFirst ? s2 : t1;
    if (e1 != y && f1 != A && !pull_and_reenter(db, e1, f1, s.cA, cy, s.skipped, s.pairId))
        return false;
    if (e2 != y && f2 != A && !pull_and_reenter(db, e2, f2, s.cA, cy, s.skipped, s.pairId))
        return false;
    return true;
}

// Every partner x of `owner` is linked to every vertex of the list, each new
// couple followed by the two third-cell blocks (`firstForward` picks the
// direction that runs first).
bool cross_link(dbReader& db, point3D* owner, const std::vector<point3D*>& list, bool firstForward,
                const BlockTrace& first, const BlockTrace& second)
{
    // The re-welds can change the partner list: its size is read afresh.
    for (std::size_t i = 0; i < owner->mp.size(); ++i) {
        for (std::size_t j = 0; j < list.size(); ++j) {
            point3D* x = owner->mp[i];
            point3D* y = list[j];
            x->pushmp(y);
            if (!third_cell_block(db, x, y, firstForward, &first)
                || !third_cell_block(db, x, y, !firstForward, &second))
                return false;
        }
    }
    return true;
}

// One list against the other fused point: the cross-linking, then each
// entry's contact with the anchor followed by its two third-cell blocks.
bool link_list(dbReader& db, const Side& s, point3D* owner, const std::vector<point3D*>& list)
{
    const char* prefix = s.firstList ? "S1s: " : "S2s: ";
    const char* plain = ": boundary merge 2: ";
    const int p = s.cellP->id;
    const int q = s.cellQ->id;
    const BlockTrace linkFirst{prefix, p, q, s.firstList ? plain : ", boundary merge 2: ", s.firstList};
    const BlockTrace before{prefix, p, q, plain, false};
    const bool forward = s.firstList;
    if (!cross_link(db, owner, list, forward, linkFirst, before))
        return false;
    for (point3D* y : list) {
        if (!contact_step(db, s, y))
            return false;
        if (!third_cell_block(db, s.A, y, forward, &before) || !third_cell_block(db, s.A, y, !forward, &before))
            return false;
    }
    return true;
}

bool single_point(dbReader& db, point3D* P, point3D* Q, int pairId)
{
    const Pos m = midpoint(pos_of(P), pos_of(Q));
    move_to(P, m);
    move_to(Q, m);
    std::vector<point3D*> Plist, Qlist;
    fuse_ends(P, Q, m, Plist, Qlist);
    cell* cellP = cell_of(P);
    cell* cellQ = cell_of(Q);
    if (!Plist.empty() && !link_list(db, Side{Q, cellQ, cellP, true, pairId, cellP, cellQ}, Q, Plist))
        return false;
    if (!Qlist.empty() && !link_list(db, Side{P, cellP, cellQ, false, pairId, cellP, cellQ}, P, Qlist))
        return false;
    if (!collapse_single_point(db, P, Q, Plist, Qlist))
        return false;
    if (P->checkmp(Q))
        db.node_merge(P, Q);
    return true;
}

// The two-point case: S1 and T1 fuse at mid1, S2 and T2 at mid2, and the
// boundary between the two points becomes one welded stretch. Only ends that
// nothing else is welded to reach here (merge_0_welds).
bool two_point(dbReader& db, point3D* S1, point3D* S2, point3D* T1, point3D* T2, int pairId)
{
    const Pos mid1 = midpoint(pos_of(S1), pos_of(T1));
    const Pos mid2 = midpoint(pos_of(S2), pos_of(T2));
    move_to(S1, mid1);
    move_to(T1, mid1);
    move_to(S2, mid2);
    move_to(T2, mid2);
    std::vector<point3D*> S1mp, S2mp, T1mp, T2mp;
    fuse_ends(S1, T1, mid1, S1mp, S2mp);
    fuse_ends(S2, T2, mid2, T1mp, T2mp);
    if (pairId == 37212) {
        std::cout << "   -> Pair 37212: " << std::endl;
        std::cout << "   -> S1mp size: " << S1mp.size() << std::endl;
        std::cout << "   -> S2mp size: " << S2mp.size() << std::endl;
        std::cout << "   -> T1mp size: " << T1mp.size() << std::endl;
        std::cout << "   -> T2mp size: " << T2mp.size() << std::endl;
    }
    if (!collapse_two_point(db, S1, T1, S1mp, S2mp, false) || !collapse_two_point(db, S2, T2, T1mp, T2mp, true))
        return false;
    interpair* main = nullptr;
    if (!junction_merge_opening(db, S1, S2, T1, T2, main))
        return false;
    return reweld_opening(db, main, S1, S2, T1, T2, mid1, mid2);
}

bool only_partner(const point3D* v, const point3D* facing)
{
    return v->mp.empty() || (v->mp.size() == 1 && v->mp[0] == facing);
}

} // namespace

bool welding::merge_0_welds(const point3D* S1, const point3D* S2, const point3D* T1, const point3D* T2)
{
    if (S1 == S2 && T1 == T2)
        return true;
    // One end a single vertex and the other a run is no stretch; ends that
    // other cells are welded to need the partner blocks of the two-point
    // case, which this family does not have yet.
    if (S1 == S2 || T1 == T2)
        return false;
    return only_partner(S1, T1) && only_partner(T1, S1) && only_partner(S2, T2) && only_partner(T2, S2);
}

bool welding::merge_0(dbReader& db, point3D* S1, point3D* S2, point3D* T1, point3D* T2, int pair_id)
{
    if (!usable(S1) || !usable(S2) || !usable(T1) || !usable(T2) || cell_of(S1) == cell_of(T1)
        || cell_of(S1) != cell_of(S2) || cell_of(T1) != cell_of(T2))
        return true;
    if (!merge_0_welds(S1, S2, T1, T2))
        return true;
    AltNesting level;
    if (level.refused())
        return true;
    if (S1 == S2)
        return single_point(db, S1, T1, pair_id);
    return two_point(db, S1, S2, T1, T2, pair_id);
}

void dbReader::boundary_merge_0(point3D* S1, point3D* S2, point3D* T1, point3D* T2, int pair_id)
{
    welding::merge_0(*this, S1, S2, T1, T2, pair_id);
}
