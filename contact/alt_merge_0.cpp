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

#include <QString>

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
// after it: each one on a further cell with a live contact to the anchor's
// cell joins f; that contact gets a single welded point when it has none,
// and an older one (id below the contact being opened) is handed to the
// response. A dissolved contact is passed over: the response would refuse
// it. The nested response welds soundly or refuses with nothing changed,
// and its refusal does not stop this merge.
void pull_and_reenter(dbReader& db, point3D* e, point3D* f, cell* cA, cell* cy, cell* skipped, int pairId)
{
    const Pos at = pos_of(f);
    const std::size_t count = e->mp.size();
    // A nested response can shorten the list: its current size bounds the walk.
    for (std::size_t k = 0; k < count && k < e->mp.size(); ++k) {
        point3D* w = e->mp[k];
        cell* W = cell_of(w);
        if (!W || W == cA || W == cy || W == skipped)
            continue;
        interpair* r = find_pair(W, cA);
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
            const QString message = db.message;
            respond_alt(db, r);
            db.message = message;
        }
    }
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
        // The couple joins the stretch at the end facing y: a free out edge
        // makes y the start of its side's stretch when the stretch lies
        // ahead of y, a free in edge its end when it lies behind; A takes
        // the opposite end of the other side. Moving both ends would re-weld
        // one of them from y round the far side of both rings.
        mergepair* m0 = q->MP[0];
        const StretchSides sides = stretch_sides(y, yFirst ? m0->S1 : m0->T1, yFirst ? m0->S2 : m0->T2);
        if (!sides.known())
            return true;
        if (sides.ahead <= sides.behind && !y->out_edge->bonded) {
            contact_trace(s, q, cy, yFirst);
            if (!(yFirst ? reweld(db, q, y, m0->S1, A, m0->T2) : reweld(db, q, y, m0->T1, A, m0->S2)))
                return false;
            if (q->MP.empty())
                return true;
            m0 = q->MP[0];
            (yFirst ? m0->S1 : m0->T1) = y;
            (yFirst ? m0->T2 : m0->S2) = A;
        } else if (sides.behind < sides.ahead && !y->in_edge->bonded) {
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
    if (e1 != y && f1 != A)
        pull_and_reenter(db, e1, f1, s.cA, cy, s.skipped, s.pairId);
    if (e2 != y && f2 != A)
        pull_and_reenter(db, e2, f2, s.cA, cy, s.skipped, s.pairId);
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
            // Both ways at once: a re-weld before the mirror pass may drop
            // either vertex, and only a mutual link is forgotten with it.
            x->pushmp(y);
            y->pushmp(x);
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
    std::vector<point3D*> Plist, Qlist;
    fuse_at_midpoint(P, Q, Plist, Qlist);
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

// A and y, fused at one point, are linked both ways and their cells' contact
// is found (a dissolved one too, which the weld makes live again) or, for
// two cells, created with the single point of A and y. Returns the contact
// when it existed already, else null.
interpair* fused_front(dbReader& db, point3D* A, point3D* y)
{
    A->pushmp(y);
    y->pushmp(A);
    cell* cA = cell_of(A);
    cell* cy = cell_of(y);
    if (cA == cy)
        return nullptr;
    interpair* q = find_any_pair(cA, cy);
    if (!q) {
        new_pair(db, cA, cy)->MP.push_back(new mergepair(0, A, A, y, y));
        return nullptr;
    }
    q->removed = 0;
    return q;
}

// A single welded point of a and b, its S end on the contact's first cell.
void start_single(interpair* q, point3D* a, point3D* b)
{
    if (cell_of(a) == q->cell1)
        q->MP.push_back(new mergepair(0, a, a, b, b));
    else
        q->MP.push_back(new mergepair(0, b, b, a, a));
}

// The ends of q's first stretch seen from cell cV: X on cV's side, Y facing.
struct SideEnds {
    point3D** X1;
    point3D** X2;
    point3D** Y1;
    point3D** Y2;
};
SideEnds side_ends(mergepair* M, bool vFirst)
{
    return vFirst ? SideEnds{&M->S1, &M->S2, &M->T1, &M->T2} : SideEnds{&M->T1, &M->T2, &M->S1, &M->S2};
}

// q's first stretch moves its first end (X1, Y2) or second end (X2, Y1) to
// the couple u (on cV) and v. `uLeads` passes u's run first to the re-weld,
// else v's. The ends are written after the re-weld, when the contact still
// has a stretch.
bool move_stretch_end(dbReader& db, interpair* q, cell* cV, point3D* u, point3D* v, bool firstEnd, bool uLeads)
{
    const bool vFirst = q->cell1 == cV;
    SideEnds e = side_ends(q->MP[0], vFirst);
    bool ok;
    if (firstEnd)
        ok = uLeads ? reweld(db, q, u, *e.X1, v, *e.Y2) : reweld(db, q, *e.Y2, v, *e.X1, u);
    else
        ok = uLeads ? reweld(db, q, *e.X2, u, *e.Y1, v) : reweld(db, q, v, *e.Y1, u, *e.X2);
    if (!ok)
        return false;
    if (q->MP.empty())
        return true;
    e = side_ends(q->MP[0], vFirst);
    *(firstEnd ? e.X1 : e.X2) = u;
    *(firstEnd ? e.Y2 : e.Y1) = v;
    return true;
}

// The lists at one fused point of the two-point case. At mid1 the S1mp
// member has V = T1 and the S2mp member V = S1; at mid2 the T1mp member
// has anchor T2 and the T2mp member S2.
struct PointRun {
    point3D* V;      // the anchor each list entry is linked to
    bool leads;      // the S1mp and T2mp members pass the anchor's run first
    int pairId;
    const cell* A;   // the pair's cells, printed in the lines
    const cell* B;
};

void pair_trace(const PointRun& r, const cell* c1, const cell* c2)
{
    trace_line("Pair id:", r.pairId, ":", r.A->id, " ", r.B->id, ", boundary merge 2: ", c1->id, " ", c2->id);
}

// Each list entry W joins the anchor at mid1; a contact with a stretch has
// it moved to the couple at the end the end check chooses.
bool mid1_contacts(dbReader& db, const PointRun& r, const std::vector<point3D*>& list, bool s1Member)
{
    for (point3D* W : list) {
        interpair* q = fused_front(db, r.V, W);
        if (!q)
            continue;
        if (q->MP.empty()) {
            start_single(q, r.V, W);
            continue;
        }
        cell* cV = cell_of(r.V);
        pair_trace(r, cV, cell_of(W));
        point3D* u = nullptr;
        point3D* v = nullptr;
        const int check = db.boundary_merge_2_check(q, cV, cell_of(W), r.V, W, &u, &v);
        if (check < 0)
            continue;
        const mergepair* M = q->MP[0];
        const bool vFirst = q->cell1 == cV;
        const bool single = vFirst ? M->S1 == M->S2 : M->T1 == M->T2;
        bool firstEnd = check == 1;
        if (single) {
            // A single welded point grows towards the couple: u becomes the
            // first end when it lies before the point along the ring, else
            // the second. The check's side (swapped, for the S1mp member on
            // its first cell) can name the other end, and the re-weld would
            // then run from the point round the far side of both rings.
            const point3D* X = vFirst ? M->S1 : M->T1;
            const StretchSides sides = stretch_sides(u, X, X);
            if (sides.known())
                firstEnd = sides.ahead < sides.behind;
        }
        if (!move_stretch_end(db, q, cV, u, v, firstEnd, s1Member))
            return false;
    }
    return true;
}

// The re-weld of a refreshed stretch (p1, p2 on one cell facing q1, q2) and
// the writing of its four ends; `pFirst` when p1, p2 lie on q's first cell.
bool reweld_refreshed(dbReader& db, interpair* q, point3D* p1, point3D* p2, point3D* q1, point3D* q2, bool pFirst)
{
    if (!reweld(db, q, p1, p2, q1, q2))
        return false;
    if (q->MP.empty())
        return true;
    mergepair* M = q->MP[0];
    (pFirst ? M->S1 : M->T1) = p1;
    (pFirst ? M->S2 : M->T2) = p2;
    (pFirst ? M->T1 : M->S1) = q2;
    (pFirst ? M->T2 : M->S2) = q1;
    return true;
}

// Each list entry Y joins the anchor at mid2; its cells' contact is
// started, refreshed and re-welded (pulling further cells' vertices after a
// new stretch), or moved at the end the end check chooses.
bool mid2_contacts(dbReader& db, const PointRun& r, const std::vector<point3D*>& list, bool t1Member, cell* far)
{
    point3D* A = r.V;
    cell* cA = cell_of(A);
    // The list is the call's own: a nested response cannot shorten it.
    for (point3D* Y : list) {
        interpair* q = fused_front(db, A, Y);
        if (!q)
            continue;
        cell* cY = cell_of(Y);
        const bool aFirst = q->cell1 == cA;
        if (q->MP.empty()) {
            start_single(q, A, Y);
            point3D* p0 = aFirst ? A : Y;
            point3D* q0 = aFirst ? Y : A;
            point3D *p1 = p0, *p2 = p0, *q1 = q0, *q2 = q0;
            db.boundary_merge_2_refresh(&p1, &p2, &q1, &q2, nullptr, nullptr);
            pair_trace(r, cA, cY);
            if (p1 == p0 && p2 == p0 && q1 == q0 && q2 == q0) {
                if (!reweld(db, q, p1, p2, q1, q2))
                    return false;
                continue;
            }
            if (!reweld_refreshed(db, q, p1, p2, q1, q2, true))
                return false;
            // The vertices welded at a moved end on Y's side follow it.
            const auto pull = [&](point3D* pNew, point3D* qNew, point3D* pOld, point3D* qOld) {
                if (pNew == pOld || qNew == qOld)
                    return;
                point3D* onY = aFirst ? qNew : pNew;
                point3D* onA = aFirst ? pNew : qNew;
                pull_and_reenter(db, onY, onA, cA, cY, far, r.pairId);
            };
            pull(p1, q1, p0, q0);
            pull(p2, q2, p0, q0);
            continue;
        }
        const mergepair* M = q->MP[0];
        if (aFirst ? M->S1 == M->S2 : M->T1 == M->T2) {
            // A single point on A's side grows to the couple through the
            // refresh.
            point3D *p1, *p2, *q1, *q2;
            if (t1Member) {
                p1 = Y;
                p2 = aFirst ? M->T1 : M->S1;
                q1 = A;
                q2 = aFirst ? M->S2 : M->T2;
            } else {
                p1 = aFirst ? M->T2 : M->S2;
                p2 = Y;
                q1 = aFirst ? M->S1 : M->T1;
                q2 = A;
            }
            const point3D* old[4] = {p1, p2, q1, q2};
            pair_trace(r, cA, cY);
            db.boundary_merge_2_refresh(&p1, &p2, &q1, &q2, nullptr, nullptr);
            const bool same = p1 == old[0] && p2 == old[1] && q1 == old[2] && q2 == old[3];
            if (!same) {
                if (!reweld_refreshed(db, q, p1, p2, q1, q2, !aFirst))
                    return false;
                continue;
            }
            if (!reweld(db, q, p1, p2, q1, q2))
                return false;
            if (q->MP.empty())
                continue;
            SideEnds e = side_ends(q->MP[0], aFirst);
            // Only the couple's own ends move: A on its side, Y facing it.
            *(t1Member ? e.X2 : e.X1) = A;
            *(t1Member ? e.Y1 : e.Y2) = Y;
            continue;
        }
        pair_trace(r, cA, cY);
        point3D* o1 = nullptr;
        point3D* o2 = nullptr;
        const int check = db.boundary_merge_2_check(q, cA, cY, A, Y, &o1, &o2);
        if (check < 0)
            continue;
        if (!move_stretch_end(db, q, cA, o1, o2, check == 1, !t1Member))
            return false;
    }
    return true;
}

// The two-point case: S1 and T1 fuse at mid1, S2 and T2 at mid2, every
// vertex welded to one of the four joins the other side of its point, and
// the boundary between the two points becomes one welded stretch.
bool two_point(dbReader& db, point3D* S1, point3D* S2, point3D* T1, point3D* T2, int pairId)
{
    std::vector<point3D*> S1mp, S2mp, T1mp, T2mp;
    const Pos mid1 = fuse_at_midpoint(S1, T1, S1mp, S2mp);
    const Pos mid2 = fuse_at_midpoint(S2, T2, T1mp, T2mp);
    if (pairId == 37212) {
        std::cout << "   -> Pair 37212: " << std::endl;
        std::cout << "   -> S1mp size: " << S1mp.size() << std::endl;
        std::cout << "   -> S2mp size: " << S2mp.size() << std::endl;
        std::cout << "   -> T1mp size: " << T1mp.size() << std::endl;
        std::cout << "   -> T2mp size: " << T2mp.size() << std::endl;
    }
    // Each list joins the other side of its point: the partner block, then
    // its entries' contacts with the anchor.
    cell* cellA = cell_of(S1);
    cell* cellB = cell_of(T1);
    const char* sep = ": boundary merge 2: ";
    if (!S1mp.empty()) {
        partner_block(db, PartnerRun{T1, &S1mp, true, S1, true, "S1: ", true, false, sep, false}, cellA, cellB);
        if (!mid1_contacts(db, PointRun{T1, true, pairId, cellA, cellB}, S1mp, true))
            return false;
    }
    if (!S2mp.empty()) {
        partner_block(db, PartnerRun{S1, &S2mp, false, T1, false, "S2: ", true, true, sep, true}, cellA, cellB);
        if (!mid1_contacts(db, PointRun{S1, false, pairId, cellA, cellB}, S2mp, false))
            return false;
    }
    if (!T1mp.empty()) {
        partner_block(db, PartnerRun{T2, &T1mp, false, S2, false, "T1: ", true, true, sep, false}, cellA, cellB);
        if (!mid2_contacts(db, PointRun{T2, false, pairId, cellA, cellB}, T1mp, true, cellA))
            return false;
    }
    if (!T2mp.empty()) {
        partner_block(db, PartnerRun{S2, &T2mp, true, T2, true, "T2: ", true, true, sep, false}, cellA, cellB);
        if (!mid2_contacts(db, PointRun{S2, true, pairId, cellA, cellB}, T2mp, false, cellB))
            return false;
    }
    if (!collapse_two_point(db, S1, T1, S1mp, S2mp, false) || !collapse_two_point(db, S2, T2, T1mp, T2mp, true))
        return false;
    interpair* main = nullptr;
    if (!junction_merge_opening(db, S1, S2, T1, T2, main))
        return false;
    return reweld_opening(db, main, S1, S2, T1, T2, mid1, mid2);
}

} // namespace

bool welding::merge_0_welds(const point3D* S1, const point3D* S2, const point3D* T1, const point3D* T2)
{
    // One end a single vertex and the other a run is no stretch.
    return (S1 == S2) == (T1 == T2);
}

bool welding::merge_0(dbReader& db, point3D* S1, point3D* S2, point3D* T1, point3D* T2, int pair_id)
{
    if (!usable(S1) || !usable(S2) || !usable(T1) || !usable(T2) || cell_of(S1) == cell_of(T1)
        || cell_of(S1) != cell_of(S2) || cell_of(T1) != cell_of(T2))
        return true;
    if (!merge_0_welds(S1, S2, T1, T2) || !fusable(S1, T1) || !fusable(S2, T2))
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
