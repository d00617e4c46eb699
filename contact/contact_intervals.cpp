// Contact intervals of a pair for the per-step contact response: how the two
// cells' boxes overlap (an arrangement code) and, for each cell, the arc of
// its ring that the response has to search, handed over as [from, to] along
// next ([V, V] is the whole ring from V). Unlike the initial candidate search
// nothing is walked here, except for a welded pair whose boxes cross
// (codes 13 and 14): there the rings are scanned for a crossing beyond the
// stretch before any arc is handed over.
//
// Codes: 1..12 the arrangement rows (5..12 with one strict test each), 13 and
// 14 the boxes cross, 15 b inside a, 16 a inside b, 0 disjoint.
#include "contact/welding.h"

#include <iostream>

using namespace welding;

namespace {

// The strict test that separates a side overlap (codes 5..12) from an
// enclosure touching one side.
bool strict_side(int row, const Box& a, const Box& b)
{
    switch (row) {
    case 5: return b.xmax > a.xmax;
    case 6: return a.xmin > b.xmin;
    case 7: return a.ymin > b.ymin;
    case 8: return b.ymax > a.ymax;
    case 9: return a.xmax > b.xmax;
    case 10: return b.xmin > a.xmin;
    case 11: return b.ymin > a.ymin;
    default: return a.ymax > b.ymax;
    }
}

int arrangement_code(const Box& a, const Box& b)
{
    for (int row = 1; row <= 4; ++row)
        if (arrangement_row(row, a, b))
            return row;
    for (int row = 5; row <= 12; ++row)
        if (arrangement_row(row, a, b) && strict_side(row, a, b))
            return row;
    if (b.xmin <= a.xmin && a.xmax <= b.xmax && a.ymin <= b.ymin && b.ymax <= a.ymax)
        return 13;
    if (a.xmin <= b.xmin && b.xmax <= a.xmax && b.ymin <= a.ymin && a.ymax <= b.ymax)
        return 14;
    if (a.xmin <= b.xmin && a.ymin <= b.ymin && b.xmax <= a.xmax && b.ymax <= a.ymax)
        return 15;
    if (b.xmin <= a.xmin && b.ymin <= a.ymin && a.xmax <= b.xmax && a.ymax <= b.ymax)
        return 16;
    return 0;
}

// The corner arcs of codes 1..4: (first, last) on A, then on B.
void corner_arcs(int code, const Extremes& A, const Extremes& B, point3D* arc[4])
{
    switch (code) {
    case 1: arc[0] = A.ymin; arc[1] = A.xmin; arc[2] = B.ymax; arc[3] = B.xmax; break;
    case 2: arc[0] = A.ymax; arc[1] = A.xmax; arc[2] = B.ymin; arc[3] = B.xmin; break;
    case 3: arc[0] = A.xmin; arc[1] = A.ymax; arc[2] = B.xmax; arc[3] = B.ymin; break;
    default: arc[0] = A.xmax; arc[1] = A.ymin; arc[2] = B.xmin; arc[3] = B.ymax; break;
    }
}

// The extreme vertex of each cell turned away from the other, codes 5..12:
// A's, then B's.
void side_extremes(int code, const Extremes& A, const Extremes& B, point3D*& va, point3D*& vb)
{
    switch (code) {
    case 5: va = A.xmin; vb = B.xmax; break;
    case 6: va = A.xmax; vb = B.xmin; break;
    case 7: va = A.ymax; vb = B.ymin; break;
    case 8: va = A.ymin; vb = B.ymax; break;
    case 9: va = A.xmax; vb = B.xmin; break;
    case 10: va = A.xmin; vb = B.xmax; break;
    case 11: va = A.ymin; vb = B.ymax; break;
    default: va = A.ymax; vb = B.ymin; break;
    }
}

void push_arc(std::vector<point3D*>& out, point3D* from, point3D* to)
{
    out.push_back(from);
    out.push_back(to);
}

// The whole ring but W: [W.next, W.prev].
void push_all_but(std::vector<point3D*>& out, point3D* W)
{
    push_arc(out, W->next, W->prev);
}

// Whichever of lo and hi is reached from `from` in fewer steps; lo on a tie.
point3D* nearer_limit(const point3D* from, point3D* lo, point3D* hi, bool backward)
{
    // A limit that is not met counts as farther than any that is.
    auto steps = [&](const point3D* to) {
        const int k = ring_steps(from, to, backward);
        return k < 0 ? ring_bound(cell_of(from)) + 1 : k;
    };
    return steps(hi) < steps(lo) ? hi : lo;
}

bool is_crossing(int code)
{
    return code == 1 || (code >= 3 && code <= 6);
}

// One scan of a crossing arrangement: v walks from vFrom (along prev when
// vBackward) until it would reach stopA or stopB; for each v, w walks from
// wFrom the other way until it would reach wStop. The vertex walking along
// next is the first argument of the crossing test.
bool scan(dbReader& db, point3D* vFrom, bool vBackward, const point3D* stopA, const point3D* stopB,
          point3D* wFrom, const point3D* wStop)
{
    const int boundV = ring_bound(cell_of(vFrom));
    const int boundW = ring_bound(cell_of(wFrom));
    int i = 0;
    for (point3D* v = vFrom; v && v != stopA && v != stopB && i <= boundV; ++i) {
        int j = 0;
        for (point3D* w = wFrom; w && w != wStop && j <= boundW; ++j) {
            if (!v->out_edge || !v->in_edge || !w->out_edge || !w->in_edge || !v->next || !v->prev ||
                !w->next || !w->prev)
                return false;
            const int code = vBackward ? db.intersection_type(w, v) : db.intersection_type(v, w);
            if (is_crossing(code))
                return true;
            w = vBackward ? w->next : w->prev;
        }
        v = vBackward ? v->prev : v->next;
    }
    return false;
}

// Codes 13 and 14 of a welded stretch. The standing cell (its stretch ends
// lo..hi along next, its low and high extreme vertices in y) is scanned
// outward from both stretch ends against the lying cell, whose walks start at
// its stretch ends otherLo (facing hi) and otherHi (facing lo) and run
// outward to its nearer x extreme. On a crossing the standing cell
// gets [Y, Y] (Y its y extreme the scan was bounded by) and the lying cell
// [X1, X2]; false when no scan finds one.
bool crossing_arcs(dbReader& db, point3D* lo, point3D* hi, point3D* yMin, point3D* yMax, point3D* otherLo,
                   point3D* otherHi, point3D* xMin, point3D* xMax, point3D*& standing, point3D*& X1,
                   point3D*& X2)
{
    X1 = nearer_limit(otherLo, xMin, xMax, true);
    X2 = nearer_limit(otherHi, xMin, xMax, false);
    if (scan(db, hi->next, false, yMin, lo, otherLo, X1))
        standing = yMin;
    else if (scan(db, hi->next, false, yMax, lo, otherLo, X1))
        standing = yMax;
    else if (scan(db, lo->prev, true, yMin, hi, otherHi, X2))
        standing = yMin;
    else if (scan(db, lo->prev, true, yMax, hi, otherHi, X2))
        standing = yMax;
    else
        return false;
    return true;
}

void warn(const interpair* pair, int code)
{
    std::cout << "  -> warning: the pair " << pair->id << ":" << pair->cell1->id << "," << pair->cell2->id
              << " type: " << code
              << (code <= 14 ? ": already penetrated with each other!" : ": one embrased another one!")
              << std::endl;
}

} // namespace

