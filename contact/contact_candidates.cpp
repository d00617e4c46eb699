// Contact candidates of a pair: where the two boundaries can meet. Only the
// rectangle R where the two bounding boxes overlap is looked at. The boxes'
// arrangement (corner or side overlap, twelve rows) chooses for each cell
// the arc of its ring that can reach R; walking that arc gives entry/exit
// vertex pairs around each part of the boundary inside R. A pair that is
// welded already gets instead, for every stretch end, the first vertex
// beyond it where the ring has left R.
#include "contact/welding.h"

#include <algorithm>

using namespace welding;

namespace {

struct Rect {
    double xlo, xhi, ylo, yhi; // world units, bounds included
    bool inside(const point3D* v) const
    {
        return v->x >= xlo && v->x <= xhi && v->y >= ylo && v->y <= yhi;
    }
    // Strict tests: a NaN coordinate is neither inside nor outside.
    bool outside(const point3D* v) const
    {
        return v->x < xlo || v->x > xhi || v->y < ylo || v->y > yhi;
    }
};

} // namespace

bool welding::arrangement_row(int row, const Box& a, const Box& b)
{
    switch (row) {
    case 1: return b.xmin >= a.xmin && b.ymin >= a.ymin && b.xmax >= a.xmax && b.ymax >= a.ymax && b.xmin <= a.xmax && b.ymin <= a.ymax;
    case 2: return a.xmin >= b.xmin && a.ymin >= b.ymin && a.xmax >= b.xmax && a.ymax >= b.ymax && a.xmin <= b.xmax && a.ymin <= b.ymax;
    case 3: return b.xmin >= a.xmin && a.ymin >= b.ymin && b.xmax >= a.xmax && a.ymax >= b.ymax && b.xmin <= a.xmax && a.ymin <= b.ymax;
    case 4: return a.xmin >= b.xmin && b.ymin >= a.ymin && a.xmax >= b.xmax && b.ymax >= a.ymax && a.xmin <= b.xmax && b.ymin <= a.ymax;
    case 5: return b.xmin >= a.xmin && b.xmax >= a.xmax && b.ymin >= a.ymin && b.ymax <= a.ymax && b.xmin <= a.xmax;
    case 6: return a.xmin >= b.xmin && a.xmax >= b.xmax && b.ymin >= a.ymin && b.ymax <= a.ymax && a.xmin <= b.xmax;
    case 7: return b.xmin >= a.xmin && b.xmax <= a.xmax && a.ymin >= b.ymin && a.ymax >= b.ymax && a.ymin <= b.ymax;
    case 8: return b.xmin >= a.xmin && b.xmax <= a.xmax && b.ymin >= a.ymin && b.ymax >= a.ymax && b.ymin <= a.ymax;
    case 9: return a.xmin >= b.xmin && a.xmax >= b.xmax && a.ymin >= b.ymin && a.ymax <= b.ymax && a.xmin <= b.xmax;
    case 10: return b.xmin >= a.xmin && b.xmax >= a.xmax && a.ymin >= b.ymin && a.ymax <= b.ymax && b.xmin <= a.xmax;
    case 11: return a.xmin >= b.xmin && a.xmax <= b.xmax && b.ymin >= a.ymin && b.ymax >= a.ymax && b.ymin <= a.ymax;
    case 12: return a.xmin >= b.xmin && a.xmax <= b.xmax && a.ymin >= b.ymin && a.ymax >= b.ymax && a.ymin <= b.ymax;
    default: return false;
    }
}

bool welding::read_boxes(interpair* pair, Extremes& A, Extremes& B, Box& a, Box& b)
{
    cell* cA = pair->cell1;
    cell* cB = pair->cell2;
    cA->refresh_AABB();
    cB->refresh_AABB();
    A = Extremes{cA->AABB_xmin, cA->AABB_ymin, cA->AABB_xmax, cA->AABB_ymax};
    B = Extremes{cB->AABB_xmin, cB->AABB_ymin, cB->AABB_xmax, cB->AABB_ymax};
    if (!A.xmin || !A.ymin || !A.xmax || !A.ymax || !B.xmin || !B.ymin || !B.xmax || !B.ymax)
        return false;
    a = Box{A.xmin->x, A.ymin->y, A.xmax->x, A.ymax->y};
    b = Box{B.xmin->x, B.ymin->y, B.xmax->x, B.ymax->y};
    return true;
}

