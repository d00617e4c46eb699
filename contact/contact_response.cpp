// The per-step contact response. After the mechanics has moved the vertices,
// each contact is brought up to date:
//  1. the contact intervals say how the two boxes lie; a gross overlap
//     (boxes crossing without a weld, one box inside the other) removes a cell;
//  2. a welded pair has each stretch walked outward from both ends for the
//     first crossing beyond it; the overrun end is fused there
//     (boundary_merge_4), or the smaller cell removed when the fusion would
//     swallow 16 ring steps or more;
//  3. a pair without a weld has its first crossings found and welded as a
//     point or a stretch (boundary_merge_3); where the crossing lies in a
//     weld with a third cell, the contact with that cell is handed on, and
//     where it would be handed back to a pair still being answered, the
//     cell wedged between the two is removed;
//  4. the neighbouring pairs that a fusion brings into play are re-run.
// collision_response_m2 does this for a pair of the stage; its three-cell
// variant collision_response_m3 for a pair met at a junction while another
// pair q is handled. The two call each other: every loop reads its sizes and
// links afresh, results that a nested call may have killed are dropped, the
// nesting is capped, and in one top-level call the top-level pair is entered
// at most twice and every other pair at most once (see admit_rerun).
#include "contact/corrections.h"
#include "contact/response_trace.h"
#include "contact/welding.h"

#include <algorithm>
#include <cmath>

using namespace welding;

namespace {

// Nesting of contact responses on this thread (the engine runs on the GUI
// thread only). A call past the cap returns at once: its pair waits for the
// next pass or step.
constexpr int kMaxNesting = 64;
int nesting = 0;

// The depth cap bounds how deep the re-runs go, not how wide: at a junction
// of four cells each re-run can ask for two more, and the calls would grow
// as two to the power of the depth. So within one top-level call (the call
// a stage makes, at nesting 0):
//  - the top-level pair is entered once, and when it is asked for again
//    while its response is open, it runs once more after that response has
//    finished, on the state it left (the per-step variant only; a
//    three-cell request on it is dropped);
//  - any other pair is entered at most once: the request that enters it
//    marks it re-run, and every later request for it is dropped, those made
//    while its own response is still open included. Its pass-2 re-run of
//    itself (a pair without a weld whose walks' ends a nested call took) is
//    therefore dropped too. That request comes only in the second pass, the
//    contact stage's last. The pair may still be entered later in this step:
//    by its own visit later in that pass when its id is above the visited
//    pair's (a third cell's contact, found or created at a weld point, is
//    entered without the re-run filter by index, whatever its id), or by a
//    later top-level call, which starts its own marks. Otherwise it is
//    answered again in this step only while its cells cross, by the stage's
//    answer to pairs still crossing after the passes, or, for a pair the
//    edge stage made or revived, by that stage's own; failing all of these
//    it waits for the next step.
// The work of one top-level call is thereby at most one response per pair
// plus one more run of the top-level pair.
std::vector<const interpair*> openPairs;   // responses on the call stack
std::vector<const interpair*> rerunPairs;  // re-run in this top-level call
std::vector<const interpair*> waitingPairs; // open, asked to run once more

bool listed(const std::vector<const interpair*>& list, const interpair* p)
{
    return std::find(list.begin(), list.end(), p) != list.end();
}

// Where entered responses are recorded, when anywhere.
std::vector<welding::ResponseCall>* responseLog = nullptr;

struct Nesting {
    explicit Nesting(const interpair* pair)
        : pair(pair)
    {
        ++nesting;
        openPairs.push_back(pair);
    }
    ~Nesting()
    {
        openPairs.pop_back();
        if (--nesting == 0) {
            rerunPairs.clear();
            waitingPairs.clear();
        }
    }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    bool tooDeep() const { return nesting > kMaxNesting; }
    void record(bool three, const interpair* q, int pass, int first, bool again = false) const
    {
        if (responseLog)
            responseLog->push_back({three, pair->id, q ? q->id : -1, pass, first, nesting, tooDeep(), again});
    }
    // Whether this pair was asked to run once more while it was open; the
    // request is taken.
    bool takeWaiting() const
    {
        const auto at = std::find(waitingPairs.begin(), waitingPairs.end(), pair);
        if (at == waitingPairs.end())
            return false;
        waitingPairs.erase(at);
        return true;
    }
    const interpair* pair;
};

// Whether a request to respond on `pair` may enter now. A call of a stage
// always enters. A nested request enters only for a pair not yet entered in
// this top-level call, which it marks re-run; a request for the top-level
// pair, open on the stack and never marked, is queued to run once more when
// its response ends (per-step variant only). Every other request is dropped:
// an open nested pair is marked re-run already, so it is never queued.
bool admit_rerun(const interpair* pair, bool three)
{
    if (nesting == 0)
        return true;
    if (listed(rerunPairs, pair))
        return false;
    if (listed(openPairs, pair)) {
        if (!three && !listed(waitingPairs, pair))
            waitingPairs.push_back(pair);
        return false;
    }
    rerunPairs.push_back(pair);
    return true;
}

// The most ring steps a fusion may swallow on both cells together.
constexpr int kMaxSwallowed = 16;

// One response: its pair, the stage's step, pass and visited pair, and for
// the three-cell variant the pair q being handled by the caller.
struct Call {
    dbReader& db;
    interpair* pair;
    int step;
    int pass;
    int first;
    bool three;
    interpair* q;

