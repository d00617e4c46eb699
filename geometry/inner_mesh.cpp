// Inner mesh of a cell.
//
// The boundary vertices of one cell are triangulated with CD3DW; the
// refinement then inserts, one per pass, the power centre of the largest
// triangle inside the cell (class by class: triangles of three boundary
// vertices first, then two, one, none) until no triangle inside the cell
// whose centre lies in the cell is larger than 1.9 h. The triangles judged
// inside become the cell's mesh, the inserted points its interior points, and
// each ear of the boundary gets a slip point at its centroid.
#include <QApplication>
#include <QProgressDialog>

#include <algorithm>
#include <unordered_set>

#include "geometry/cd3dw.h"
#include "model/stage_progress.h"
#include "model/dbreader.h"

namespace {

// The mesh spacing: pi squared, pi written 3.14159265.
constexpr double kMeshSpacing = 9.869604378534024;

bool is_boundary(const point3D* p) { return p && p->boundary == 1; }

// Whether (x, y) lies strictly on the outer side of e.
bool outer_side(edge* e, double x, double y) { return e && e->judge_vert_out_side(x, y); }

// A pair of corners passes when P and Q are ring neighbours and the third
// corner R is not on the outer side of the side between them.
bool pair_passes(const point3D* P, const point3D* Q, const point3D* R)
{
    if (P->next == Q && !outer_side(P->out_edge, R->x, R->y))
        return true;
    if (P->prev == Q && !outer_side(P->in_edge, R->x, R->y))
        return true;
    return false;
}

// Triangle class: 1 for three boundary corners down to 4 for none; 0 when a
// corner carries no tissue point (a bounding vertex).
int triangle_class(const CCell* t, point3D* P[3])
{
    int boundary = 0;
    for (int i = 0; i < 3; ++i) {
        P[i] = t->vertex[i]->point;
        if (!P[i])
            return 0;
        boundary += is_boundary(P[i]);
    }
    return 4 - boundary;
}

bool judged_inside(int cls, point3D* P[3])
{
    switch (cls) {
    case 1:
        return pair_passes(P[0], P[1], P[2]) || pair_passes(P[0], P[2], P[1]) ||
               pair_passes(P[1], P[2], P[0]);
    case 2: {
        // The two boundary corners, earlier one first in corner order.
        int k[2], m = 0, r = 0;
        for (int i = 0; i < 3; ++i) {
            if (is_boundary(P[i]))
                k[m++] = i;
            else
                r = i;
        }
        return pair_passes(P[k[0]], P[k[1]], P[r]);
    }
    case 3:
    case 4:
        return true;
    default:
        return false;
    }
}

void kill_bounding_triangles(CD3DW* d)
{
    for (CCell* t : d->cells)
        if (t->has_bounding_vertex())
            t->alive = 0;
}

// The centre test of the debug refinement: not on the outer side of any side
// met walking the ring from `start`, stopping before the side back to it.
bool inside_by_ring_walk(point3D* start, double x, double y, size_t ring_length)
{
    if (!is_boundary(start))
        return false;
    point3D* v = start;
    for (size_t k = 0; k < ring_length && v && v->next != start; ++k) {
        if (outer_side(v->out_edge, x, y))
            return false;
        v = v->next;
    }
    return true;
}

}  // namespace

bool CCell::inside_complex()
{
    point3D* P0 = vertex[0]->point;
    point3D* P1 = vertex[1]->point;
    point3D* P2 = vertex[2]->point;
    // A corner without a tissue point is a bounding vertex: never inside.
    if (!P0 || !P1 || !P2)
        return false;
    if (!is_boundary(P0) || !is_boundary(P1) || !is_boundary(P2))
        return true;
    if (outer_side(P0->out_edge, (P1->x + P2->x) / 2.0, (P1->y + P2->y) / 2.0))
        return false;
    if (outer_side(P1->out_edge, (P2->x + P0->x) / 2.0, (P2->y + P0->y) / 2.0))
        return false;
    if (outer_side(P2->out_edge, (P0->x + P1->x) / 2.0, (P0->y + P1->y) / 2.0))
        return false;
    return true;
}

void CD3DW::add_interior(double h) { refine(h, 1.9, 100, false); }

void CD3DW::add_interior_debug(double h) { refine(h, 1.6, 3, true); }

