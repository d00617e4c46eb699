// The boundary merges of the per-step contact response. Each one welds two
// cells at one or two weld points and then lays the boundary between the weld
// points down as one welded run:
//  - boundary_merge_3 welds a new contact: a single point, or a stretch
//    whose two ends are fused first;
//  - boundary_merge_4 lengthens a welded stretch at one end: the new end
//    couple is fused, the run between the old end and the new one re-welded;
//  - boundary_merge_refresh splits an edge at its midpoint so that a lone
//    vertex of the other cell has a vertex to be welded to.
// At a weld point the two partner groups are joined (every two cells that
// meet there get a pair) and a third cell that now passes twice through the
// point loses its shorter loop. The run between the weld points is rebuilt
// by the stretch re-welding shared with the initial welding.
#include "contact/welding.h"

#include <algorithm>
#include <tuple>

using namespace welding;

namespace {

// The pair of a third cell's contact with W and its stretch holding w;
// false when no stretch of the contact holds w.
bool contact_stretch(cell* X, cell* W, const point3D* w, interpair*& P, mergepair*& mm)
{
    P = find_pair(X, W);
    if (!P)
        return false;
    mm = stretch_through(P, w);
    return mm != nullptr;
}

int live_ring_size(const cell* c)
{
    return static_cast<int>(c->sides.size());
}

} // namespace

void welding::ensure_pair(dbReader& db, cell* x, cell* y)
{
    if (!x || !y || x == y || find_pair(x, y))
        return;
    new_pair(db, x, y);
}

void welding::gather_weld_point(point3D* p, point3D* q, Pos at, std::vector<point3D*>& Gp,
                                std::vector<point3D*>& Gq)
{
    move_to(p, at);
    move_to(q, at);
    fuse_ends(p, q, at, Gp, Gq);
}

namespace {

// Every vertex of `members` (read afresh, it may grow) takes every vertex of
// `group`; then `owner` and each of the group take each other. Vertices of
// one cell are never linked.
void link_across(dbReader& db, point3D* owner, const std::vector<point3D*>& group)
{
    for (std::size_t i = 0; i < owner->mp.size(); ++i) {
        point3D* x = owner->mp[i];
        for (point3D* y : group) {
            if (cell_of(x) == cell_of(y))
                continue;
            x->pushmp(y);
            ensure_pair(db, cell_of(x), cell_of(y));
        }
    }
    for (point3D* y : group) {
        if (cell_of(owner) == cell_of(y))
            continue;
        owner->pushmp(y);
        y->pushmp(owner);
        ensure_pair(db, cell_of(owner), cell_of(y));
    }
}

} // namespace

void welding::link_weld_point(dbReader& db, point3D* p, point3D* q, const std::vector<point3D*>& Gp,
                              const std::vector<point3D*>& Gq)
{
    link_across(db, q, Gp);
    link_across(db, p, Gq);
}

void welding::fuse_weld_point(dbReader& db, point3D* p, point3D* q, Pos at, std::vector<point3D*>& Gp,
                              std::vector<point3D*>& Gq)
{
    gather_weld_point(p, q, at, Gp, Gq);
    link_weld_point(db, p, q, Gp, Gq);
}