    cell* A() const { return pair->cell1; }
    cell* B() const { return pair->cell2; }
    bool over() const { return pair->removed || A()->dead || B()->dead; }
};

bool joins(const interpair* r, const cell* x, const cell* y)
{
    return (r->cell1 == x && r->cell2 == y) || (r->cell1 == y && r->cell2 == x);
}

// A ring the walks can trust: closed after as many vertices as sides, every
// vertex alive with both links and both edges, every bonded edge with a
// partner and a pair, no null partner.
bool ring_sound(const cell* c)
{
    if (c->sides.empty() || !c->sides[0] || !c->sides[0]->p1)
        return false;
    const point3D* start = c->sides[0]->p1;
    const std::size_t n = c->sides.size();
    const point3D* v = start;
    for (std::size_t k = 0; k < n; ++k) {
        if (!v || !v->alive || !v->next || !v->prev || v->next->prev != v || !v->out_edge || !v->in_edge)
            return false;
        const edge* e = v->out_edge;
        if (e->p1 != v || e->p2 != v->next || e->cell != c || v->next->in_edge != e)
            return false;
        if (e->bonded && (!e->partner || !e->pair))
            return false;
        for (const point3D* m : v->mp)
            if (!m || !m->out_edge)
                return false;
        v = v->next;
    }
    return v == start;
}

// Whether a stretch's ends are live vertices of the right cells.
bool stretch_sound(const interpair* pair, const mergepair* m)
{
    for (const point3D* s : {m->S1, m->S2})
        if (!s || !s->alive || cell_of(s) != pair->cell1)
            return false;
    for (const point3D* t : {m->T1, m->T2})
        if (!t || !t->alive || cell_of(t) != pair->cell2)
            return false;
    return true;
}

// The cell of the pair whose ring the walks cannot trust, null when both
// can be walked.
cell* unsound_cell(const Call& k)
{
    if (!ring_sound(k.A()))
        return k.A();
    if (!ring_sound(k.B()))
        return k.B();
    return nullptr;
}

bool eligible(const interpair* r, const Call& k)
{
    if (!r || r->removed)
        return false;
    if (k.pass == 1)
        return r->id < k.pair->id;
    if (k.pass == 2)
        return r->id < k.first || r->id < k.pair->id;
    return true;
}

void add_pairs_of(const Call& k, cell* X, cell* Y, std::vector<interpair*>& list)
{
    if (!X || !Y)
        return;
    for (std::size_t i = 0; i < X->pairs.size(); ++i) {
        interpair* r = X->pairs[i];
        if (r && joins(r, X, Y) && eligible(r, k) && std::find(list.begin(), list.end(), r) == list.end())
            list.push_back(r);
    }
}

// The existing pairs between the cells welded at u and at v, which a fusion
// of u with v brings into touch.
void collect_reruns(const Call& k, const point3D* u, const point3D* v, std::vector<interpair*>& list)
{
    const bool uw = !u->mp.empty();
    const bool vw = !v->mp.empty();
    if (uw && vw)
        for (const point3D* m : u->mp)
            for (const point3D* m2 : v->mp)
                add_pairs_of(k, cell_of(m), cell_of(m2), list);
    if (uw)
        for (const point3D* m : u->mp)
            add_pairs_of(k, cell_of(m), cell_of(v), list);
    if (vw)
        for (const point3D* m : v->mp)
            add_pairs_of(k, cell_of(m), cell_of(u), list);
}

void run_reruns(const Call& k, const std::vector<interpair*>& list)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        k.db.collision_response_m2(list[i], k.step, k.pass, k.first);
}

// Parallel edges (code 9) are a contact where X and Y lie at one place (two
// edges on one line meeting end to end there: the cells touch at that point,
// as code 1 says for edges that are not parallel), or where the edges lie on
// one line, within the crossing tolerance, and overlap along it by a
// positive length. The code also names edges far apart on one vertical
// line, and fusing those vertices would fold a cell flat.
bool parallel_contact(const point3D* X, const point3D* Y)
{
    if (X->x == Y->x && X->y == Y->y)
        return true;
    // The tolerance of the crossing parameters, as a fraction of X's edge.
    constexpr double kTolerance = 1e-9;
    const point3D* a = X->out_edge->p1;
    const point3D* b = X->out_edge->p2;
    const point3D* e = Y->in_edge->p1;
    const point3D* f = Y->in_edge->p2;
    const double dx = b->x - a->x;
    const double dy = b->y - a->y;
    const double len2 = dx * dx + dy * dy;
    if (!(len2 > 0.0))
        return false;
    // Offsets of Y's edge ends from X's line, in lengths of X's edge.
    const double offE = (dx * (e->y - a->y) - dy * (e->x - a->x)) / len2;
    const double offF = (dx * (f->y - a->y) - dy * (f->x - a->x)) / len2;
    if (std::fabs(offE) > kTolerance || std::fabs(offF) > kTolerance)
        return false;
    const double te = ((e->x - a->x) * dx + (e->y - a->y) * dy) / len2;
    const double tf = ((f->x - a->x) * dx + (f->y - a->y) * dy) / len2;
    return std::min(std::max(te, tf), 1.0) - std::max(std::min(te, tf), 0.0) > kTolerance;
}

