// The small operations shared by the boundary corrections.
#include "contact/corrections.h"

#include <QString>

namespace corrections {

int broken_boundary(dbReader& db, const cell* c)
{
    const int id = c ? c->id : 0;
    db.message = QString("ERROR: the boundary of cell %1 is broken!").arg(id);
    return id;
}

bool edge_sound(const edge* e)
{
    if (!e || !e->p1 || !e->p2 || !e->cell)
        return false;
    if (e->p1->out_edge != e || e->p2->in_edge != e || e->p1->next != e->p2 || e->p2->prev != e->p1)
        return false;
    if (e->bonded) {
        const edge* f = e->partner;
        if (!f || f->partner != e || !e->pair || !f->p1 || !f->p2 || !f->cell)
            return false;
    }
    return true;
}

bool vertex_sound(const point3D* v)
{
    return v && edge_sound(v->in_edge) && edge_sound(v->out_edge);
}

void replace_end(mergepair* m, const point3D* from, point3D* to)
{
    if (m->S1 == from)
        m->S1 = to;
    if (m->S2 == from)
        m->S2 = to;
    if (m->T1 == from)
        m->T1 = to;
    if (m->T2 == from)
        m->T2 = to;
}

interpair* weld_point(dbReader& db, cell* F, cell* G, point3D* u, point3D* w, bool anyPair)
{
    interpair* p = anyPair ? welding::find_any_pair(F, G) : welding::find_pair(F, G);
    if (!p) {
        p = welding::new_pair(db, F, G);
        p->MP.push_back(new mergepair(0, u, u, w, w));
    } else if (p->MP.empty()) {
        if (p->cell1 == F)
            p->MP.push_back(new mergepair(0, u, u, w, w));
        else
            p->MP.push_back(new mergepair(0, w, w, u, u));
    }
    return p;
}

node* new_node(dbReader& db, point3D* p)
{
    auto* n = new node(static_cast<int>(db.nodes.size()));
    db.nodes.push_back(n);
    if (p) {
        n->pushvertex(p);
        p->node = n;
        p->in_node = 1;
    }
    return n;
}

point3D* sharpest(const node* n)
{
    point3D* best = nullptr;
    double angle = 0.0;
    for (point3D* v : n->vertices) {
        if (!v || !v->next || !v->prev)
            continue;
        const double a = v->point_angle();
        if (!best || a < angle) {
            best = v;
            angle = a;
        }
    }
    return best;
}

bool fully_welded(const point3D* v)
{
    return v->in_edge && v->out_edge && v->in_edge->bonded && v->out_edge->bonded;
}

void remesh_now(dbReader& db, cell* c)
{
    if (c && !c->dead)
        db.cell_interior_resample(c, 0);
}

bool ring_reaches(const point3D* from, const point3D* to)
{
    const int bound = welding::ring_bound(welding::cell_of(from));
    const point3D* v = from;
    for (int k = 0; v && k <= bound; ++k) {
        v = v->next;
        if (v == to)
            return true;
    }
    return false;
}

bool pinches_a_cell(const std::vector<point3D*>& LA, const std::vector<point3D*>& LB, const point3D* skip)
{
    for (const point3D* a : LA)
        for (const point3D* b : LB)
            if (a != b && a != skip && b != skip && welding::cell_of(a) && welding::cell_of(a) == welding::cell_of(b))
                return true;
    return false;
}

} // namespace corrections