int welding::contact_intervals(dbReader& db, interpair* pair, std::vector<point3D*>& S,
                               std::vector<point3D*>& T, std::vector<std::size_t>* stretchOf)
{
    Extremes A, B;
    Box a, b;
    if (!read_boxes(pair, A, B, a, b))
        return 0;
    const int code = arrangement_code(a, b);

    if (pair->MP.empty()) {
        if (code == 0)
            return 0;
        if (code >= 13) {
            warn(pair, code);
            return code;
        }
        if (code <= 4) {
            point3D* arc[4];
            corner_arcs(code, A, B, arc);
            // At the first equal side, the cell whose arc holds its extreme
            // vertex of that side searches its whole ring but the arc's other
            // end W instead: [W.next, W.prev].
            const bool equal[4] = {a.xmin == b.xmin, a.xmax == b.xmax, a.ymin == b.ymin, a.ymax == b.ymax};
            static const int whoseSide[4][4] = {
                {0, 1, 0, 1}, // code 1: xmin A, xmax B, ymin A, ymax B
                {1, 0, 1, 0}, // code 2
                {0, 1, 1, 0}, // code 3
                {1, 0, 0, 1}, // code 4
            };
            int eqSide = 0;
            while (eqSide < 4 && !equal[eqSide])
                ++eqSide;
            const bool fullA = eqSide < 4 && whoseSide[code - 1][eqSide] == 0;
            const bool fullB = eqSide < 4 && whoseSide[code - 1][eqSide] == 1;
            auto otherEnd = [&](point3D* first, point3D* last, const Extremes& E) {
                point3D* ext = eqSide == 0 ? E.xmin : eqSide == 1 ? E.xmax : eqSide == 2 ? E.ymin : E.ymax;
                return ext == first ? last : first;
            };
            if (fullA)
                push_all_but(S, otherEnd(arc[0], arc[1], A));
            else
                push_arc(S, arc[0], arc[1]);
            if (fullB)
                push_all_but(T, otherEnd(arc[2], arc[3], B));
            else
                push_arc(T, arc[2], arc[3]);
            return code;
        }
        point3D *va, *vb;
        side_extremes(code, A, B, va, vb);
        if (code <= 8) {
            push_all_but(S, va);
            push_arc(T, vb, vb);
        } else {
            push_arc(S, va, va);
            push_all_but(T, vb);
        }
        return code;
    }

    // Welded stretches: the boxes are the same for each one.
    int current = 0;
    const std::size_t n = pair->MP.size();
    for (std::size_t k = 0; k < n; ++k) {
        mergepair* m = pair->MP[k];
        const std::size_t before = S.size();
        if (code == 0)
            continue;
        current = code;
        if (code <= 4) {
            point3D* arc[4];
            corner_arcs(code, A, B, arc);
            push_arc(S, arc[0], arc[1]);
            push_arc(T, arc[2], arc[3]);
        } else if (code <= 12) {
            point3D *va, *vb;
            side_extremes(code, A, B, va, vb);
            push_arc(S, va, va);
            push_arc(T, vb, vb);
        } else if (code == 13) {
            point3D *Y, *X1, *X2;
            if (crossing_arcs(db, m->S1, m->S2, A.ymin, A.ymax, m->T1, m->T2, B.xmin, B.xmax, Y, X1, X2)) {
                push_arc(S, Y, Y);
                push_arc(T, X1, X2);
            }
        } else if (code == 14) {
            point3D *Y, *X1, *X2;
            if (crossing_arcs(db, m->T1, m->T2, B.ymin, B.ymax, m->S1, m->S2, A.xmin, A.xmax, Y, X1, X2)) {
                push_arc(S, X1, X2);
                push_arc(T, Y, Y);
            }
        }
        if (stretchOf && S.size() > before)
            stretchOf->push_back(k);
    }
    return current;
}

int dbReader::collision_candidate2(interpair* pair, std::vector<point3D*>& S, std::vector<point3D*>& T)
{
    return welding::contact_intervals(*this, pair, S, T, nullptr);
}