int welding::arrangement(const Box& a, const Box& b)
{
    for (int row = 1; row <= 12; ++row)
        if (arrangement_row(row, a, b))
            return row;
    return 0;
}

namespace {

// An arc: its first vertex and its last one (the vertex whose next is the
// walk's end mark); a whole ring has first == last == its start.
struct Arc {
    point3D* first;
    point3D* last;
    bool whole;
};

void arcs(int row, const Extremes& A, const Extremes& B, Arc& arcA, Arc& arcB)
{
    switch (row) {
    case 1: arcA = {A.ymin, A.xmin, false}; arcB = {B.ymax, B.xmax, false}; break;
    case 2: arcA = {A.ymax, A.xmax, false}; arcB = {B.ymin, B.xmin, false}; break;
    case 3: arcA = {A.xmin, A.ymax, false}; arcB = {B.xmax, B.ymin, false}; break;
    case 4: arcA = {A.xmax, A.ymin, false}; arcB = {B.xmin, B.ymax, false}; break;
    case 5: arcA = {A.ymin, A.ymax, false}; arcB = {B.xmax, B.xmax, true}; break;
    case 6: arcA = {A.ymax, A.ymin, false}; arcB = {B.xmin, B.xmin, true}; break;
    case 7: arcA = {A.xmin, A.xmax, false}; arcB = {B.ymin, B.ymin, true}; break;
    case 8: arcA = {A.xmax, A.xmin, false}; arcB = {B.ymax, B.ymax, true}; break;
    case 9: arcA = {A.xmax, A.xmax, true}; arcB = {B.ymin, B.ymax, false}; break;
    case 10: arcA = {A.xmin, A.xmin, true}; arcB = {B.ymax, B.ymin, false}; break;
    case 11: arcA = {A.ymin, A.ymin, true}; arcB = {B.xmin, B.xmax, false}; break;
    default: arcA = {A.ymax, A.ymax, true}; arcB = {B.xmax, B.xmin, false}; break;
    }
}

// Walks from `start` until the visited vertex's next is `mark`, appending an
// (entry, exit) couple for every part of the ring inside R that the walk
// enters and leaves. An exit before any entry of this walk appends nothing.
void walk_arc(point3D* start, point3D* mark, const Rect& R, std::vector<point3D*>& out)
{
    const int bound = ring_bound(cell_of(start));
    point3D* entry = nullptr;
    int steps = 0;
    for (point3D* v = start; v->next != mark && steps <= bound; v = v->next, ++steps) {
        if (R.outside(v) && R.inside(v->next)) {
            entry = v;
        } else if (R.inside(v) && R.outside(v->next)) {
            if (entry) {
                out.push_back(entry);
                out.push_back(v);
            }
        }
    }
}

// The first vertex beyond `start` (along prev when `backward`) at which the
// ring leaves R, stopping at `limit`; `start` itself when none is found.
point3D* search_out(point3D* start, point3D* limit, bool backward, const Rect& R)
{
    const int bound = ring_bound(cell_of(start));
    point3D* v = start;
    for (int steps = 0; v != limit && steps <= bound; ++steps) {
        point3D* u = backward ? v->prev : v->next;
        if (R.inside(v) && R.outside(u))
            return u;
        v = u;
    }
    return start;
}

} // namespace

