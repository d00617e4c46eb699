// Where a welded stretch should end after the boundary near it was re-welded.
// Both routines walk the free boundary of the two cells beyond the stretch
// ends, test edge against edge with intersection_type and record, for a
// crossing, the end of each crossing edge nearer to the crossing. The check
// tells at which end of a contact's first stretch a couple belongs (and, for
// a single welded point, snaps the nearer crossing together); the refresh
// moves the ends of a weld onto the first crossings it finds. Every walk is
// bounded by its ring's length: one that does not come back refuses the
// call before anything moved.
#include "contact/welding.h"

#include <algorithm>

using namespace welding;

bool welding::crossing_ends(int code, point3D* P, point3D* Q, point3D*& pEnd, point3D*& qEnd)
{
    switch (code) {
    case 1:
    case 4:
    case 9:
        pEnd = P;
        qEnd = Q;
        return true;
    case 3:
        pEnd = P->next;
        qEnd = Q->prev;
        return true;
    case 5:
        pEnd = P;
        qEnd = Q->prev;
        return true;
    case 6:
        pEnd = P->next;
        qEnd = Q;
        return true;
    default:
        return false;
    }
}

bool welding::snappable(const point3D* u, const point3D* v)
{
    const auto lists = [](const point3D* p, const point3D* q) {
        return std::find(p->mp.begin(), p->mp.end(), q) != p->mp.end();
    };
    if (u == v || !cell_of(u) || cell_of(u) == cell_of(v))
        return false;
    if (lists(u, v))
        return true;
    // Two welds meeting would have to become one, with every pair of their
    // vertices linked; that is a fusion, not a snap.
    if (!u->mp.empty() && !v->mp.empty())
        return false;
    const point3D* welded = u->mp.empty() ? v : u;
    const cell* loose = cell_of(welded == u ? v : u);
    return std::none_of(welded->mp.begin(), welded->mp.end(),
                        [loose](const point3D* w) { return cell_of(w) == loose; });
}

void welding::snap_couple(dbReader& db, point3D* u, point3D* v)
{
    if (std::find(u->mp.begin(), u->mp.end(), v) != u->mp.end())
        return;
    // A vertex welded already stays with its partners, and the loose one
    // joins the weld there; moving it alone would tear it from them.
    point3D* welded = u->mp.empty() ? v : u;
    point3D* loose = welded == u ? v : u;
    const Pos at = welded->mp.empty() ? midpoint(pos_of(u), pos_of(v)) : pos_of(welded);
    move_to(u, at);
    move_to(v, at);
    for (point3D* w : welded->mp) {
        w->pushmp(loose);
        loose->pushmp(w);
    }
    u->pushmp(v);
    v->pushmp(u);
    db.node_merge(u, v);
}

namespace {

// A crossing walk: the outer vertex runs from `outerStart` (prev or next)
// until `outerStop`, the inner one likewise for each outer step; `test`
// (outer, inner) returns true to stop. The number of tests is written to
// `steps` as the check counts them (outer steps taken plus tests in the last
// one). False when a walk does not come back within its ring's bound.
template <class Test>
bool cross_walk(point3D* outerStart, point3D* outerStop, bool outerBack, point3D* innerStart,
                point3D* innerStop, bool innerBack, Test test, int* steps = nullptr)
{
    const int outerBound = ring_bound(cell_of(outerStart));
    const int innerBound = ring_bound(cell_of(innerStart));
    int outerSteps = 0;
    int lastTests = 0;
    bool stopped = false;
    for (point3D* x = outerStart; x != outerStop && !stopped; x = outerBack ? x->prev : x->next) {
        if (!x || ++outerSteps > outerBound)
            return false;
        lastTests = 0;
        int k = 0;
        for (point3D* y = innerStart; y != innerStop; y = innerBack ? y->prev : y->next) {
            if (!y || ++k > innerBound)
                return false;
            ++lastTests;
            if (test(x, y)) {
                stopped = true;
                break;
            }
        }
    }
    if (steps)
        *steps = outerSteps + lastTests;
    return true;
}

// A walk over one fixed vertex: the same with the inner loop replaced.
template <class Test>
bool single_walk(point3D* start, point3D* stop, bool back, Test test)
{
    const int bound = ring_bound(cell_of(start));
    int k = 0;
    for (point3D* x = start; x != stop; x = back ? x->prev : x->next) {
        if (!x || ++k > bound)
            return false;
        if (test(x))
            return true;
    }
    return true;
}

// Whether p lies on the run from `from` to `to` along next, ends included.
bool on_run(const point3D* from, const point3D* to, const point3D* p)
{
    const int toP = ring_steps(from, p, false);
    return toP >= 0 && toP <= ring_steps(from, to, false);
}

} // namespace