// The hit table of the crossing codes: the X-side and Y-side vertices.
bool hit_rule(int code, point3D* X, point3D* Y, point3D*& onX, point3D*& onY)
{
    switch (code) {
    case 9:
        if (!parallel_contact(X, Y))
            return false;
        onX = X;
        onY = Y;
        return true;
    case 1:
    case 4: onX = X; onY = Y; return true;
    case 3: onX = X->next; onY = Y->prev; return true;
    case 5: onX = X; onY = Y->prev; return true;
    case 6: onX = X->next; onY = Y; return true;
    default: return false;
    }
}

enum class Walk { Hit, None, Broken };

// A nested walk: the outer vertex from `outer` (along prev when
// `outerBack`) until it would reach `outerStop`, and for each, the inner one
// from `inner` until `innerStop`. The crossing test takes the outer vertex
// as X when `outerIsX`. The first hit gives the outer and inner vertices.
Walk nested_walk(dbReader& db, point3D* outer, bool outerBack, const point3D* outerStop, point3D* inner,
                 bool innerBack, const point3D* innerStop, bool outerIsX, point3D*& onOuter,
                 point3D*& onInner)
{
    const int boundO = ring_bound(cell_of(outer));
    const int boundI = ring_bound(cell_of(inner));
    int i = 0;
    for (point3D* P = outer; P != outerStop; P = outerBack ? P->prev : P->next) {
        if (!P || ++i > boundO)
            return Walk::Broken;
        int j = 0;
        for (point3D* Q = inner; Q != innerStop; Q = innerBack ? Q->prev : Q->next) {
            if (!Q || ++j > boundI)
                return Walk::Broken;
            point3D* X = outerIsX ? P : Q;
            point3D* Y = outerIsX ? Q : P;
            if (!X->out_edge || !X->next || !X->prev || !Y->in_edge || !Y->prev || !Y->next)
                return Walk::Broken;
            point3D *hx, *hy;
            if (hit_rule(crossing_type(X, Y), X, Y, hx, hy)) {
                onOuter = outerIsX ? hx : hy;
                onInner = outerIsX ? hy : hx;
                return Walk::Hit;
            }
        }
    }
    return Walk::None;
}

point3D* first_partner_on(const point3D* v, const point3D* not_this, const cell* on)
{
    for (point3D* m : v->mp)
        if (m != not_this && cell_of(m) == on)
            return m;
    return nullptr;
}


// Partner snap of an end couple: t moves to s's partner on t's cell, then s
// to the (new) t's partner on s's cell.
void snap_end(point3D*& s, point3D*& t)
{
    if (point3D* m = first_partner_on(s, t, cell_of(t)))
        t = m;
    if (point3D* m = first_partner_on(t, s, cell_of(s)))
        s = m;
}

// The smaller cell of the pair dies (the second on equal areas).
void remove_smaller(const Call& k)
{
    k.db.cell_death_response(k.B()->area <= k.A()->area ? k.B() : k.A());
}

// The cell of the pair that r (a pair sharing one of its cells) does not
// involve.
cell* not_in(const Call& k, const interpair* r)
{
    cell* B = k.B();
    if (r && (r->cell1 == B || r->cell2 == B))
        return k.A();
    return B;
}

// The pair of a and x, a dissolved one included, else a new one.
interpair* find_or_create(dbReader& db, cell* a, cell* x)
{
    interpair* p = find_any_pair(a, x);
    return p ? p : new_pair(db, a, x);
}

bool still_listed(const interpair* pair, std::size_t idx, const mergepair* m)
{
    if (idx < pair->MP.size() && pair->MP[idx] == m)
        return true;
    return std::find(pair->MP.begin(), pair->MP.end(), m) != pair->MP.end();
}

int broken_walk(const Call& k)
{
    k.db.message = QString(k.three ? "ERROR: intersection points candidates between cells %1 and %2 were not detected!"
                                   : "ERROR: intersection points candidates between cells %1 and %2 are not detected!")
                       .arg(k.A()->id)
                       .arg(k.B()->id);
    return k.A()->id;
}

