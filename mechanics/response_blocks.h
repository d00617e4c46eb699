// Small blocks shared by the responses of the mechanics step to broken
// adhesions (unwelding, friction slides, rear detachment): weld and unweld
// two vertices, the tension move, the unit normal sum of a vertex, and the
// one failure they all share, a contact met without a welded stretch.
//
// A response never dereferences a stretch that is not there: it asks
// `stretch_or_fail` first and hands the failure up as the step result.
#ifndef VANTU_MECHANICS_RESPONSE_BLOCKS_H
#define VANTU_MECHANICS_RESPONSE_BLOCKS_H

#include "model/dbreader.h"

#include <QString>

#include <cmath>

namespace response {

// The target length of a boundary edge.
constexpr double kPi = 3.14159265;

// Whether r is a step failure (an index of 0 or more).
inline bool failed(int r) { return r >= 0; }

// The cell of a boundary vertex: the owner of its outgoing edge.
inline cell* cell_of(const point3D* p) { return p && p->out_edge ? p->out_edge->cell : nullptr; }

// a and b forget each other as merge partners.
inline void unweld(point3D* a, point3D* b)
{
    a->removemp(b);
    b->removemp(a);
}

// a and b list each other as merge partners.
inline void weld(point3D* a, point3D* b)
{
    a->pushmp(b);
    b->pushmp(a);
}

// "ERROR: pair between cells %1 and %2 was empty!" (or `verb` "is") with the
// pair's cells; the result is the pair's first cell.
inline int empty_pair(dbReader& db, const interpair* pr, const char* verb = "was")
{
    const int a = pr->cell1 ? pr->cell1->id : 0;
    const int b = pr->cell2 ? pr->cell2->id : 0;
    db.message = QString("ERROR: pair between cells %1 and %2 %3 empty!").arg(a).arg(b).arg(verb);
    return a;
}

// The first stretch of pr, or null with the empty-pair failure in *result.
inline mergepair* stretch_or_fail(dbReader& db, const interpair* pr, int* result)
{
    if (!pr->MP.empty())
        return pr->MP[0];
    *result = empty_pair(db, pr);
    return nullptr;
}

// Where the line tension of the last step moves v: 0.1 of its two tension forces.
inline void tension_target(const point3D* v, double out[2])
{
    out[0] = v->x + 0.1 * (v->tension_next[0] + v->tension_prev[0]);
    out[1] = v->y + 0.1 * (v->tension_next[1] + v->tension_prev[1]);
}

// v goes to `at`, and every merge partner with it.
inline void move_with_partners(point3D* v, const double at[2])
{
    v->x = at[0];
    v->y = at[1];
    for (point3D* q : v->mp) {
        q->x = at[0];
        q->y = at[1];
    }
}

// The unit vector of (x, y); (0, 0) for a zero or not finite vector.
inline void unit(double x, double y, double out[2])
{
    const double L = std::hypot(x, y);
    if (L > 0.0 && std::isfinite(L)) {
        out[0] = x / L;
        out[1] = y / L;
    } else {
        out[0] = out[1] = 0.0;
    }
}

// The outward direction at a vertex: the unit vector of the sum of the unit
// normals of its two edges.
inline void vertex_outward(const point3D* v, double out[2])
{
    double a[2], b[2];
    unit(v->out_edge->getnormal(0), v->out_edge->getnormal(1), a);
    unit(v->in_edge->getnormal(0), v->in_edge->getnormal(1), b);
    unit(a[0] + b[0], a[1] + b[1], out);
}

// The rear edge of a migrating cell (its centre refreshed first): the first
// side whose ends lie on both sides of the line through the centre along the
// migration direction and whose outward normal points backwards; the first
// side when none does. c must have sides.
edge* rear_edge(cell* c);

}  // namespace response

#endif
