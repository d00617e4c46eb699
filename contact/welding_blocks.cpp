// The small operations every welding routine is made of: bonding and
// unbonding facing edges, dropping and re-welding vertices, new records, and
// the look-ups of pairs and partner cells.
#include "contact/welding.h"

#include "model/parameter_tables.h"

#include <algorithm>
#include <cmath>

namespace welding {

int ring_bound(const cell* c)
{
    if (!c)
        return 0;
    return static_cast<int>(c->sides.size()) + 8;
}

int target_count(Pos a, Pos b)
{
    const double d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
    return static_cast<int>(d / kTargetLength);
}

void unbond(edge* e)
{
    if (!e)
        return;
    edge* f = e->bonded ? e->partner : nullptr;
    e->bonded = 0;
    e->partner = nullptr;
    // A partner that is welded elsewhere already keeps that weld.
    if (f && f->partner == e) {
        f->bonded = 0;
        f->partner = nullptr;
    }
}

void bond(edge* e, edge* f, interpair* pair)
{
    if (e->bonded && e->partner != f)
        unbond(e);
    if (f->bonded && f->partner != e)
        unbond(f);
    e->partner = f;
    f->partner = e;
    e->bonded = 1;
    f->bonded = 1;
    e->pair = pair;
    f->pair = pair;
}

void remove_side(edge* e)
{
    if (e->cell)
        e->cell->removeside(e);
    if (e->bonded)
        unbond(e);
}

namespace {

bool run_holds(const point3D* from, const point3D* to, const point3D* w)
{
    const int bound = ring_bound(cell_of(from));
    int steps = 0;
    for (const point3D* p = from; p && steps <= bound; p = p->next, ++steps) {
        if (p == w)
            return true;
        if (p == to)
            return false;
    }
    return false;
}

} // namespace

mergepair* stretch_through(const interpair* K, const point3D* w)
{
    for (mergepair* m : K->MP)
        if (run_holds(m->S1, m->S2, w) || run_holds(m->T1, m->T2, w))
            return m;
    return nullptr;
}

mergepair* stretch_holding(const interpair* K, const point3D* w)
{
    if (K->MP.empty())
        return nullptr;
    mergepair* m = stretch_through(K, w);
    return m ? m : K->MP[0];
}

interpair* trim_junction(edge* e, point3D* v)
{
    if (!e->bonded || !e->pair || !e->partner)
        return nullptr;
    interpair* X = e->pair;
    if (X->MP.empty())
        return X;
    mergepair* m = stretch_holding(X, v);
    const bool first = X->cell1 == e->cell;
    if (e == v->out_edge) {
        (first ? m->S2 : m->T2) = v;
        (first ? m->T1 : m->S1) = e->partner->p2;
    } else {
        (first ? m->S1 : m->T1) = v;
        (first ? m->T2 : m->S2) = e->partner->p1;
    }
    return X;
}

namespace {

bool listed(const std::vector<point3D*>& inner, const point3D* v)
{
    return std::find(inner.begin(), inner.end(), v) != inner.end();
}

// Moves the end `end` of a stretch, which lies in the gap, out of it along
// the stretch (next when `forward`) to the first vertex beyond the gap, and
// `facing` to that vertex's partner on `other`. False when the walk finds no
// such welded vertex: the end is then left alone.
bool move_end_out(point3D*& end, point3D*& facing, bool forward, const cell* other,
                  const std::vector<point3D*>& inner)
{
    const int bound = ring_bound(cell_of(end));
    point3D* s = end;
    for (int k = 0; s && listed(inner, s); ++k) {
        if (k > bound)
            return false;
        s = forward ? s->next : s->prev;
    }
    if (!s)
        return false;
    for (point3D* t : s->mp) {
        if (t && cell_of(t) == other) {
            end = s;
            facing = t;
            return true;
        }
    }
    return false;
}

} // namespace

void release_inner_stretches(const interpair* pair, const std::vector<point3D*>& inner)
{
    for (point3D* w : inner) {
        cell* c = cell_of(w);
        if (!c)
            continue;
        for (interpair* other : c->pairs) {
            if (other == pair || other->removed)
                continue;
            for (std::size_t k = other->MP.size(); k-- > 0;) {
                mergepair* m = other->MP[k];
                const bool first = m->S1 == w || m->S2 == w;
                if (!first && m->T1 != w && m->T2 != w)
                    continue;
                // Wholly inside the gap: the stretch goes. One end inside:
                // that end moves out to where the stretch leaves the gap.
                point3D*& lo = first ? m->S1 : m->T1;
                point3D*& hi = first ? m->S2 : m->T2;
                const bool loIn = listed(inner, lo);
                const bool hiIn = listed(inner, hi);
                cell* facingCell = first ? other->cell2 : other->cell1;
                if (loIn && hiIn)
                    other->remove_MP(m);
                else if (loIn)
                    move_end_out(lo, first ? m->T2 : m->S2, true, facingCell, inner);
                else
                    move_end_out(hi, first ? m->T1 : m->S1, false, facingCell, inner);
            }
        }
    }
}

void drop_vertex(dbReader& db, point3D* r)
{
    for (point3D* q : r->mp)
        if (q)
            q->removemp(r);
    if (r->node && !r->node->vertices.empty()) {
        db.node_remove_1(r);
    } else {
        // A vertex outside every node still leaves its ring.
        r->alive = 0;
        r->in_node = 0;
    }
}

void shorten_run(dbReader& db, point3D* keep, int count, point3D* end, bool backward)
{
    point3D* cur = keep;
    for (int i = 0; i < count; ++i) {
        point3D* gone = backward ? cur->prev : cur->next;
        remove_side(backward ? cur->in_edge : cur->out_edge);
        drop_vertex(db, gone);
        cur = gone;
    }
    if (backward) {
        edge* e = end->out_edge;
        e->p2 = keep;
        keep->prev = end;
        end->next = keep;
        keep->in_edge = e;
    } else {
        edge* e = end->in_edge;
        e->p1 = keep;
        keep->next = end;
        end->prev = keep;
        keep->out_edge = e;
    }
}

void detach_partners(point3D* u)
{
    for (point3D* q : u->mp)
        if (q)
            q->removemp(u);
    u->clearmp();
}

void weld_to_new_vertex(dbReader& db, point3D* u, point3D* N)
{
    detach_partners(u);
    u->pushmp(N);
    N->pushmp(u);
    db.node_remove_0(u);
    u->node->pushvertex(N);
    N->node = u->node;
}

void reweld_couple(dbReader& db, point3D* v, point3D* w, Pos at)
{
    move_to(v, at);
    move_to(w, at);
    detach_partners(v);
    detach_partners(w);
    v->pushmp(w);
    w->pushmp(v);
    db.node_remove_0(v);
    db.node_remove_0(w);
    db.node_merge(v, w);
}

void fill_one_side(dbReader& db, interpair* pair, point3D* F, point3D* L,
                   const std::vector<point3D*>& u, point3D* Fe, point3D* Le, Pos PA, Pos PL,
                   bool markUnused)
{
    cell* full = cell_of(F);
    cell* empty = cell_of(Fe);
    const std::size_t k = u.size();
    trim_junction(L->in_edge, L);
    trim_junction(F->out_edge, F);
    release_inner_stretches(pair, u);
    const auto retire = [markUnused](edge* e) {
        remove_side(e);
        if (markUnused)
            e->in_use = 0;
    };
    retire(Fe->out_edge);
    for (std::size_t i = 0; i < k; ++i) {
        point3D* r = (i == 0) ? F : u[i - 1];
        retire(r->out_edge);
        if (i + 1 < k)
            drop_vertex(db, u[i]);
    }
    point3D* uk = u.back();
    const Pos mid = midpoint(PA, PL);
    point3D* N = new_vertex(db, mid);
    N->next = Le;
    N->prev = Fe;
    Fe->next = N;
    Le->prev = N;
    edge* e1 = new_edge(db, Fe, N, empty);
    edge* e2 = new_edge(db, N, Le, empty);
    edge* e3 = new_edge(db, F, uk, full);
    Fe->out_edge = e1;
    N->in_edge = e1;
    N->out_edge = e2;
    Le->in_edge = e2;
    bond(e1, uk->out_edge, pair);
    bond(e2, e3, pair);
    move_to(uk, mid);
    weld_to_new_vertex(db, uk, N);
    uk->prev = F;
    F->next = uk;
    uk->in_edge = e3;
    F->out_edge = e3;
    empty->sides.push_back(e1);
    empty->sides.push_back(e2);
    full->sides.push_back(e3);
}

void grow_poorer_run(dbReader& db, interpair* pair, const std::vector<point3D*>& rich, int have,
                     cell* poor, bool poorIsSecond, point3D* last, point3D* poorEnd, point3D* richEnd,
                     Pos from, Pos to, bool markUnused)
{
    const int K = static_cast<int>(rich.size());
    for (int j = have + 1; j <= K; ++j) {
        point3D* r = rich[j - 1];
        const Pos at = place_along(from, to, j, K);
        point3D* N = new_vertex(db, at);
        move_to(r, at);
        edge* e;
        if (poorIsSecond) {
            N->next = last;
            last->prev = N;
            weld_to_new_vertex(db, r, N);
            e = new_edge(db, N, last, poor);
            N->out_edge = e;
            last->in_edge = e;
            bond(r->in_edge, e, pair);
        } else {
            last->next = N;
            N->prev = last;
            weld_to_new_vertex(db, r, N);
            e = new_edge(db, last, N, poor);
            last->out_edge = e;
            N->in_edge = e;
            bond(e, r->out_edge, pair);
        }
        poor->sides.push_back(e);
        last = N;
    }
    edge* closing;
    if (poorIsSecond) {
        last->prev = poorEnd;
        poorEnd->next = last;
        closing = new_edge(db, poorEnd, last, poor);
        last->in_edge = closing;
        remove_side(poorEnd->out_edge);
        if (markUnused)
            poorEnd->out_edge->in_use = 0;
        poorEnd->out_edge = closing;
        bond(richEnd->in_edge, closing, pair);
    } else {
        last->next = poorEnd;
        poorEnd->prev = last;
        closing = new_edge(db, last, poorEnd, poor);
        last->out_edge = closing;
        remove_side(poorEnd->in_edge);
        if (markUnused)
            poorEnd->in_edge->in_use = 0;
        poorEnd->in_edge = closing;
        bond(closing, richEnd->out_edge, pair);
    }
    poor->sides.push_back(closing);
}

point3D* new_vertex(dbReader& db, Pos at)
{
    auto* p = new point3D(static_cast<int>(db.points.size()), at.x, at.y);
    db.points.push_back(p);
    return p;
}

edge* new_edge(dbReader& db, point3D* p1, point3D* p2, cell* owner)
{
    auto* e = new edge(static_cast<int>(db.edges.size()), p1, p2, owner);
    db.edges.push_back(e);
    return e;
}

interpair* new_pair(dbReader& db, cell* x, cell* y)
{
    auto* p = new interpair(static_cast<int>(db.interpairs.size()), x, y);
    db.interpairs.push_back(p);
    // A type without a strength entry reads 0.0 (the look-up inserts it); a
    // type outside the adhesion table has no adhesion rather than a read
    // past the table.
    const double strength = std::min(index_stren_class[x->cell_type], index_stren_class[y->cell_type]);
    const bool inTable = x->cell_type >= 0 && x->cell_type < MAX_CELL_TYPES && y->cell_type >= 0 && y->cell_type < MAX_CELL_TYPES;
    p->adhesion = inTable ? strength * adhesion_pair_array[x->cell_type][y->cell_type] : 0.0;
    p->adhesion_copy = p->adhesion;
    x->pairs.push_back(p);
    y->pairs.push_back(p);
    return p;
}

interpair* find_pair(cell* x, cell* y)
{
    for (interpair* p : x->pairs)
        if (p && !p->removed && (p->cell1 == y || p->cell2 == y))
            return p;
    return nullptr;
}

interpair* find_any_pair(cell* x, cell* y)
{
    for (interpair* p : x->pairs)
        if (p && ((p->cell1 == x && p->cell2 == y) || (p->cell1 == y && p->cell2 == x)))
            return p;
    return nullptr;
}

point3D* last_partner_on(const point3D* v, const cell* on)
{
    point3D* found = nullptr;
    for (point3D* m : v->mp)
        if (m && cell_of(m) == on)
            found = m;
    return found;
}

bool share_partner_cell(const point3D* p, const point3D* q)
{
    for (const point3D* x : p->mp) {
        const cell* cx = cell_of(x);
        for (const point3D* y : q->mp)
            if (cell_of(y) == cx)
                return true;
    }
    return false;
}

int ring_steps(const point3D* from, const point3D* to, bool backward)
{
    const int bound = ring_bound(cell_of(from));
    const point3D* v = from;
    for (int k = 0; v && k <= bound; ++k) {
        if (v == to)
            return k;
        v = backward ? v->prev : v->next;
    }
    return -1;
}

int ring_steps_sum(const point3D* from1, const point3D* to1, bool backward1, const point3D* from2,
                   const point3D* to2, bool backward2)
{
    const int s = ring_steps(from1, to1, backward1);
    const int t = ring_steps(from2, to2, backward2);
    return (s < 0 || t < 0) ? -1 : s + t;
}

StretchSides stretch_sides(const point3D* p, const point3D* start, const point3D* end)
{
    return {ring_steps(p, start, false), ring_steps(end, p, false)};
}

bool on_ring(const point3D* p)
{
    return p && p->alive && p->next && p->prev && p->out_edge && p->in_edge;
}

bool ends_on_two_cells(const point3D* x1, const point3D* x2, const point3D* y1, const point3D* y2)
{
    return on_ring(x1) && on_ring(x2) && on_ring(y1) && on_ring(y2) && cell_of(x1) == cell_of(x2)
           && cell_of(y1) == cell_of(y2) && cell_of(x1) != cell_of(y1);
}

int count_between(const point3D* from, const point3D* to, bool backward)
{
    const int bound = ring_bound(cell_of(from));
    int k = 0;
    const point3D* v = backward ? from->prev : from->next;
    while (v != to) {
        if (!v || k > bound)
            return -1;
        ++k;
        v = backward ? v->prev : v->next;
    }
    return k;
}

void fuse_ends(point3D* a, point3D* c, Pos at, std::vector<point3D*>& groupA,
               std::vector<point3D*>& groupC)
{
    for (point3D* q : a->mp) {
        move_to(q, at);
        if (q != c)
            groupA.push_back(q);
    }
    for (point3D* q : c->mp) {
        move_to(q, at);
        if (q != a)
            groupC.push_back(q);
    }
    a->pushmp(c);
    c->pushmp(a);
}

Pos fuse_at_midpoint(point3D* a, point3D* c, std::vector<point3D*>& groupA, std::vector<point3D*>& groupC)
{
    const Pos m = midpoint(pos_of(a), pos_of(c));
    gather_weld_point(a, c, m, groupA, groupC);
    return m;
}

bool link_group(dbReader& db, point3D* owner, const std::vector<point3D*>& group, bool forward)
{
    if (group.empty())
        return true;
    // The partner list grows while it is walked: its length is read afresh.
    for (std::size_t i = 0; i < owner->mp.size(); ++i) {
        point3D* x = owner->mp[i];
        for (point3D* y : group) {
            x->pushmp(y);
            if (!third_cell_block(db, x, y, forward))
                return false;
        }
    }
    for (point3D* y : group) {
        owner->pushmp(y);
        y->pushmp(owner);
        if (!third_cell_block(db, owner, y, forward))
            return false;
    }
    return true;
}

} // namespace welding