// Fuses one overrun end. (s, t) is the hit, `atS1` the S1/T2 end.
void fuse_end(const Call& k, std::size_t idx, mergepair* m, point3D* s, point3D* t, bool atS1,
              std::vector<interpair*>& reruns, bool& cellRemoved)
{
    point3D* S = atS1 ? m->S1 : m->S2;
    point3D* Tt = atS1 ? m->T2 : m->T1;
    if ((s == S) != (t == Tt)) {
        s = atS1 ? S->prev : S->next;
        t = atS1 ? Tt->next : Tt->prev;
    }
    snap_end(s, t);
    // The new ends must be a couple off the old one on both cells, or the
    // stretch would end on vertices that are not welded to each other.
    if (cell_of(s) != k.A() || cell_of(t) != k.B() || s == S || t == Tt)
        return;
    if (atS1)
        collect_reruns(k, t, s, reruns);
    else
        collect_reruns(k, s, t, reruns);
    const int ns = ring_steps(S, s, atS1);
    const int nt = ring_steps(Tt, t, !atS1);
    if (ns < 0 || nt < 0)
        return;
    if (ns + nt >= kMaxSwallowed) {
        remove_smaller(k);
        cellRemoved = true;
        return;
    }
    if (atS1)
        k.db.boundary_merge_4(S, Tt, s, t, k.pair->id);
    else
        k.db.boundary_merge_4(Tt, S, t, s, k.pair->id);
    if (!still_listed(k.pair, idx, m) || !s->alive || !t->alive)
        return;
    (atS1 ? m->S1 : m->S2) = s;
    (atS1 ? m->T2 : m->T1) = t;
    k.A()->remesh = 1;
    k.B()->remesh = 1;
}

// Walks and fuses both ends of stretch idx; a, b, c, d its candidates.
int extend_stretch(const Call& k, std::size_t idx, point3D* a, point3D* b, point3D* c, point3D* d)
{
    mergepair* m = k.pair->MP[idx];
    point3D* S1 = m->S1;
    point3D* S2 = m->S2;
    point3D* T1 = m->T1;
    point3D* T2 = m->T2;
    point3D *s1 = nullptr, *t1 = nullptr, *s2 = nullptr, *t2 = nullptr;
    bool hit1 = false;
    bool hit2 = false;
    // Both walks run before anything changes: the S2/T1 end (cell2's vertex
    // is X), then the S1/T2 end (cell1's vertex is X).
    if (!S2->out_edge->bonded && !T1->in_edge->bonded) {
        const Walk w = nested_walk(k.db, b, true, S2, c, false, T1, false, s1, t1);
        if (w == Walk::Broken)
            return broken_walk(k);
        hit1 = w == Walk::Hit;
    }
    if (!S1->in_edge->bonded && !T2->out_edge->bonded) {
        const Walk w = nested_walk(k.db, a, false, S1, d, true, T2, true, s2, t2);
        if (w == Walk::Broken)
            return broken_walk(k);
        hit2 = w == Walk::Hit;
    }
    if (k.three && !hit1 && !hit2) {
        // The three-cell variant finds nothing to extend to: the cell of p
        // that q does not involve is squeezed out.
        k.db.cell_death_response(not_in(k, k.q));
        return dbReader::STEP_OK;
    }
    std::vector<interpair*> reruns;
    bool cellRemoved = false;
    if (hit2)
        fuse_end(k, idx, m, s2, t2, true, reruns, cellRemoved);
    // The first fusion may have removed a cell or the stretch, or dropped
    // the vertices the second walk found.
    if (hit1 && !cellRemoved && !k.over() && still_listed(k.pair, idx, m) && s1->alive && t1->alive &&
        stretch_sound(k.pair, m))
        fuse_end(k, idx, m, s1, t1, false, reruns, cellRemoved);
    run_reruns(k, reruns);
    return dbReader::STEP_OK;
}

int extend_stretches(const Call& k, const std::vector<point3D*>& S, const std::vector<point3D*>& T,
                     const std::vector<std::size_t>& stretchOf)
{
    const std::size_t count = std::min({stretchOf.size(), S.size() / 2, T.size() / 2});
    for (std::size_t e = 0; e < count; ++e) {
        if (k.over())
            break;
        const std::size_t idx = stretchOf[e];
        if (idx >= k.pair->MP.size())
            break;
        point3D* a = S[2 * e];
        point3D* b = S[2 * e + 1];
        point3D* c = T[2 * e];
        point3D* d = T[2 * e + 1];
        // Candidates a nested call dropped, or a stretch on vertices that
        // left the rings, are not walked.
        if (!a->alive || !b->alive || !c->alive || !d->alive || !stretch_sound(k.pair, k.pair->MP[idx]))
            continue;
        if (cell* bad = unsound_cell(k))
            return corrections::broken_boundary(k.db, bad);
        const int r = extend_stretch(k, idx, a, b, c, d);
        if (r >= 0)
            return r;
    }
    return dbReader::STEP_OK;
}

double dist2(const point3D* a, const point3D* b)
{
    return (a->x - b->x) * (a->x - b->x) + (a->y - b->y) * (a->y - b->y);
}

