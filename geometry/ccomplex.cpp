// Alpha complex: triangle simplices first, then edge simplices, each group
// in the order in which the triangulation created its first half-edge.
#include "geometry/ccomplex.h"

#include <algorithm>
#include <cmath>

#include "geometry/numeric.h"

namespace {

// How many half-edges ahead the pass over the half-edges asks for memory.
constexpr size_t kLookAhead = 8;

// sqrt(P) for P > 0, -sqrt(-P) otherwise.
double signed_root(double P) { return P > 0.0 ? std::sqrt(P) : -std::sqrt(-P); }

// Power distance |m - v|^2 - z_v^2 of the point (mx, my) to v.
double power(double mx, double my, const CXYZW* v)
{
    const double dx = mx - v->x;
    const double dy = my - v->y;
    return dx * dx + dy * dy - v->z * v->z;
}

// Raises the radius of an edge and its twin to the largest of alpha and both radii.
void raise_radius(CEdge* e, double alpha)
{
    const double r = max_val3(alpha, e->radius, e->twin->radius);
    e->radius = r;
    e->twin->radius = r;
}

}  // namespace

void C1Simplex::geometry()
{
    alpha = std::max(signed_root(power(center_x, center_y, vertex[0])), alpha);
}

void C2Simplex::geometry()
{
    CXYZW* a = vertex[0];
    CXYZW* b = vertex[1];
    CXYZW* c = vertex[2];
    // -100000.0 is a floor under the largest power of the centre.
    const double P = std::max({power(center_x, center_y, a), -100000.0, power(center_x, center_y, b),
                               power(center_x, center_y, c)});
    alpha = std::max(signed_root(P), alpha);
    generator->face->radius2 = alpha;

    // An edge takes the triangle's alpha when, seen from its weighted
    // midpoint, its first end has more power than the opposite corner.
    CEdge* ab = generator;
    CEdge* ac = generator->rot;
    CEdge* bc = generator->next;
    if (power(ab->center_x, ab->center_y, a) > power(ab->center_x, ab->center_y, c))
        raise_radius(ab, alpha);
    if (power(ac->center_x, ac->center_y, a) > power(ac->center_x, ac->center_y, b))
        raise_radius(ac, alpha);
    if (power(bc->center_x, bc->center_y, b) > power(bc->center_x, bc->center_y, a))
        raise_radius(bc, alpha);
}

CComplex::CComplex(CD3DW* d)
{
    for (CEdge* e : d->edges) {
        e->edge_simplex = nullptr;
        e->face_simplex = nullptr;
    }

    // One pass over the half-edges finds both kinds: the triangles go to the
    // list as they are met, the edges wait in their own list. An edge's alpha
    // starts from its radius, which the triangles met after it may still
    // raise, so the edges take their values once every triangle is done.
    // The cheap tests on the half-edge itself come first: most half-edges
    // are replaced ones or belong to a simplex already listed.
    std::vector<C1Simplex*> edge_simplices;
    const size_t count = d->edges.size();
    for (size_t k = 0; k < count; ++k) {
        CEdge* e = d->edges[k];
        // The half-edges lie in memory in list order, the triangles and
        // third corners they lead to do not: ask for those a few ahead.
        if (k + kLookAhead < count) {
            const CEdge* ahead = d->edges[k + kLookAhead];
            __builtin_prefetch(ahead->rot);
            __builtin_prefetch(ahead->face);
        }
        if (e->flags & CEdge::FLAG_EXCLUDED)
            continue;
        if (!e->edge_simplex && e->org->id >= 0 && e->dest->id >= 0) {
            C1Simplex* s = new C1Simplex;
            s->generator = e;
            s->vertex[0] = e->org;
            s->vertex[1] = e->dest;
            s->id[0] = e->org->id;
            s->id[1] = e->dest->id;
            edge_simplices.push_back(s);
            e->edge_simplex = s;
            e->twin->edge_simplex = s;
        }
        if (e->face_simplex || e->org->id < 0 || e->dest->id < 0)
            continue;
        CXYZW* third = e->rot->dest;
        if (third->id < 0)
            continue;
        C2Simplex* s = new C2Simplex;
        s->generator = e;
        s->vertex[0] = e->org;
        s->vertex[1] = e->dest;
        s->vertex[2] = third;
        for (int i = 0; i < 3; ++i)
            s->id[i] = s->vertex[i]->id;
        s->center_x = e->face->center_x;
        s->center_y = e->face->center_y;
        s->alpha = e->face->radius2;
        simplices.push_back(s);
        e->face_simplex = s;
        e->next->face_simplex = s;
        e->next->next->face_simplex = s;
        s->geometry();
    }

    simplices.reserve(simplices.size() + edge_simplices.size());
    for (C1Simplex* s : edge_simplices) {
        CEdge* e = s->generator;
        s->center_x = e->center_x;
        s->center_y = e->center_y;
        s->alpha = e->radius;
        s->geometry();
        simplices.push_back(s);
    }
}

CComplex::~CComplex()
{
    for (CSimplex*& s : simplices) {
        delete s;
        s = nullptr;
    }
    std::vector<CSimplex*>().swap(simplices);
}

void CComplex::sort(CSimplex* s)
{
    if (simplices.empty() || s->alpha >= simplices.back()->alpha) {
        simplices.push_back(s);
        return;
    }
    auto at = std::upper_bound(simplices.begin(), simplices.end(), s->alpha,
                               [](double a, const CSimplex* t) { return a < t->alpha; });
    simplices.insert(at, s);
}
