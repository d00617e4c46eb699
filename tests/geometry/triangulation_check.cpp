#include "triangulation_check.h"

#include <cmath>
#include <set>
#include <sstream>

#include "geometry/cd3dw.h"

namespace {

double orient(const CXYZW* a, const CXYZW* b, const CXYZW* q)
{
    return (b->x - a->x) * (q->y - a->y) - (b->y - a->y) * (q->x - a->x);
}

// Positive when q lies inside the circle through the clockwise triangle
// (a, b, c); `scale` receives the size of the terms for a relative tolerance.
double incircle_cw(const CXYZW* a, const CXYZW* b, const CXYZW* c, const CXYZW* q, double* scale)
{
    const double adx = a->x - q->x, ady = a->y - q->y;
    const double bdx = b->x - q->x, bdy = b->y - q->y;
    const double cdx = c->x - q->x, cdy = c->y - q->y;
    const double ad = adx * adx + ady * ady, bd = bdx * bdx + bdy * bdy, cd = cdx * cdx + cdy * cdy;
    const double t1 = ad * (bdx * cdy - cdx * bdy);
    const double t2 = bd * (adx * cdy - cdx * ady);
    const double t3 = cd * (adx * bdy - bdx * ady);
    *scale = std::fabs(t1) + std::fabs(t2) + std::fabs(t3);
    return -(t1 - t2 + t3);
}

bool outer_side(const CEdge* e) { return e->org->is_bounding() && e->dest->is_bounding(); }

}  // namespace

std::string checkTriangulation(const CD3DW& d)
{
    std::ostringstream err;
    int faults = 0;
    auto fault = [&](const std::string& what) {
        if (++faults <= 10)
            err << what << "\n";
    };

    const size_t n = d.vertices.size();
    size_t alive = 0;
    double area = 0.0;
    std::set<const CXYZW*> used;
    for (size_t k = 0; k < d.cells.size(); ++k) {
        const CCell* c = d.cells[k];
        if (!c->alive)
            continue;
        ++alive;
        std::ostringstream where;
        where << "triangle " << k << ": ";
        if (c->child[0])
            fault(where.str() + "alive with children");
        const double o = orient(c->vertex[0], c->vertex[1], c->vertex[2]);
        if (!(o < 0.0))
            fault(where.str() + "not clockwise");
        area += -o / 2.0;
        for (int i = 0; i < 3; ++i) {
            used.insert(c->vertex[i]);
            const CEdge* e = c->edge[i];
            if (e->face != c)
                fault(where.str() + "edge face");
            if (e->next != c->edge[(i + 1) % 3])
                fault(where.str() + "edge next");
            if (e->org != c->vertex[i] || e->dest != c->vertex[(i + 1) % 3])
                fault(where.str() + "edge ends");
            if (e->rot != c->edge[(i + 2) % 3]->twin)
                fault(where.str() + "edge rot");
            if (!e->twin || e->twin->twin != e || e->twin->org != e->dest || e->twin->dest != e->org)
                fault(where.str() + "edge twin");
            if (outer_side(e))
                continue;
            if (e->flags & CEdge::FLAG_EXCLUDED)
                fault(where.str() + "current edge flagged excluded");
            const CCell* other = e->twin->face;
            if (!other->alive)
                fault(where.str() + "neighbour not alive");
            // Local regularity: the vertex across the edge is not inside the circle.
            const CXYZW* q = e->twin->next->dest;
            double scale = 0.0;
            const double in = incircle_cw(c->vertex[0], c->vertex[1], c->vertex[2], q, &scale);
            if (in > 1e-9 * scale)
                fault(where.str() + "not locally Delaunay");
        }
    }

    // Euler: n points strictly inside a triangle give 2n + 1 triangles and
    // 3n + 3 edges, of which the 3 sides of the bounding triangle are flagged.
    if (alive != 2 * n + 1) {
        std::ostringstream s;
        s << "alive triangles " << alive << ", expected " << 2 * n + 1;
        fault(s.str());
    }
    size_t current_half_edges = 0;
    for (const CEdge* e : d.edges)
        if (!(e->flags & CEdge::FLAG_EXCLUDED))
            ++current_half_edges;
    if (current_half_edges != 6 * n) {
        std::ostringstream s;
        s << "current half-edges " << current_half_edges << ", expected " << 6 * n;
        fault(s.str());
    }
    for (const CXYZW* v : d.vertices)
        if (!used.count(v))
            fault("a vertex is in no triangle");
    const double root = -orient(d.bound[0], d.bound[1], d.bound[2]) / 2.0;
    if (std::fabs(area - root) > 1e-9 * root)
        fault("triangles do not tile the bounding triangle");
    if (!d.flip_stack.empty())
        fault("flip stack not empty");
    return err.str();
}

std::string checkEmptyPowerCircles(const CD3DW& d)
{
    for (const CCell* c : d.cells) {
        if (!c->alive || c->has_bounding_vertex())
            continue;
        for (const CXYZW* v : d.vertices) {
            const double dx = v->x - c->center_x, dy = v->y - c->center_y;
            if (dx * dx + dy * dy < c->radius2 * (1.0 - 1e-9))
                return "a vertex lies inside a power circle";
        }
    }
    return "";
}

std::string checkEmptyCircumcircles(const CD3DW& d)
{
    for (const CCell* c : d.cells) {
        if (!c->alive || c->has_bounding_vertex())
            continue;
        for (const CXYZW* v : d.vertices) {
            if (v == c->vertex[0] || v == c->vertex[1] || v == c->vertex[2])
                continue;
            double scale = 0.0;
            if (incircle_cw(c->vertex[0], c->vertex[1], c->vertex[2], v, &scale) > 1e-9 * scale)
                return "a vertex lies inside a circumcircle";
        }
    }
    return "";
}
