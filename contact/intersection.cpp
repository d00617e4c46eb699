// Crossing classification of two boundary edges of different cells: P's
// outgoing edge against Q's incoming edge. Along a contact the two rings run
// in opposite senses, so both edge parameters grow in the same direction:
// uP is 0 at P's next and 1 at P, uQ is 0 at Q's prev and 1 at Q.
#include "contact/welding.h"
#include "geometry/numeric.h"

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

int geometric_code(double uP, double uQ)
{
    if (uP > 0.0 && uP < 1.0 && uQ > 0.0 && uQ < 1.0)
        return crossing_halves_code(uP, uQ);
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

// The code of an end of one edge that snapped onto the inside of the other
// (raw parameters rawP, rawQ; snapped uP, uQ) where its ring passes through
// the other edge's line: the crossing's halves, on the one of the vertex's
// two edges it lies on before snapping (the edge ending at the vertex on a
// tie: Q's incoming edge at Q, P's outgoing edge at P's next). -1 otherwise.
int vertex_crossing(const point3D* A, const point3D* B, const point3D* E, const point3D* F, double rawP, double rawQ,
                    double uP, double uQ)
{
    if ((uQ == 0.0 || uQ == 1.0) && uP > 0.0 && uP < 1.0) {
        const bool ours = uQ == 1.0 ? rawQ <= 1.0 : rawQ > 0.0;
        if (ours && passes_through(A, B, uQ == 1.0 ? F : E))
            return crossing_halves_code(uP, uQ);
    }
    if ((uP == 0.0 || uP == 1.0) && uQ > 0.0 && uQ < 1.0) {
        const bool ours = uP == 0.0 ? rawP >= 0.0 : rawP < 1.0;
        if (ours && passes_through(E, F, uP == 0.0 ? B : A))
            return crossing_halves_code(uP, uQ);
    }
    return -1;
}

// The classification of intersection_type; with `throughVertex`, a crossing
// through an end is coded as crossing_type says.
int classify(point3D* P, point3D* Q, bool throughVertex)
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

    const double rawQ = ((A->y - B->y) * (E->x - B->x) - (A->x - B->x) * (E->y - B->y)) / det;
    const double rawP = ((E->y - B->y) * (E->x - F->x) - (E->x - B->x) * (E->y - F->y)) / det;
    const double uQ = snap(rawQ);
    const double uP = snap(rawP);
    int code = geometric_code(uP, uQ);
    if (code == -1 && throughVertex)
        code = vertex_crossing(A, B, E, F, rawP, rawQ, uP, uQ);

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

} // namespace

int dbReader::intersection_type(point3D* P, point3D* Q)
{
    return classify(P, Q, false);
}

int welding::crossing_type(point3D* P, point3D* Q)
{
    return classify(P, Q, true);
}