// The third cell welded across a contact end: the other cell of the pair
// whose weld holds both edges, or null.
cell* third_cell(const edge* e1, const edge* e2, const cell* own)
{
    if (!e1->bonded || !e2->bonded || !e1->pair || e1->pair != e2->pair)
        return nullptr;
    const interpair* p = e1->pair;
    return p->cell1 == own ? p->cell2 : p->cell1;
}

// Marks the vertices strictly between from and to and counts the steps.
int mark_overlap(point3D* from, point3D* to, bool backward)
{
    const int n = ring_steps(from, to, backward);
    if (n < 0)
        return -1;
    for (point3D* v = backward ? from->prev : from->next; v != to; v = backward ? v->prev : v->next)
        v->overlap_mark = 1;
    return n;
}

void weld_point(const Call& k, point3D* S, point3D* T)
{
    std::vector<interpair*> reruns;
    collect_reruns(k, S, T, reruns);
    k.pair->MP.push_back(new mergepair(0, S, S, T, T));
    k.db.boundary_merge_3(S, S, T, T, k.pair->id);
    k.A()->remesh = 1;
    k.B()->remesh = 1;
    run_reruns(k, reruns);
}

// The plain weld of a new stretch s1..s2 (cell1, along next) on t2..t1
// (cell2, along next), or the smaller cell's removal when it would swallow
// too much.
void weld_stretch(const Call& k, point3D* s1, point3D* s2, point3D* t1, point3D* t2)
{
    const int n1 = ring_steps(s1, s2, false);
    const int n2 = ring_steps(t1, t2, true);
    if (n1 < 0 || n2 < 0)
        return;
    std::vector<interpair*> reruns;
    const bool tooMuch = n1 + n2 >= kMaxSwallowed;
    if (tooMuch && k.three) {
        remove_smaller(k);
        return;
    }
    collect_reruns(k, s1, t2, reruns);
    collect_reruns(k, t1, s2, reruns);
    if (tooMuch) {
        remove_smaller(k);
    } else {
        k.pair->MP.push_back(new mergepair(0, s1, s2, t2, t1));
        k.db.boundary_merge_3(s1, s2, t1, t2, k.pair->id);
        k.A()->remesh = 1;
        k.B()->remesh = 1;
    }
    run_reruns(k, reruns);
}

// Removes the X vertices after `z` up to and including `last` (a pinched
// loop of X between the two welding cells); false when X is removed instead
// or the walk fails.
bool cut_loop(dbReader& db, cell* X, point3D* z, point3D* last)
{
    const int n = ring_steps(z, last, false);
    if (n <= 0)
        return n == 0;
    if (static_cast<int>(X->sides.size()) - n < 3) {
        db.cell_death_response(X);
        return false;
    }
    point3D* after = last->next;
    point3D* r = z->next;
    for (int i = 0; i < n; ++i) {
        point3D* following = r->next;
        edge* e = r->in_edge;
        if (e->bonded && e->partner)
            e->partner->pair = nullptr;
        unbond(e);
        X->removeside(e);
        e->in_use = 0;
        drop_vertex(db, r);
        r = following;
    }
    z->next = after;
    after->prev = z;
    z->out_edge = last->out_edge;
    last->out_edge->p1 = z;
    X->remesh = 1;
    return true;
}

// A new stretch contact whose both ends lie in one weld with the same third
// cell X: X is wedged in (removed) or pinched off at one end (its loop cut,
// the junction handed to the survivor), then the stretch is welded.
void same_third_cell(const Call& k, cell* X, interpair* pL, interpair* pR, point3D* s1, point3D* s2,
                     point3D* t1, point3D* t2)
{
    point3D* xs1 = last_partner_on(s1, X);
    point3D* xs2 = last_partner_on(s2, X);
    point3D* xt1 = last_partner_on(t1, X);
    point3D* xt2 = last_partner_on(t2, X);
    if (xs1 && xs2 && xt2 && xs1 != xt1 && xs2 != xt2) {
        k.db.cell_death_response(X);
    } else if (xs1 && xs2 && xt2) {
        const bool atS2 = xs1 == xt1;
        point3D* shared = atS2 ? xs1 : xs2;
        point3D* z = atS2 ? xs2 : xt1;
        point3D* last = atS2 ? xt2 : xs1;
        const Pos m = midpoint(pos_of(z), pos_of(last));
        for (point3D* w : std::vector<point3D*>(shared->mp)) {
            cell* W = cell_of(w);
            if (W == k.A() || W == k.B() || W == X)
                continue;
            for (std::size_t i = 0; i < W->pairs.size(); ++i) {
                interpair* P = W->pairs[i];
                if (joins(P, W, X) && !P->MP.empty())
                    P->remove_MP(stretch_holding(P, w));
            }
        }
        if (cut_loop(k.db, X, z, last)) {
            if (atS2) {
                for (point3D* v : {t2, xs2}) {
                    move_to(v, m);
                    for (point3D* w : v->mp)
                        move_to(w, m);
                }
            } else {
                for (point3D* v : {s1, xt1})
                    for (point3D* w : v->mp)
                        move_to(w, m);
            }
            // The contacts of X with both cells now end at the junction.
            point3D* c1End = atS2 ? s2 : s1;
            point3D* c2End = atS2 ? t2 : t1;
            if (!pL->MP.empty()) {
                mergepair* mm = stretch_holding(pL, c1End);
                const bool c1First = pL->cell1 == k.A();
                if (atS2) {
                    if (c1First) { mm->S1 = s2; mm->T2 = z; } else { mm->S2 = z; mm->T1 = s2; }
                } else {
                    if (c1First) { mm->S2 = s1; mm->T1 = z; } else { mm->S1 = z; mm->T2 = s1; }
                }
            }
            if (!pR->MP.empty()) {
                mergepair* mm = stretch_holding(pR, c2End);
                const bool c2First = pR->cell1 == k.B();
                if (atS2) {
                    if (c2First) { mm->S2 = t2; mm->T1 = z; } else { mm->S1 = z; mm->T2 = t2; }
                } else {
                    if (c2First) { mm->S1 = t1; mm->T2 = z; } else { mm->S2 = z; mm->T1 = t1; }
                }
            }
        }
    }
    if (!k.over() && s1->alive && s2->alive && t1->alive && t2->alive)
        weld_stretch(k, s1, s2, t1, t2);
}