void CD3DW::refine(double h, double threshold, int max_points, bool debug)
{
    kill_bounding_triangles(this);

    // The tissue cell being meshed: the owner of any boundary vertex.
    cell* tissue = nullptr;
    for (CXYZW* v : vertices) {
        if (is_boundary(v->point) && v->point->out_edge) {
            tissue = v->point->out_edge->cell;
            break;
        }
    }
    const size_t ring_length = tissue ? tissue->sides.size() : 0;

    // Triangles whose centre the triangulation refused (it coincides with a
    // vertex); choosing them again would never end.
    std::unordered_set<const CCell*> refused;

    int n = 0;
    while (n < max_points) {
        double best[5] = {-10000.0, -10000.0, -10000.0, -10000.0, -10000.0};
        CCell* best_cell[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
        for (CCell* t : cells) {
            if (!t->alive)
                continue;
            point3D* P[3];
            const int cls = triangle_class(t, P);
            if (!judged_inside(cls, P))
                continue;
            t->outside = 0;
            if (!tissue || refused.count(t))
                continue;

            bool centre_inside;
            if (!debug) {
                centre_inside = tissue->test_point_inside(t->center_x, t->center_y);
            } else {
                point3D* start = nullptr;
                if (cls == 4)
                    start = vertices.size() > 3 ? vertices[3]->point : nullptr;
                else
                    for (int i = 0; i < 3 && !start; ++i)
                        if (is_boundary(P[i]))
                            start = P[i];
                centre_inside = inside_by_ring_walk(start, t->center_x, t->center_y, ring_length);
            }
            if (centre_inside && t->radius2 > best[cls] && t->radius2 / h > threshold) {
                best[cls] = t->radius2;
                best_cell[cls] = t;
            }
        }

        CCell* chosen = nullptr;
        for (int cls = 1; cls <= 4 && !chosen; ++cls)
            chosen = best_cell[cls];
        if (!chosen)
            break;

        point3D* p = new point3D(n, chosen->center_x, chosen->center_y);
        p->boundary = 0;
        const size_t before = vertices.size();
        add_resample(chosen->center_x, chosen->center_y, h, n, p);
        if (vertices.size() == before) {
            delete p;
            refused.insert(chosen);
            continue;
        }
        ++n;
        kill_bounding_triangles(this);
    }

    for (CCell* t : cells)
        if (t->alive && t->inside_complex())
            t->outside = 0;
}

void dbReader::cell_interior_resample(cell* c, int step)
{
    // 1. The box of the boundary, whose vertices lose their per-step marks.
    double min_x = 1e12, min_y = 1e12, max_x = -1e12, max_y = -1e12;
    for (edge* side : c->sides) {
        point3D* p = side->p1;
        p->migrate_mark = 0;
        p->adhesion_force[0] = 0.0;
        p->adhesion_force[1] = 0.0;
        min_x = std::min(min_x, p->x);
        min_y = std::min(min_y, p->y);
        max_x = std::max(max_x, p->x);
        max_y = std::max(max_y, p->y);
    }
    double rect[4] = {min_x - 1000.0, min_y - 1000.0, max_x + 1000.0, max_y + 1000.0};

    // 2. Triangulate the boundary vertices in ring order.
    CD3DW* d = new CD3DW(rect);
    for (size_t i = 0; i < c->sides.size(); ++i) {
        point3D* p = c->sides[i]->p1;
        p->clear_inner_at();
        d->add_resample(p->x, p->y, kMeshSpacing, int(i) + 1, p);
    }
    // Boundary vertices that coincide with an earlier one are not in the
    // triangulation; the interior points follow the ones that are.
    const size_t boundary_count = d->vertices.size();

    // 3. Refine.
    d->add_interior(kMeshSpacing);

    // 4. The old mesh goes.
    c->clear_inner_t();
    c->clear_inner_p();
    c->clear_inner_p_slip();

    // 5. Triangles inside the cell, with a slip point for every ear.
    int t = 0;
    int s = 0;
    for (CCell* k : d->cells) {
        if (!k->alive || k->outside != 0)
            continue;
        point3D* P0 = k->vertex[0]->point;
        point3D* P1 = k->vertex[1]->point;
        point3D* P2 = k->vertex[2]->point;
        if (!P0 || !P1 || !P2)
            continue;
        triangle* tri = new triangle(t, P0, P1, P2);
        tri->radius2 = k->radius2;
        tri->center_x = k->center_x;
        tri->center_y = k->center_y;
        tri->mu = c->mu;
        tri->lambda = c->lambda;
        c->inner_t.push_back(tri);
        P0->inner_at.push_back(tri);
        P1->inner_at.push_back(tri);
        P2->inner_at.push_back(tri);
        ++t;

        if (is_boundary(P0) && is_boundary(P1) && is_boundary(P2)) {
            // Three consecutive ring vertices in any order: X -> Y -> Z.
            point3D* Q[3] = {P0, P1, P2};
            bool ear = false;
            for (int x = 0; x < 3 && !ear; ++x)
                for (int y = 0; y < 3 && !ear; ++y)
                    if (y != x && Q[x]->next == Q[y] && Q[y]->next == Q[3 - x - y])
                        ear = true;
            if (ear) {
                point3D* slip = new point3D(s, (P0->x + P1->x + P2->x) / 3.0, (P0->y + P1->y + P2->y) / 3.0);
                slip->boundary = 0;
                slip->cell = c;
                c->inner_p_slip.push_back(slip);
                tri->ear = 1;
                ++s;
            }
        }
    }

    // 6. The inserted points become the cell's interior points.
    for (size_t i = boundary_count; i < d->vertices.size(); ++i) {
        point3D* p = d->vertices[i]->point;
        p->cell = c;
        p->deep_inner = 1;
        for (triangle* tri : p->inner_at)
            if (is_boundary(tri->a) || is_boundary(tri->b) || is_boundary(tri->c))
                p->deep_inner = 0;
        c->inner_p.push_back(p);
    }
    c->inner_p_count = int(c->inner_p.size());

    // 7. The triangulation goes; its payload points now belong to the cell.
    delete d;
    c->remesh = 0;
}

void dbReader::cell_mesh_generation(int step)
{
    QProgressDialog progress;
    showStageProgress(progress, QCoreApplication::translate("dbReader", "Simulation: mesh"),
                      QCoreApplication::translate("dbReader", "Refresh cell inner-triangulation..."), int(cells.size()));

    StageTicker ticker(progress);
    for (size_t i = 0; i < cells.size(); ++i) {
        ticker.advance(int(i));
        cell* c = cells[i];
        if (c->dead)
            continue;
        cell_interior_resample(c, step);
        c->remesh = 0;
        c->refresh_AABB();
        if (c->migrate_responded == 1)
            c->migrate_responded = 0;
    }

    progress.setValue(progress.maximum());
    qApp->processEvents();
    progress.close();
}