int welding::end_check(dbReader& db, interpair* pair, cell* own, point3D* p, point3D* q, point3D** first,
                       point3D** second)
{
    mergepair* m = pair->MP.at(0);
    const bool ownFirst = pair->cell1 == own;
    point3D* X1 = ownFirst ? m->S1 : m->T1;
    point3D* X2 = ownFirst ? m->S2 : m->T2;
    point3D* Y1 = ownFirst ? m->T1 : m->S1;
    point3D* Y2 = ownFirst ? m->T2 : m->S2;
    if (!ends_on_two_cells(p, X1, q, Y1) || !ends_on_two_cells(X1, X2, Y1, Y2) || cell_of(p) != own)
        return -1;
    if (X1 == p || Y2 == q) {
        *first = p;
        *second = q;
        return 1;
    }
    if (X2 == p || Y1 == q) {
        *first = p;
        *second = q;
        return 0;
    }

    // The walks beyond the first end (list 1 on own, 2 on the other cell)
    // and beyond the second (lists 3 and 4); each stops at the crossing at p.
    // Each tests first the two free edges next to its own end: beyond the
    // first end x's out edge against y's in edge, beyond the second z's out
    // edge against w's in edge. A crossing next to an end is then answered
    // at that end, not with the far end's crossing.
    std::vector<point3D*> L1, L2, L3, L4;
    int count1 = 0;
    int count2 = 0;
    const auto record = [&](std::vector<point3D*>& onOwn, std::vector<point3D*>& onOther, bool ownOutEdge) {
        return [&db, own = &onOwn, other = &onOther, p, ownOutEdge](point3D* x, point3D* y) {
            point3D* xEnd;
            point3D* yEnd;
            const bool hit = ownOutEdge ? crossing_ends(db.intersection_type(x, y), x, y, xEnd, yEnd)
                                        : crossing_ends(db.intersection_type(y, x), y, x, yEnd, xEnd);
            if (!hit)
                return false;
            own->push_back(xEnd);
            other->push_back(yEnd);
            return xEnd == p;
        };
    };
    if (!cross_walk(X1->prev, X2, true, Y2->next, Y1, false, record(L1, L2, true), &count1)
        || !cross_walk(X2->next, X1, false, Y1->prev, Y2, true, record(L3, L4, false), &count2))
        return -1;

    // An empty crossing list answers with the given couple.
    const auto answer = [&](const std::vector<point3D*>& a, const std::vector<point3D*>& b, int side) {
        *first = a.empty() ? p : a.front();
        *second = a.empty() ? q : b.front();
        return side;
    };
    if (X1 != X2)
        return (count1 < count2) ? answer(L1, L2, 1) : answer(L3, L4, 0);

    // A single welded point: the crossing nearer along both rings is snapped.
    const auto distance = [](point3D* fromOwn, bool ownBack, const std::vector<point3D*>& a, point3D* fromOther,
                             bool otherBack, const std::vector<point3D*>& b) {
        return a.empty() ? -1 : ring_steps_sum(fromOwn, a.front(), ownBack, fromOther, b.front(), otherBack);
    };
    const int d1 = distance(X2, true, L1, Y1, false, L2);
    const int d2 = distance(X2, false, L3, Y1, true, L4);
    const bool firstSide = d1 >= 0 && (d2 < 0 || d1 < d2);
    const std::vector<point3D*>& a = firstSide ? L1 : L3;
    const std::vector<point3D*>& b = firstSide ? L2 : L4;
    // A crossing that cannot be snapped soundly answers as no crossing does.
    if (a.empty() || !snappable(a.front(), b.front())) {
        *first = p;
        *second = q;
        return firstSide ? 1 : 0;
    }
    snap_couple(db, a.front(), b.front());
    return answer(a, b, firstSide ? 1 : 0);
}