void dbReader::collision_candidate(interpair* pair, std::vector<point3D*>& S, std::vector<point3D*>& T)
{
    Extremes A, B;
    Box a, b;
    if (!read_boxes(pair, A, B, a, b))
        return;
    const Rect R{std::max(a.xmin, b.xmin), std::min(a.xmax, b.xmax), std::max(a.ymin, b.ymin),
                 std::min(a.ymax, b.ymax)};
    const int row = arrangement(a, b);

    if (!pair->MP.empty()) {
        // Outward limits of every welded stretch.
        const std::size_t n = pair->MP.size();
        Arc arcA{}, arcB{};
        if (row)
            arcs(row, A, B, arcA, arcB);
        for (std::size_t k = 0; k < n; ++k) {
            mergepair* m = pair->MP[k];
            if (!row) {
                S.push_back(m->S1);
                S.push_back(m->S2);
                T.push_back(m->T1);
                T.push_back(m->T2);
                continue;
            }
            S.push_back(search_out(m->S1, arcA.first, true, R));
            S.push_back(search_out(m->S2, arcA.last, false, R));
            T.push_back(search_out(m->T1, arcB.first, true, R));
            T.push_back(search_out(m->T2, arcB.last, false, R));
        }
        return;
    }

    if (!row)
        return;
    Arc arcA{}, arcB{};
    arcs(row, A, B, arcA, arcB);
    point3D* startA = arcA.first;
    point3D* markA = arcA.whole ? arcA.first : arcA.last->next;
    point3D* startB = arcB.first;
    point3D* markB = arcB.whole ? arcB.first : arcB.last->next;

    // The lower cell of a corner overlap may have its arc end on a side it
    // shares with the other box: its walk then skips that corner.
    if (row >= 1 && row <= 4) {
        const bool lowerIsA = (row == 1 || row == 4);
        point3D* W = nullptr;
        point3D* Y = nullptr;
        bool sameOther = false;
        switch (row) {
        case 1: W = A.xmin; Y = A.ymin; sameOther = a.xmin == b.xmin; break;
        case 2: W = B.xmin; Y = B.ymin; sameOther = b.xmin == a.xmin; break;
        case 3: W = B.xmax; Y = B.ymin; sameOther = b.xmax == a.xmax; break;
        default: W = A.xmax; Y = A.ymin; sameOther = a.xmax == b.xmax; break;
        }
        point3D* pivot = nullptr;
        if (a.ymin == b.ymin)
            pivot = W;
        else if (sameOther)
            pivot = Y;
        if (pivot) {
            if (lowerIsA) {
                startA = pivot->next;
                markA = pivot->prev;
            } else {
                startB = pivot->next;
                markB = pivot->prev;
            }
        }
    }

    walk_arc(startA, markA, R, S);
    walk_arc(startB, markB, R, T);
    if (S.empty() == T.empty())
        return;

    // Fallback: exactly one cell found its boundary inside R.
    if (row <= 4) {
        if (S.empty()) {
            switch (row) {
            case 1: S = {A.xmax, A.ymax}; break;
            case 2: S = {A.xmin, A.ymin}; break;
            case 3: S = {A.ymin, A.xmax}; break;
            default: S = {A.ymax, A.xmin}; break;
            }
        } else {
            switch (row) {
            case 1: T = {B.xmin, B.ymin}; break;
            case 2: T = {B.xmax, B.ymax}; break;
            case 3: T = {B.ymax, B.xmin}; break;
            default: T = {B.ymin, B.xmax}; break;
            }
        }
        return;
    }
    // A side overlap: only the wide cell gets a fallback, from its arc's
    // first vertex F, middle vertex X and last vertex L.
    const bool wideIsA = row <= 8;
    if (wideIsA != S.empty())
        return;
    point3D *F, *X, *L;
    double c, lo, hi;
    switch (row) {
    case 5: F = A.ymin; X = A.xmax; L = A.ymax; c = X->y; lo = b.ymin; hi = b.ymax; break;
    case 6: F = A.ymax; X = A.xmin; L = A.ymin; c = X->y; lo = b.ymin; hi = b.ymax; break;
    case 7: F = A.xmin; X = A.ymin; L = A.xmax; c = X->x; lo = b.xmin; hi = b.xmax; break;
    case 8: F = A.xmax; X = A.ymax; L = A.xmin; c = X->x; lo = b.xmin; hi = b.xmax; break;
    case 9: F = B.ymin; X = B.xmax; L = B.ymax; c = X->y; lo = a.ymin; hi = a.ymax; break;
    case 10: F = B.ymax; X = B.xmin; L = B.ymin; c = X->y; lo = a.ymin; hi = a.ymax; break;
    case 11: F = B.xmin; X = B.ymin; L = B.xmax; c = X->x; lo = a.xmin; hi = a.xmax; break;
    default: F = B.xmax; X = B.ymax; L = B.xmin; c = X->x; lo = a.xmin; hi = a.xmax; break;
    }
    std::vector<point3D*>& out = wideIsA ? S : T;
    // Which arc end goes with X when R lies wholly to one side of it: in the
    // odd rows L on the low side and F on the high side, in the even rows the
    // other way round.
    const bool lowSideIsLast = (row % 2) == 1;
    if (lo >= c)
        out = lowSideIsLast ? std::vector<point3D*>{X, L} : std::vector<point3D*>{F, X};
    else if (c >= hi)
        out = lowSideIsLast ? std::vector<point3D*>{F, X} : std::vector<point3D*>{X, L};
    else if (lo < c && c < hi)
        out = {F, L};
}