namespace {

// The pinch couple among the groups: a live vertex of Gp and the first live
// vertex of Gq on the same cell, that cell not one of `done`; the first such
// vertex of Gp, or the last with `lastCouple`. False when there is none.
bool pinch_couple(const std::vector<point3D*>& Gp, const std::vector<point3D*>& Gq, bool lastCouple,
                  const std::vector<const cell*>& done, point3D*& u, point3D*& v)
{
    u = nullptr;
    v = nullptr;
    for (point3D* gp : Gp) {
        const cell* W = gp->alive ? cell_of(gp) : nullptr;
        if (!W || W->dead || std::find(done.begin(), done.end(), W) != done.end())
            continue;
        point3D* match = nullptr;
        for (point3D* gq : Gq) {
            if (gq != gp && gq->alive && cell_of(gq) == W) {
                match = gq;
                break;
            }
        }
        if (!match)
            continue;
        u = gp;
        v = match;
        if (!lastCouple)
            break;
    }
    return u != nullptr;
}

// Cuts W's shorter loop between u and v (the one from u on a tie) at the
// weld point of p and q.
void cut_loop_at(dbReader& db, point3D* p, point3D* q, point3D* u, point3D* v)
{
    cell* W = cell_of(u);
    cell* Cp = cell_of(p);
    cell* Cq = cell_of(q);
    const int k1 = ring_steps(u, v, false);
    const int k2 = ring_steps(v, u, false);
    if (k1 < 0 || k2 < 0)
        return;
    point3D* f = (k2 < k1) ? v : u;
    point3D* s = (k2 < k1) ? u : v;
    const int arcLength = std::min(k1, k2);

    // A cut that leaves fewer than three sides: the cell goes instead.
    if (live_ring_size(W) - arcLength < 3) {
        db.cell_death_response(W);
        return;
    }
    std::vector<point3D*> arc;
    for (point3D* w = f; w != s; w = w->next) {
        if (!w->out_edge)
            return;
        arc.push_back(w);
    }
    if (!f->prev || !f->in_edge)
        return;

    // W's own stretches: an end on the arc moves to the survivor s, and its
    // facing end to s's partner on the stretch's other cell (s sits at the
    // weld point, where the fusion welded it). A facing end far from the
    // point would name a vertex that is not welded to s.
    for (std::size_t i = 0; i < W->pairs.size(); ++i) {
        interpair* P = W->pairs[i];
        const bool first = P->cell1 == W;
        if (!first && P->cell2 != W)
            continue;
        cell* other = first ? P->cell2 : P->cell1;
        for (std::size_t j = P->MP.size(); j-- > 0;) {
            mergepair* mm = P->MP[j];
            point3D*& lo = first ? mm->S1 : mm->T1;
            point3D*& hi = first ? mm->S2 : mm->T2;
            point3D*& loFacing = first ? mm->T2 : mm->S2;
            point3D*& hiFacing = first ? mm->T1 : mm->S1;
            const bool loOn = std::find(arc.begin(), arc.end(), lo) != arc.end();
            const bool hiOn = std::find(arc.begin(), arc.end(), hi) != arc.end();
            if (!loOn && !hiOn)
                continue;
            point3D* facing = last_partner_on(s, other);
            bool keep = true;
            for (auto [on, end, fac] : {std::tuple{loOn, &lo, &loFacing}, std::tuple{hiOn, &hi, &hiFacing}}) {
                if (!on)
                    continue;
                *end = s;
                if (s->checkmp(*fac))
                    continue;
                if (facing)
                    *fac = facing;
                else
                    keep = false;
            }
            // An end that s is not welded to: the stretch has no weld left
            // at the point and goes; so does one that now repeats another.
            const bool repeated = std::any_of(P->MP.begin(), P->MP.end(), [mm](const mergepair* o) {
                return o != mm && o->S1 == mm->S1 && o->S2 == mm->S2 && o->T1 == mm->T1 && o->T2 == mm->T2;
            });
            if (!keep || repeated)
                P->remove_MP(mm);
        }
    }

    // Contacts of other cells with the arc's interior.
    if (arc.size() > 1) {
        for (std::size_t i = 1; i < arc.size(); ++i) {
            point3D* w = arc[i];
            const std::vector<point3D*> partners = w->mp;
            for (point3D* x : partners) {
                cell* X = cell_of(x);
                interpair* P;
                mergepair* mm;
                if (!X || X == W || !contact_stretch(X, W, w, P, mm))
                    continue;
                if (X != Cp && X != Cq) {
                    P->remove_MP(mm);
                } else if (mm->S2 == w) {
                    mm->S2 = s;
                    mm->T1 = (X == Cp) ? p : q;
                } else if (mm->T2 == w) {
                    mm->T2 = s;
                    mm->S1 = (X == Cp) ? p : q;
                }
            }
        }
    } else if (f->out_edge->bonded && f->out_edge->pair) {
        interpair* P = f->out_edge->pair;
        cell* O = (P->cell1 == W) ? P->cell2 : P->cell1;
        mergepair* held = stretch_through(P, f);
        if (O != Cp && O != Cq && held)
            P->remove_MP(held);
    }

    // The cut, then the ring closed over it.
    collapse_arc(db, f, s, false, p, q, true);
}

} // namespace

void welding::cut_pinched_arc(dbReader& db, point3D* p, point3D* q, const std::vector<point3D*>& Gp,
                              const std::vector<point3D*>& Gq, bool lastCouple)
{
    if (Gp.empty() || Gq.empty())
        return;
    // Every third cell that now passes twice through the weld point loses a
    // loop, one cell at a time: a second pinched cell left in place would
    // keep two of its own vertices in the point's node. Each cut drops a
    // member of the groups or removes the cell, and no cell is cut twice, so
    // the rounds end.
    std::vector<const cell*> done;
    point3D* u;
    point3D* v;
    while (pinch_couple(Gp, Gq, lastCouple, done, u, v)) {
        done.push_back(cell_of(u));
        cut_loop_at(db, p, q, u, v);
    }
}