bool welding::end_refresh(dbReader& db, point3D** a, point3D** b, point3D** c, point3D** d)
{
    point3D* ea = *a;
    point3D* eb = *b;
    point3D* ec = *c;
    point3D* ed = *d;
    if (!ends_on_two_cells(ea, eb, ec, ed))
        return false;
    if ((ea == eb) != (ec == ed))
        return true;

    if (ea != eb) {
        point3D* x0 = nullptr;
        point3D* y0 = nullptr;
        int code = -1;
        const auto test = [&](point3D* x, point3D* y) {
            code = db.intersection_type(y, x);
            return crossing_ends(code, y, x, y0, x0);
        };
        if (!cross_walk(ea, eb, true, ed, ec, false, test))
            return false;
        if (!x0 || y0 == ec || y0 == ed)
            return true;
        const int f = ring_steps_sum(ea, x0, false, y0, ec, false);
        const int g = ring_steps_sum(x0, ea, false, ec, y0, false);
        if (f < 0 || g < 0)
            return false;
        // A collinear first crossing moves the ends without snapping; one
        // that cannot be snapped soundly is nothing usable.
        if (code != 9) {
            if (!snappable(x0, y0))
                return true;
            snap_couple(db, x0, y0);
        }
        if (f < g) {
            *b = x0;
            *d = y0;
        } else {
            *a = x0;
            *c = y0;
        }
        return true;
    }

    // Two single points pa and pc: two groups of walks look for the first
    // crossing on either side; each records its ends on pa's cell and pc's.
    point3D* pa = ea;
    point3D* pc = ec;
    const cell* A = cell_of(pa);
    struct Found {
        point3D* onA = nullptr; // the end on pa's cell
        point3D* onC = nullptr; // the end on pc's cell
        int code = -1;          // the code of the group's last test
    };
    const auto tester = [&db, A](Found& f) {
        return [&db, A, &f](point3D* P, point3D* Q) {
            point3D* pEnd;
            point3D* qEnd;
            f.code = db.intersection_type(P, Q);
            if (!crossing_ends(f.code, P, Q, pEnd, qEnd))
                return false;
            const bool pOnA = cell_of(P) == A;
            f.onA = pOnA ? pEnd : qEnd;
            f.onC = pOnA ? qEnd : pEnd;
            return true;
        };
    };
    Found g1, g2;
    const auto t1 = tester(g1);
    const auto t2 = tester(g2);
    bool ok = single_walk(pa->next, pa, false, [&](point3D* y) { return t1(y, pc); });
    if (ok && !g1.onA)
        ok = single_walk(pc->prev, pc, true, [&](point3D* z) { return t1(pa, z); });
    if (ok && !g1.onA)
        ok = cross_walk(pa->next, pa->prev, false, pc->prev, pc->next, true, t1);
    if (ok)
        ok = single_walk(pc->next, pc, false, [&](point3D* y) { return t2(y, pa); });
    if (ok && !g2.onA)
        ok = single_walk(pa->prev, pa, true, [&](point3D* z) { return t2(pc, z); });
    if (ok && !g2.onA)
        ok = cross_walk(pa->prev, pa, true, pc->next, pc, false, [&](point3D* z, point3D* y) { return t2(y, z); });
    if (!ok)
        return false;
    if (!g1.onA || !g2.onA)
        return true;
    point3D* k1 = g1.onC;
    point3D* k2 = g1.onA;
    point3D* k3 = g2.onA;
    point3D* k4 = g2.onC;
    if ((k1 == pc && k2 == pa) || (k3 == pa && k4 == pc))
        return true;
    const auto snaps = [](int code) { return code != -1 && code != 9; };
    if (k1 != k4 && k2 != k3) {
        const int f = ring_steps_sum(k1, k4, false, k3, k2, false);
        const int g = ring_steps_sum(k4, k1, false, k2, k3, false);
        if (f < 0 || g < 0)
            return false;
        // The new weld runs from na to nb along next on pa's cell and from
        // nd to nc on pc's, whichever way round is shorter. It must still
        // hold the point it grows from: on small rings the shorter way runs
        // over the cells' far sides, and cells that also touch elsewhere
        // (another weld, collinear sides meeting at a corner) give couples
        // on both sides of that touch. Re-welding either would weld sides
        // that do not meet.
        const bool forward = f < g;
        point3D* na = forward ? k3 : k2;
        point3D* nb = forward ? k2 : k3;
        point3D* nc = forward ? k4 : k1;
        point3D* nd = forward ? k1 : k4;
        if (!on_run(na, nb, pa) || !on_run(nd, nc, pc))
            return true;
        // Each couple must be snappable, and still after the other's snap:
        // neither may reach into the other's weld.
        const auto welded = [](const point3D* x, const point3D* y) {
            return std::find(x->mp.begin(), x->mp.end(), y) != x->mp.end();
        };
        if ((snaps(g1.code) && !snappable(k1, k2)) || (snaps(g2.code) && !snappable(k3, k4))
            || welded(k1, k3) || welded(k2, k4))
            return true;
        if (snaps(g1.code))
            snap_couple(db, k1, k2);
        if (snaps(g2.code))
            snap_couple(db, k3, k4);
        *a = na;
        *b = nb;
        *c = nc;
        *d = nd;
        return true;
    }
    if (k1 == k4 && k2 == k3) {
        const int f = ring_steps_sum(pa, k2, false, pc, k1, true);
        const int g = ring_steps_sum(pa, k2, true, pc, k1, false);
        if (f < 0 || g < 0)
            return false;
        if (snaps(g1.code) && !snappable(k1, k2))
            return true;
        if (snaps(g1.code))
            snap_couple(db, k1, k2);
        if (f > g) {
            *a = k2;
            *c = k1;
        } else {
            *b = k2;
            *d = k1;
        }
    }
    return true;
}

int dbReader::boundary_merge_2_check(interpair* pair, cell* own, cell* /*other*/, point3D* p, point3D* q,
                                     point3D** first, point3D** second)
{
    return welding::end_check(*this, pair, own, p, q, first, second);
}

void dbReader::boundary_merge_2_refresh(point3D** a, point3D** b, point3D** c, point3D** d, cell* /*own*/,
                                        cell* /*other*/)
{
    welding::end_refresh(*this, a, b, c, d);
}
