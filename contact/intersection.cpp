// Crossing classification of two boundary edges of different cells: P's
// outgoing edge against Q's incoming edge. Along a contact the two rings run
// in opposite senses, so both edge parameters grow in the same direction:
// uP is 0 at P's next and 1 at P, uQ is 0 at Q's prev and 1 at Q.
#include "contact/welding.h"

#include <cmath>

namespace {

// Parameters within 1e-9 of an end count as that end.
double snap(double u)
{
    if (std::fabs(u - 1.0) < 1e-9)
        return 1.0;
    if (std::fabs(u) < 1e-9)
        return 0.0;
    return u;
}

// The code of a crossing by the halves of the two edges it lies in.
int halves_code(double uP, double uQ)
{
    if (uP < 0.5 && uQ < 0.5)
        return 3;
    if (uP > 0.5 && uQ > 0.5)
        return 4;
    if (uP > 0.5 && uQ <= 0.5)
        return 5;
    if (uQ > 0.5 && uP <= 0.5)
        return 6;
    return -1; // both at most midway, one exactly there
}

int geometric_code(double uP, double uQ)
{
    if (uP > 0.0 && uP < 1.0 && uQ > 0.0 && uQ < 1.0)
        return halves_code(uP, uQ);
    const bool pEnd = (uP == 0.0 || uP == 1.0);
    const bool qEnd = (uQ == 0.0 || uQ == 1.0);
    if (!pEnd || !qEnd)
        return -1;
    if (uP == 1.0 && uQ == 1.0)
        return 1;
    if (uP == 0.0 && uQ == 0.0)
        return 2;
    if (uP == 0.0)
        return 7;
    return 8;
}

} // namespace

int dbReader::intersection_type(point3D* P, point3D* Q)
{
    const point3D* A = P->out_edge->p1;
    const point3D* B = P->out_edge->p2;
    const point3D* E = Q->in_edge->p1;
    const point3D* F = Q->in_edge->p2;

    const double det = (A->y - B->y) * (E->x - F->x) - (A->x - B->x) * (E->y - F->y);
    if (det == 0.0) {
        // Parallel edges: only the x of P and Q is compared, and no weld
        // overrides the answer.
        if (A->x != F->x)
            return -1;
        const bool ends = P->prev->x == Q->next->x && P->prev->y == Q->next->y;
        return ends ? 10 : 9;
    }

    const double uQ = snap(((A->y - B->y) * (E->x - B->x) - (A->x - B->x) * (E->y - B->y)) / det);
    const double uP = snap(((E->y - B->y) * (E->x - F->x) - (E->x - B->x) * (E->y - F->y)) / det);
    int code = geometric_code(uP, uQ);

    // Welds decide over geometry: first those of P's next, then those of P.
    for (const point3D* m : P->next->mp) {
        if (m == Q->prev) {
            code = 2;
            break;
        }
        if (m == Q) {
            code = 7;
            break;
        }
    }
    if (P->mp.empty()) {
        if (A->x == F->x && A->y == F->y)
            code = 1;
        return code;
    }
    for (const point3D* m : P->mp) {
        if (m == Q)
            return 1;
        if (m == Q->prev)
            return 8;
    }
    return code;
}

namespace {

// Whether the ring through v passes from one side of the line through a
// and b to the other at v: its prev and next lie strictly on either side.
bool passes_through(const point3D* a, const point3D* b, const point3D* v)
{
    if (!v->prev || !v->next)
        return false;
    auto side = [a, b](const point3D* x) { return (b->x - a->x) * (x->y - a->y) - (b->y - a->y) * (x->x - a->x); };
    const double before = side(v->prev);
    const double after = side(v->next);
    return (before > 0.0 && after < 0.0) || (before < 0.0 && after > 0.0);
}

} // namespace

int welding::crossing_type(dbReader& db, point3D* P, point3D* Q)
{
    const int code = db.intersection_type(P, Q);
    if (code != -1)
        return code;
    point3D* A = P->out_edge->p1;
    point3D* B = P->out_edge->p2;
    point3D* E = Q->in_edge->p1;
    point3D* F = Q->in_edge->p2;
    const double det = (A->y - B->y) * (E->x - F->x) - (A->x - B->x) * (E->y - F->y);
    if (det == 0.0)
        return code;
    const double rawQ = ((A->y - B->y) * (E->x - B->x) - (A->x - B->x) * (E->y - B->y)) / det;
    const double rawP = ((E->y - B->y) * (E->x - F->x) - (E->x - B->x) * (E->y - F->y)) / det;
    const double uQ = snap(rawQ);
    const double uP = snap(rawP);
    // A vertex of Q's edge on the inside of P's: the crossing is this
    // edge's when it lies on it before snapping (at Q itself on a tie: Q's
    // incoming edge ends there).
    if ((uQ == 0.0 || uQ == 1.0) && uP > 0.0 && uP < 1.0) {
        const bool ours = uQ == 1.0 ? rawQ <= 1.0 : rawQ > 0.0;
        if (ours && passes_through(A, B, uQ == 1.0 ? F : E))
            return halves_code(uP, uQ);
    }
    // A vertex of P's edge on the inside of Q's (at P's next on a tie).
    if ((uP == 0.0 || uP == 1.0) && uQ > 0.0 && uQ < 1.0) {
        const bool ours = uP == 0.0 ? rawP >= 0.0 : rawP < 1.0;
        if (ours && passes_through(E, F, uP == 0.0 ? B : A))
            return halves_code(uP, uQ);
    }
    return code;
}