void dbReader::boundary_merge_3(point3D* a, point3D* b, point3D* c, point3D* d, int pairId)
{
    if (!a || !b || !c || !d)
        return;
    interpair* fallback =
        (pairId >= 0 && pairId < static_cast<int>(interpairs.size())) ? interpairs[pairId] : nullptr;
    const Pos m1 = midpoint(pos_of(a), pos_of(c));
    if (a == b && c == d) {
        std::vector<point3D*> Ga, Gc;
        fuse_weld_point(*this, a, c, m1, Ga, Gc);
        cut_pinched_arc(*this, a, c, Ga, Gc, true);
        if (a->checkmp(c) && a->alive && c->alive)
            node_merge(a, c);
        return;
    }
    const Pos m2 = midpoint(pos_of(b), pos_of(d));
    std::vector<point3D*> Ga, Gc, Gb, Gd;
    gather_weld_point(a, c, m1, Ga, Gc);
    gather_weld_point(b, d, m2, Gb, Gd);
    link_weld_point(*this, a, c, Ga, Gc);
    link_weld_point(*this, b, d, Gb, Gd);
    cut_pinched_arc(*this, a, c, Ga, Gc, false);
    cut_pinched_arc(*this, b, d, Gb, Gd, false);
    // A cut may have removed one of the two cells: nothing is left to lay down.
    if (!a->alive || !b->alive || !c->alive || !d->alive)
        return;
    node_merge(a, c);
    node_merge(b, d);
    welding::boundary_merge(*this, a, b, c, d, fallback);
}

void dbReader::boundary_merge_4(point3D* a, point3D* b, point3D* c, point3D* d, int pairId)
{
    if (!a || !b || !c || !d || c == a || d == b)
        return;
    interpair* fallback =
        (pairId >= 0 && pairId < static_cast<int>(interpairs.size())) ? interpairs[pairId] : nullptr;
    const Pos m = midpoint(pos_of(c), pos_of(d));
    std::vector<point3D*> Lc, Ld;
    fuse_weld_point(*this, c, d, m, Lc, Ld);
    cut_pinched_arc(*this, c, d, Lc, Ld, false);
    if (!a->alive || !b->alive || !c->alive || !d->alive)
        return;
    node_merge(c, d);
    // The run from the new end (c, d) to the old one (a, b) is laid down
    // from m to a's place.
    welding::boundary_merge(*this, c, a, d, b, fallback);
}

void dbReader::boundary_merge_refresh(point3D* a, point3D* b, point3D* c, point3D* d)
{
    if (!a || !b || !c || !d)
        return;
    // Shape 1 splits c's in-edge (d -> c), shape 2 a's out-edge (a -> b).
    point3D* from;
    point3D* to;
    if (a == b && c != d && c->prev == d) {
        from = d;
        to = c;
    } else if (a != b && c == d && a->next == b) {
        from = a;
        to = b;
    } else {
        return;
    }
    edge* E = from->out_edge;
    if (!E || E != to->in_edge || !from->in_edge || !to->out_edge)
        return;
    cell* Y = E->cell;
    const Pos mid = midpoint(pos_of(from), pos_of(to));

    point3D* N = new_vertex(*this, mid);
    N->next = to;
    N->prev = from;
    from->next = N;
    to->prev = N;
    edge* E0 = new_edge(*this, from, N, from->in_edge->cell);
    edge* E1 = new_edge(*this, N, to, to->out_edge->cell);

    edge* F = (E->bonded && E->partner) ? E->partner : nullptr;
    point3D* Nt = nullptr;
    edge* E2 = nullptr;
    edge* E3 = nullptr;
    if (F) {
        // The facing edge u -> v of the third cell (u at `to`, v at `from`)
        // is split at the same point; the twins share the new node.
        point3D* u = F->p1;
        point3D* v = F->p2;
        Nt = new_vertex(*this, mid);
        Nt->next = v;
        Nt->prev = u;
        u->next = Nt;
        v->prev = Nt;
        E2 = new_edge(*this, u, Nt, u->in_edge ? u->in_edge->cell : F->cell);
        E3 = new_edge(*this, Nt, v, v->out_edge ? v->out_edge->cell : F->cell);
    }

    auto* K = new node(static_cast<int>(nodes.size()));
    nodes.push_back(K);
    K->pushvertex(N);
    N->node = K;
    N->in_node = 1;
    Y->removeside(E);
    N->in_edge = E0;
    N->out_edge = E1;
    from->out_edge = E0;
    to->in_edge = E1;
    Y->sides.push_back(E0);
    Y->sides.push_back(E1);
    if (!F)
        return;

    cell* X = F->cell;
    N->pushmp(Nt);
    Nt->pushmp(N);
    K->pushvertex(Nt);
    Nt->node = K;
    Nt->in_node = 1;
    X->removeside(F);
    Nt->in_edge = E2;
    Nt->out_edge = E3;
    F->p1->out_edge = E2;
    F->p2->in_edge = E3;
    // The halves lying side by side are glued: E0 (at from) with E3 (at v),
    // E1 (at to) with E2 (at u).
    interpair* P = E->pair;
    E0->partner = E3;
    E3->partner = E0;
    E1->partner = E2;
    E2->partner = E1;
    for (edge* e : {E0, E1, E2, E3}) {
        e->bonded = 1;
        e->pair = P;
    }
    X->sides.push_back(E2);
    X->sides.push_back(E3);
}