// The third-cell rows of a new stretch contact in the per-step response.
void hand_on_stretch(const Call& k, cell* X, cell* Y, interpair* pL, interpair* pR, point3D* s1,
                     point3D* s2, point3D* t1, point3D* t2)
{
    int steps1 = -2;
    int steps2 = -2;
    auto small = [&]() {
        if (steps1 == -2) {
            steps1 = mark_overlap(s1, s2, false);
            steps2 = mark_overlap(t1, t2, true);
        }
        if (steps1 < 0 || steps2 < 0)
            return false;
        const double f1 = static_cast<double>(steps1) / static_cast<double>(k.A()->sides.size());
        const double f2 = static_cast<double>(steps2) / static_cast<double>(k.B()->sides.size());
        return f1 < 0.6 && f2 < 0.6;
    };
    if (pL && pR && X == Y) {
        same_third_cell(k, X, pL, pR, s1, s2, t1, t2);
        return;
    }
    if (pL) {
        if (small())
            k.db.collision_response_m3(pL, k.pair, k.step, k.pass, k.first);
        else
            k.db.cell_death_response(k.B());
    }
    if (pR && !k.over()) {
        if (!s1->alive || !s2->alive || !t1->alive || !t2->alive) {
            // The walks' ends are gone: in the second pass a pair without
            // a weld asks to run again. The request is met once, after this
            // response, only when this is the stage's own call; a nested
            // response's request is dropped (see admit_rerun).
            if (k.pair->MP.empty() && k.pass == 2)
                k.db.collision_response_m2(k.pair, k.step, 2, k.first);
        } else if (small()) {
            k.db.collision_response_m3(pR, k.pair, k.step, k.pass, k.first);
        } else {
            k.db.cell_death_response(k.A());
        }
    }
}

// The three-cell response's single point with the same third cell X on both
// sides: X's vertex welded to both is taken as the junction, or X (wedged
// between the two points) is removed.
void same_third_cell_point(const Call& k, cell* X, interpair* pAX, interpair* pBX, point3D* Sb, point3D* Tb)
{
    point3D* xs = last_partner_on(Sb, X);
    point3D* xt = last_partner_on(Tb, X);
    if (xs && xt && xs == xt) {
        const Pos at = pos_of(xs);
        move_to(Tb, at);
        for (point3D* w : Tb->mp)
            move_to(w, at);
        for (point3D* w : xs->mp)
            move_to(w, at);
        if (!pAX->MP.empty()) {
            mergepair* mm = stretch_holding(pAX, Sb);
            if (pAX->cell1 == k.A()) { mm->S1 = Sb; mm->T2 = xs; } else { mm->S2 = xs; mm->T1 = Sb; }
        }
        if (!pBX->MP.empty()) {
            mergepair* mm = stretch_holding(pBX, Tb);
            if (pBX->cell1 == k.B()) { mm->S2 = Tb; mm->T1 = xs; } else { mm->S1 = xs; mm->T2 = Tb; }
        }
    } else if (xs && xt) {
        k.db.cell_death_response(X);
    }
}

