// Incremental insertion: locate through the history, split, flip.
//
// A point flows through four phases: the root test (it must lie strictly
// inside the bounding triangle), the walk down the history of replaced
// triangles to the leaf that holds it, the split of that leaf (inside, or on
// an edge when an orientation value is within the tolerance), and the flip
// loop that restores the empty circumcircle around the new vertex.
//
// Points that the tolerance cannot tell apart from an existing vertex, points
// outside the bounding triangle and points that are not finite are skipped:
// inserting them would create degenerate or overlapping triangles.
#include "geometry/cd3dw.h"

#include <algorithm>
#include <cmath>

namespace {

// Orientation values whose magnitude is below this are taken as zero.
constexpr double kOrientTolerance = 1e-7;

// Twice the signed area of (a, b, q): positive when q lies left of a -> b.
inline double orient(const CXYZW* a, const CXYZW* b, double qx, double qy)
{
    return (b->x - a->x) * (qy - a->y) - (b->y - a->y) * (qx - a->x);
}

// A point closer than this to an existing vertex is taken as that vertex.
// The orientation tolerance alone misses such points next to long edges,
// whose orientation values grow with the edge length.
constexpr double kCoincidentDistance = 1e-7;

inline bool coincides(const CXYZW* a, const CXYZW* b)
{
    const double dx = a->x - b->x, dy = a->y - b->y;
    return dx * dx + dy * dy < kCoincidentDistance * kCoincidentDistance;
}

// The record lists grow by a factor of eight: copying them on every
// doubling costs more than reserving address space the pages of which are
// only touched as the list fills.
template <class T>
void grow(std::vector<T*>& list)
{
    if (list.size() + 2 > list.capacity())
        list.reserve(std::max<size_t>(64, 8 * list.capacity()));
}

inline double snap(double d) { return std::fabs(d) < kOrientTolerance ? 0.0 : d; }

// Containment with the tolerance, for either winding; points on an edge count.
bool contains(const CCell* t, double x, double y)
{
    const double d01 = snap(orient(t->vertex[0], t->vertex[1], x, y));
    const double d12 = snap(orient(t->vertex[1], t->vertex[2], x, y));
    const double d20 = snap(orient(t->vertex[2], t->vertex[0], x, y));
    return d01 * d12 >= 0.0 && d12 * d20 >= 0.0 && d20 * d01 >= 0.0;
}

}  // namespace

void CEdge::set_center()
{
    const double dx = org->x - dest->x;
    const double dy = org->y - dest->y;
    const double L2 = dx * dx + dy * dy;
    // Coincident ends (only the collapsed triangle of an unusable rectangle)
    // have no weighted midpoint; their common position stands for it.
    const double t = L2 > 0.0 ? 0.5 - (org->z * org->z - dest->z * dest->z) * 0.5 / L2 : 0.5;
    center_x = t * org->x + (1.0 - t) * dest->x;
    center_y = t * org->y + (1.0 - t) * dest->y;
}

void CCell::set_center()
{
    // Equal power |c - q_i|^2 - z_i^2 to the three corners is the linear system
    // c . q_i + w_i = lambda with w_i = (z_i^2 - |q_i|^2) / 2; subtracting the
    // first equation leaves two equations in c, solved by Cramer's rule
    // relative to corner 0 to keep the large bounding coordinates from
    // swallowing the small ones.
    const CXYZW* q0 = vertex[0];
    const CXYZW* q1 = vertex[1];
    const CXYZW* q2 = vertex[2];
    const double x1 = q1->x - q0->x, y1 = q1->y - q0->y;
    const double x2 = q2->x - q0->x, y2 = q2->y - q0->y;
    const double z0 = q0->z * q0->z;
    const double s1 = 0.5 * (x1 * x1 + y1 * y1 - q1->z * q1->z + z0);
    const double s2 = 0.5 * (x2 * x2 + y2 * y2 - q2->z * q2->z + z0);
    const double det = x1 * y2 - y1 * x2;
    double cx, cy;
    if (det != 0.0) {
        cx = (s1 * y2 - y1 * s2) / det;
        cy = (x1 * s2 - s1 * x2) / det;
    } else {
        // Collinear corners have no power centre; the centroid keeps the
        // record finite (only the collapsed root of an unusable rectangle).
        cx = (x1 + x2) / 3.0;
        cy = (y1 + y2) / 3.0;
    }
    center_x = q0->x + cx;
    center_y = q0->y + cy;
    radius2 = cx * cx + cy * cy;
}

