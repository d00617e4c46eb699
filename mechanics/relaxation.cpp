// Boundary relaxation of one cell: a few explicit sweeps in which every
// boundary vertex steps along the spring and pressure forces at its junction,
// taking its welded partners along.
//
// The force of a vertex u with spring constant k and pressure p (half the
// cell's), lo/li its out/in side lengths and n_o/n_i their unit normals:
//   simple    S(u) = k (next - u) + k (prev - u) + p lo n_o + p li n_i
//   weighted  W(u) = k wo (next - u) / lo + k wi (prev - u) / li + p wo n_o + p wi n_i
// The weights scale a welded neighbour's terms to the lengths of v's own
// sides. The step is D(v) = 2 F / (lo + li) / m * 0.0025 with m the damping.
// A division by a zero length gives a zero term.
#include "mechanics/fem_step.h"

#include <algorithm>
#include <cmath>

namespace {

struct Relax {
    double k;  // spring constant
    double p;  // half the pressure
    double m;  // damping
};

bool ringed(const point3D* u)
{
    return u && u->next && u->prev && u->out_edge && u->in_edge && u->out_edge->cell;
}

double over(double a, double b)
{
    return b != 0.0 ? a / b : 0.0;
}

// W(u) with weights wo and wi added into F; S(u) is W(u, lo(u), li(u)).
void add_weighted(const Relax& r, point3D* u, double wo, double wi, double F[2])
{
    const double lo = u->out_edge->getlength(), li = u->in_edge->getlength();
    double no[2], ni[2];
    unit_normal(u->out_edge, no);
    unit_normal(u->in_edge, ni);
    const double next[2] = {u->next->x - u->x, u->next->y - u->y};
    const double prev[2] = {u->prev->x - u->x, u->prev->y - u->y};
    for (int d = 0; d < 2; ++d)
        F[d] += r.k * wo * over(next[d], lo) + r.k * wi * over(prev[d], li) + r.p * wo * no[d] + r.p * wi * ni[d];
}

// The junction force of v: every vertex of its node (v alone without one),
// leaving out the vertices of driven cells.
void junction_force(const Relax& r, point3D* v, bool weighted, double F[2])
{
    F[0] = F[1] = 0.0;
    const double lo = v->out_edge->getlength(), li = v->in_edge->getlength();
    const double lmin = std::min(lo, li);
    auto add = [&](point3D* u) {
        if (!ringed(u) || u->out_edge->cell->driven)
            return;
        if (!weighted) {
            add_weighted(r, u, u->out_edge->getlength(), u->in_edge->getlength(), F);
            return;
        }
        double wo = lo, wi = li;
        if (u != v) {
            wo = u->out_edge->bonded && u->out_edge->partner == v->in_edge ? li : lmin;
            wi = u->in_edge->bonded && u->in_edge->partner == v->out_edge ? lo : lmin;
        }
        add_weighted(r, u, wo, wi, F);
    };
    if (v->node)
        for (point3D* u : v->node->vertices)
            add(u);
    else
        add(v);
}

std::size_t node_size(const point3D* v)
{
    return v->node ? v->node->vertices.size() : 1;
}

}  // namespace

void dbReader::cell_simple_relaxation(cell* c, int)
{
    const Relax r{c->tension, 0.5 * c->pressure, c->mass};
    const bool migration = c->migrate_relax;

    // One sweep: every step from the same positions, then all applied.
    // Returns whether the angle test (when asked) found a sharp or reflex
    // free vertex.
    auto sweep = [&](bool angle_test) {
        bool raised = false;
        for (edge* e : c->sides) {
            point3D* v = e->p1;
            v->relax_displacement[0] = v->relax_displacement[1] = 0.0;
            if (!ringed(v))
                continue;
            const std::size_t n = node_size(v);
            if (angle_test && n == 1) {
                const double angle = v->point_angle();
                if (angle < 30.0 || angle > 180.0)
                    raised = true;
            }
            double F[2];
            junction_force(r, v, !migration || n >= 3, F);
            const double lo = v->out_edge->getlength(), li = v->in_edge->getlength();
            for (int d = 0; d < 2; ++d)
                v->relax_displacement[d] = over(over(2.0 * F[d], lo + li), r.m) * 0.1 * 0.1 * 0.25;
        }
        for (edge* e : c->sides) {
            point3D* v = e->p1;
            v->x += v->relax_displacement[0];
            v->y += v->relax_displacement[1];
            for (point3D* q : v->mp) {
                q->x += v->relax_displacement[0];
                q->y += v->relax_displacement[1];
            }
        }
        return raised;
    };

    bool raised = false;
    for (int s = 0; s < 3; ++s)
        raised = sweep(migration && s == 1) || raised;
    if (migration && raised)
        for (int s = 0; s < 3; ++s)
            sweep(false);
}