// One combination of candidate arcs of a pair without weld: a..b on cell1,
// c..d on cell2.
int weld_combination(const Call& k, point3D* a, point3D* b, point3D* c, point3D* d)
{
    dbReader& db = k.db;
    cell* C1 = k.A();
    cell* C2 = k.B();
    point3D *s1, *t1, *s2, *t2;
    Walk w = nested_walk(db, a, false, a == b ? a->prev : b, d, true, c == d ? c->next : c, true, s1, t1);
    if (w == Walk::Broken)
        return broken_walk(k);
    if (w == Walk::None)
        return dbReader::STEP_OK;
    w = nested_walk(db, b, true, a == b ? a->next : a, c, false, c == d ? d->prev : d, false, s2, t2);
    if (w == Walk::Broken)
        return broken_walk(k);
    if (w == Walk::None && s1->checkmp(t1)) {
        // The two cells meet only at a point where they are welded already
        // (a fusion with a third cell made them touch there): the weld is
        // recorded as the pair's single-point stretch, not reported as a
        // missing crossing.
        k.pair->MP.push_back(new mergepair(0, s1, s1, t1, t1));
        return dbReader::STEP_OK;
    }
    if (w == Walk::None) {
        db.message = QString(k.three ? "ERROR: T1 and T2 intersection points between cells %1 and %2 were empty!"
                                     : "ERROR: T1 and T2 intersection points were missing between cells %1 and %2!")
                         .arg(C1->id)
                         .arg(C2->id);
        return C1->id;
    }

    // One side met at a single vertex: it takes the edge beside it that is
    // welded already, or the facing edge is split for it.
    bool oneSided = false;
    if (s1 == s2 && t1 != t2) {
        oneSided = true;
        point3D* S = s1;
        if (S->checkmp(t1)) {
            s2 = s2->next;
        } else if (S->checkmp(t2)) {
            s1 = s1->prev;
        } else {
            db.boundary_merge_refresh(s1, s2, t1, t2);
            point3D* tp = t1->prev;
            point3D* tn = t2->next;
            t1 = t2 = (dist2(tp, S) < dist2(tn, S)) ? tp : tn;
        }
    } else if (t1 == t2 && s1 != s2) {
        oneSided = true;
        point3D* T = t1;
        if (T->checkmp(s1)) {
            t2 = t2->prev;
        } else if (T->checkmp(s2)) {
            t1 = t1->next;
        } else {
            db.boundary_merge_refresh(s1, s2, t1, t2);
            point3D* sn = s1->next;
            point3D* sp = s2->prev;
            s1 = s2 = (dist2(sp, T) <= dist2(sn, T)) ? sp : sn;
        }
    }
    const bool single = s1 == s2 && t1 == t2;
    const bool stretch = s1 != s2 && t1 != t2;
    // The per-step response snaps to partners only where neither side was
    // single; the three-cell one whenever the shape is a point or a stretch.
    if ((!oneSided || k.three) && (single || stretch)) {
        cell* A1 = cell_of(s1);
        cell* B1 = cell_of(t1);
        point3D* nt1 = first_partner_on(s1, t1, B1);
        point3D* ns1 = first_partner_on(t1, s1, A1);
        point3D* nt2 = first_partner_on(s2, t2, B1);
        point3D* ns2 = first_partner_on(t2, s2, A1);
        if (nt1) t1 = nt1;
        if (ns1) s1 = ns1;
        if (nt2) t2 = nt2;
        if (ns2) s2 = ns2;
    }
    if (!(s1 == s2 && t1 == t2) && !(s1 != s2 && t1 != t2))
        return dbReader::STEP_OK;
    if (cell_of(s1) != C1 || cell_of(s2) != C1 || cell_of(t1) != C2 || cell_of(t2) != C2)
        return dbReader::STEP_OK;

    if (s1 == s2 && t1 == t2) {
        cell* X = third_cell(t1->in_edge, t1->out_edge, C2);
        if (X == C1) {
            db.message = QString("ERROR: pair %1 between cells %2 and %3 was empty!").arg(k.pair->id).arg(C1->id).arg(C2->id);
            return C1->id;
        }
        interpair* pT = X ? find_or_create(db, C1, X) : nullptr;
        cell* Y = third_cell(s1->in_edge, s1->out_edge, C1);
        if (Y == C2) {
            db.message = QString("ERROR: pair %1 between cells %2 and %3 was empty!").arg(k.pair->id).arg(C1->id).arg(C2->id);
            return C2->id;
        }
        interpair* pS = Y ? find_or_create(db, C2, Y) : nullptr;
        if (!k.three) {
            for (interpair* r : {pT, pS}) {
                if (!r)
                    continue;
                // A contact handed back to a pair whose response is still
                // open (two unwelded pairs, each meeting it inside a weld
                // of the other's third cell) would be refused by the re-run
                // filter and left unanswered. It is answered here as the
                // three-cell response answers the pair it was handed from:
                // the cell of this pair that the other does not involve,
                // wedged between the other's two cells, leaves. The request
                // still goes to the filter, so a top-level pair runs once
                // more on what is left.
                if (listed(openPairs, r) && !k.over())
                    db.cell_death_response(not_in(k, r));
                db.collision_response_m2(r, k.step, k.pass, k.first);
            }
            if (!pT && !pS)
                weld_point(k, s1, t1);
            return dbReader::STEP_OK;
        }
        if (X && Y && X == Y) {
            same_third_cell_point(k, X, pT, find_or_create(db, C2, X), s1, t1);
        } else if (X || Y) {
            for (interpair* r : {pT, pS}) {
                if (!r || k.over())
                    continue;
                if (r == k.q)
                    db.cell_death_response(not_in(k, r));
                else
                    db.collision_response_m2(r, k.step, k.pass, k.first);
            }
            return dbReader::STEP_OK;
        }
        if (!k.over() && s1->alive && t1->alive)
            weld_point(k, s1, t1);
        return dbReader::STEP_OK;
    }

    const char* crossed = k.three ? "The intersection between cells %1 and %2 should have been removed!"
                                  : "ERROR: the interaction between cells %1 and %2 should have been removed!";
    cell* X = third_cell(t1->in_edge, t2->out_edge, C2);
    if (X == C1) {
        db.message = QString(crossed).arg(C1->id).arg(C2->id);
        return C1->id;
    }
    interpair* pL = X ? find_or_create(db, C1, X) : nullptr;
    cell* Y = third_cell(s1->out_edge, s2->in_edge, C1);
    if (Y == C2) {
        db.message = QString(crossed).arg(C1->id).arg(C2->id);
        return C2->id;
    }
    interpair* pR = Y ? find_or_create(db, C2, Y) : nullptr;
    if (!pL && !pR) {
        weld_stretch(k, s1, s2, t1, t2);
    } else if (!k.three) {
        hand_on_stretch(k, X, Y, pL, pR, s1, s2, t1, t2);
    } else {
        for (interpair* r : {pL, pR}) {
            if (!r || k.over())
                continue;
            if (r == k.q)
                db.cell_death_response(not_in(k, r));
            else
                db.collision_response_m2(r, k.step, k.pass, k.first);
        }
    }
    return dbReader::STEP_OK;
}