CD3DW::CD3DW(double* rect)
{
    double x0 = rect[0], y0 = rect[1], x1 = rect[2], y1 = rect[3];
    // An empty, inverted or non-finite rectangle holds no point: the bounding
    // triangle collapses to one point and every insertion is refused, instead
    // of a triangle of the wrong winding that would mesh garbage.
    const bool usable = std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) &&
                        std::isfinite(y1) && x0 < x1 && y0 < y1;
    if (!usable)
        x0 = y0 = x1 = y1 = 0.0;

    const double bx[3] = {1.5 * x0 - 0.5 * x1, 0.5 * x0 + 0.5 * x1, 1.5 * x1 - 0.5 * x0};
    const double by[3] = {y0, 2.0 * y1 - y0, y0};
    for (int i = 0; i < 3; ++i) {
        bound[i] = vertex_pool.make();
        bound[i]->x = bx[i];
        bound[i]->y = by[i];
        bound[i]->z = 10.0;
        bound[i]->id = CXYZW::BOUNDING_ID - i;
    }

    // Half-edges b0b1, b1b0, b1b2, b2b1, b2b0, b0b2.
    CEdge* b01 = make_pair(bound[0], bound[1]);
    CEdge* b12 = make_pair(bound[1], bound[2]);
    CEdge* b20 = make_pair(bound[2], bound[0]);
    for (CEdge* e : edges)
        e->flags = CEdge::FLAG_EXCLUDED;

    CCell* root = make_cell(b01, b12, b20, true);
    // The outer half-edges form the second cycle; they belong to the root too.
    CEdge* outer[3] = {b01->twin, b20->twin, b12->twin};  // b1b0, b0b2, b2b1
    for (int i = 0; i < 3; ++i) {
        outer[i]->face = root;
        outer[i]->next = outer[(i + 1) % 3];
        outer[i]->rot = outer[(i + 2) % 3]->twin;
    }
}

CD3DW::~CD3DW()
{
    // The records themselves go with their pools.
    for (CXYZW*& b : bound)
        b = nullptr;
    std::vector<CXYZW*>().swap(vertices);
    std::vector<CEdge*>().swap(edges);
    std::vector<CCell*>().swap(cells);
    std::vector<CEdge*>().swap(flip_stack);
}

CEdge* CD3DW::make_pair(CXYZW* a, CXYZW* b)
{
    CEdge* ab = edge_pool.make();
    CEdge* ba = edge_pool.make();
    ab->org = a;
    ab->dest = b;
    ba->org = b;
    ba->dest = a;
    ab->twin = ba;
    ba->twin = ab;
    ab->set_center();
    ba->set_center();
    grow(edges);
    edges.push_back(ab);
    edges.push_back(ba);
    return ab;
}

CCell* CD3DW::make_cell(CEdge* e0, CEdge* e1, CEdge* e2, bool resample)
{
    CCell* c = cell_pool.make();
    CEdge* e[3] = {e0, e1, e2};
    for (int i = 0; i < 3; ++i) {
        c->vertex[i] = e[i]->org;
        c->edge[i] = e[i];
        e[i]->face = c;
        e[i]->next = e[(i + 1) % 3];
        e[i]->rot = e[(i + 2) % 3]->twin;
    }
    c->set_center();
    if (!resample)
        c->radius2 = -10.0;
    grow(cells);
    cells.push_back(c);
    return c;
}

void CD3DW::push(CEdge* e)
{
    // The sides of the bounding triangle are never flipped.
    if (e->org->is_bounding() && e->dest->is_bounding())
        return;
    flip_stack.push_back(e);
    e->flags = CEdge::FLAG_QUEUED;
    // Its test reads the triangle across it and that triangle's far corner.
    __builtin_prefetch(e->twin->face);
    __builtin_prefetch(e->twin->next);
}

void CD3DW::add(double x, double y, double z, int id, void* data)
{
    CXYZW* v = vertex_pool.make();
    v->x = x;
    v->y = y;
    v->z = z;
    v->id = id;
    v->data = data;
    insert(v, false);
}

