#include "model/disc_ring.h"

#include "model/dbreader.h"

#include <cmath>

void append_disc_ring(dbReader& engine, cell* c, double cx, double cy, double radius)
{
    const int base = static_cast<int>(engine.points.size());
    for (int j = 0; j < DISC_RING_VERTICES; ++j) {
        // The first vertex sits exactly on the x axis of the centre, so the
        // rightmost vertex carries no rounding of cos(0) and sin(0).
        const double theta = j * 0.314159265;
        const double x = j == 0 ? cx + radius : cx + radius * std::cos(theta);
        const double y = j == 0 ? cy : cy + radius * std::sin(theta);
        engine.points.push_back(new point3D(base + j, x, y));
    }
    for (int j = 0; j < DISC_RING_VERTICES; ++j) {
        point3D* p1 = engine.points[base + j];
        point3D* p2 = engine.points[base + (j + 1) % DISC_RING_VERTICES];
        auto* e = new edge(static_cast<int>(engine.edges.size()), p1, p2, c);
        e->normal[0] = p2->y - p1->y;
        e->normal[1] = p1->x - p2->x;
        e->in_use = 1;
        engine.edges.push_back(e);
        c->sides.push_back(e);
        p1->out_edge = e;
        p2->in_edge = e;
        p1->next = p2;
        p2->prev = p1;
    }
    // The nodes come last, after the ring's vertices and sides: allocated
    // between the vertices they would spread the ring that every walk
    // follows over more memory.
    for (int j = 0; j < DISC_RING_VERTICES; ++j) {
        point3D* p = engine.points[base + j];
        auto* n = new node(static_cast<int>(engine.nodes.size()));
        engine.nodes.push_back(n);
        n->pushvertex(p);
        p->node = n;
        p->in_node = 1;
    }
    c->AABB_xmin = engine.points[base + 10];
    c->AABB_ymin = engine.points[base + 15];
    c->AABB_xmax = engine.points[base];
    c->AABB_ymax = engine.points[base + 5];
}