int weld_new_contact(const Call& k, const std::vector<point3D*>& S, const std::vector<point3D*>& T)
{
    for (std::size_t i = 0; i < S.size() / 2; ++i) {
        for (std::size_t j = 0; j < T.size() / 2; ++j) {
            if (k.over())
                return dbReader::STEP_OK;
            point3D* a = S[2 * i];
            point3D* b = S[2 * i + 1];
            point3D* c = T[2 * j];
            point3D* d = T[2 * j + 1];
            // Arcs whose bounds an earlier combination dropped are not walked.
            if (!a->alive || !b->alive || !c->alive || !d->alive || cell_of(a) != k.A() || cell_of(b) != k.A() ||
                cell_of(c) != k.B() || cell_of(d) != k.B())
                continue;
            if (cell* bad = unsound_cell(k))
                return corrections::broken_boundary(k.db, bad);
            const int r = weld_combination(k, a, b, c, d);
            if (r >= 0)
                return r;
        }
    }
    return dbReader::STEP_OK;
}

int respond(const Call& k)
{
    dbReader& db = k.db;
    if (cell* c = unsound_cell(k))
        return corrections::broken_boundary(db, c);
    std::vector<point3D*> S, T;
    std::vector<std::size_t> stretchOf;
    const int code = contact_intervals(db, k.pair, S, T, &stretchOf);
    if (code == 13 || code == 14) {
        if (k.pair->MP.empty()) {
            db.cell_death_response(k.A());
            return dbReader::STEP_OK;
        }
    } else if (code == 15) {
        db.cell_death_response(k.B());
        return dbReader::STEP_OK;
    } else if (code == 16) {
        db.cell_death_response(k.A());
        return dbReader::STEP_OK;
    } else if (code > 16) {
        return dbReader::STEP_OK;
    }
    if (S.empty() || T.empty())
        return dbReader::STEP_OK;
    if (k.pair->MP.empty()) {
        if (code > 12 || S.size() < 2)
            return dbReader::STEP_OK;
        return weld_new_contact(k, S, T);
    }
    return extend_stretches(k, S, T, stretchOf);
}

bool out_of_play(const interpair* p)
{
    return !p || p->removed || !p->cell1 || !p->cell2 || p->cell1->dead || p->cell2->dead;
}

// A response entered: refused when out of play, past the nesting cap, or
// not admitted as a re-run; run once more as the per-step response when its
// pair was asked for again while it was open.
int enter(const Call& k)
{
    if (out_of_play(k.pair) || !admit_rerun(k.pair, k.three))
        return dbReader::STEP_OK;
    Nesting nest(k.pair);
    nest.record(k.three, k.q, k.pass, k.first);
    if (nest.tooDeep())
        return dbReader::STEP_OK;
    const int r = respond(k);
    if (r >= 0 || !nest.takeWaiting() || out_of_play(k.pair))
        return r;
    rerunPairs.push_back(k.pair);
    nest.record(false, nullptr, k.pass, k.first, true);
    return respond(Call{k.db, k.pair, k.step, k.pass, k.first, false, nullptr});
}

} // namespace

void welding::record_responses(std::vector<ResponseCall>* into)
{
    responseLog = into;
}

int dbReader::collision_response_m2(interpair* pair, int step, int pass, int first_pair_id)
{
    return enter(Call{*this, pair, step, pass, first_pair_id, false, nullptr});
}

int dbReader::collision_response_m3(interpair* p, interpair* q, int step, int pass, int first_pair_id)
{
    return enter(Call{*this, p, step, pass, first_pair_id, true, q});
}