void CD3DW::add_resample(double x, double y, double z, int id, point3D* point)
{
    CXYZW* v = vertex_pool.make();
    v->x = x;
    v->y = y;
    v->z = z;
    v->id = id;
    v->point = point;
    insert(v, true);
}

CCell* CD3DW::locate(const CXYZW* p) const
{
    CCell* t = cells[0];
    while (CCell* c0 = t->child[0]) {
        CCell* c1 = t->child[1];
        if (!c1) {
            t = c0;
            continue;
        }
        // Each level costs a miss on the child and one on its newest
        // corner; asking for the grandchildren before the corners are read
        // lets the next level's miss overlap them.
        __builtin_prefetch(c0->child[0]);
        __builtin_prefetch(c1->child[0]);
        if (contains(c0, p->x, p->y))
            t = c0;
        else if (!t->child[2])
            t = c1;
        else
            t = contains(c1, p->x, p->y) ? c1 : t->child[2];
    }
    return t;
}

void CD3DW::insert(CXYZW* v, bool resample)
{
    // Only points strictly inside the bounding triangle can be placed.
    const CCell* root = cells[0];
    const double r01 = orient(root->vertex[0], root->vertex[1], v->x, v->y);
    const double r12 = orient(root->vertex[1], root->vertex[2], v->x, v->y);
    const double r20 = orient(root->vertex[2], root->vertex[0], v->x, v->y);
    const bool inside_root = std::fabs(r01) >= kOrientTolerance && std::fabs(r12) >= kOrientTolerance &&
                             std::fabs(r20) >= kOrientTolerance && (r01 > 0) == (r12 > 0) &&
                             (r12 > 0) == (r20 > 0);
    if (!inside_root) {
        return;
    }

    CCell* T = locate(v);
    const double d[3] = {orient(T->vertex[0], T->vertex[1], v->x, v->y),
                         orient(T->vertex[1], T->vertex[2], v->x, v->y),
                         orient(T->vertex[2], T->vertex[0], v->x, v->y)};
    int on_edge = -1;
    int zeros = 0;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(d[i]) < kOrientTolerance) {
            ++zeros;
            if (on_edge < 0)
                on_edge = i;
        }
    }
    // Two edges within the tolerance: the point coincides with their common
    // vertex as far as the tolerance can tell; a walk that lost the point
    // (possible only through rounding) must not split a triangle it is not in.
    if (zeros >= 2 || !contains(T, v->x, v->y)) {
        return;
    }
    // A vertex within the distance lies at a corner of T or just across one
    // of its edges, at the third corner of the triangle there.
    // The triangles across the edges are the first the flip loop reads.
    for (int i = 0; i < 3; ++i)
        __builtin_prefetch(T->edge[i]->twin->face);
    for (int i = 0; i < 3; ++i) {
        if (coincides(v, T->vertex[i]) || coincides(v, T->edge[i]->twin->next->dest))
            return;
    }
    if (on_edge >= 0) {
        // The same holds for the triangle across the edge: a point on the
        // edge and on one of its other sides sits on a vertex.
        const CEdge* e = T->edge[on_edge];
        const CEdge* t1 = e->twin->next;
        const CEdge* t2 = t1->next;
        if ((e->org->is_bounding() && e->dest->is_bounding()) ||
            std::fabs(orient(t1->org, t1->dest, v->x, v->y)) < kOrientTolerance ||
            std::fabs(orient(t2->org, t2->dest, v->x, v->y)) < kOrientTolerance) {
            return;
        }
    }

    vertices.push_back(v);
    if (on_edge < 0)
        split_inside(T, v, resample);
    else
        split_edge(T->edge[on_edge], v, resample);

    while (!flip_stack.empty()) {
        CEdge* e = flip_stack.back();
        flip_stack.pop_back();
        e->flags &= CEdge::FLAG_EXCLUDED;
        if (e->flags & CEdge::FLAG_EXCLUDED)
            continue;

        // Plain circumcircle of the triangle across e (weights play no part),
        // computed relative to its corner 0.
        const CCell* t = e->twin->face;
        const CXYZW* u0 = t->vertex[0];
        const double ax = t->vertex[1]->x - u0->x, ay = t->vertex[1]->y - u0->y;
        const double bx = t->vertex[2]->x - u0->x, by = t->vertex[2]->y - u0->y;
        const double D = 2.0 * (ax * by - ay * bx);
        if (D == 0.0)
            continue;
        const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by;
        const double ux = (by * a2 - ay * b2) / D;
        const double uy = (ax * b2 - bx * a2) / D;
        const double px = v->x - u0->x - ux, py = v->y - u0->y - uy;
        if (!(ux * ux + uy * uy > px * px + py * py))
            continue;

        // In exact arithmetic a point inside that circle makes the
        // quadrilateral convex; rounding on nearly co-circular points must
        // not flip into two overlapping triangles.
        const CXYZW* a = e->org;
        const CXYZW* b = e->dest;
        const CXYZW* c = e->next->dest;
        const CXYZW* dd = e->twin->next->dest;
        if (!(orient(a, dd, c->x, c->y) < 0.0 && orient(c, dd, b->x, b->y) < 0.0))
            continue;

        if (resample)
            flip_resample(e);
        else
            flip(e);
    }
}

void CD3DW::split_inside(CCell* T, CXYZW* p, bool resample)
{
    CXYZW* a = T->vertex[0];
    CXYZW* b = T->vertex[1];
    CXYZW* c = T->vertex[2];
    CEdge* e0 = T->edge[0];
    CEdge* e1 = T->edge[1];
    CEdge* e2 = T->edge[2];

    CEdge* ap = make_pair(a, p);
    CEdge* bp = make_pair(b, p);
    CEdge* cp = make_pair(c, p);
    T->child[0] = make_cell(e0, bp, ap->twin, resample);  // (a, b, p)
    T->child[1] = make_cell(e1, cp, bp->twin, resample);  // (b, c, p)
    T->child[2] = make_cell(e2, ap, cp->twin, resample);  // (c, a, p)
    T->alive = 0;

    push(e0);
    push(e1);
    push(e2);
}

void CD3DW::split_edge(CEdge* e, CXYZW* p, bool resample)
{
    CCell* T = e->face;
    CEdge* e1 = e->next;  // b to c
    CEdge* e2 = e1->next; // c to a
    CEdge* t = e->twin;
    CCell* U = t->face;
    CEdge* t1 = t->next;  // a to d
    CEdge* t2 = t1->next; // d to b
    CXYZW* a = e->org;
    CXYZW* b = e->dest;
    CXYZW* c = e1->dest;
    CXYZW* d = t1->dest;

    CEdge* pa = make_pair(p, a);
    CEdge* pb = make_pair(p, b);
    CEdge* pc = make_pair(p, c);
    CEdge* pd = make_pair(p, d);
    T->child[0] = make_cell(pa->twin, pc, e2, resample);  // (a, p, c)
    T->child[1] = make_cell(pb, e1, pc->twin, resample);  // (p, b, c)
    U->child[0] = make_cell(pb->twin, pd, t2, resample);  // (b, p, d)
    U->child[1] = make_cell(pa, t1, pd->twin, resample);  // (p, a, d)
    T->alive = 0;
    U->alive = 0;
    e->flags |= CEdge::FLAG_EXCLUDED;
    t->flags |= CEdge::FLAG_EXCLUDED;

    push(e1);
    push(e2);
    push(t1);
    push(t2);
}

void CD3DW::flip_edge(CEdge* e, bool resample)
{
    CCell* F = e->face;
    CEdge* e1 = e->next;  // b to c
    CEdge* e2 = e1->next; // c to a
    CEdge* t = e->twin;
    CCell* G = t->face;
    CEdge* t1 = t->next;  // a to d
    CEdge* t2 = t1->next; // d to b
    CXYZW* c = e1->dest;
    CXYZW* d = t1->dest;

    CEdge* dc = make_pair(d, c);
    CCell* X = make_cell(t1, dc, e2, resample);        // (a, d, c)
    CCell* Y = make_cell(dc->twin, t2, e1, resample);  // (c, d, b)
    F->alive = 0;
    G->alive = 0;
    F->child[0] = G->child[0] = X;
    F->child[1] = G->child[1] = Y;
    e->flags |= CEdge::FLAG_EXCLUDED;
    t->flags |= CEdge::FLAG_EXCLUDED;

    push(t1);
    push(t2);
}

void CD3DW::flip(CEdge* e) { flip_edge(e, false); }

void CD3DW::flip_resample(CEdge* e) { flip_edge(e, true); }
