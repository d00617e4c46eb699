// Long-edge split: an edge longer than the band is cut at its midpoint. A
// welded edge is cut together with its partner, and the two new midpoint
// vertices are welded to each other in one new node, so the weld stays
// vertex to vertex. The stretch ends are not touched: the new vertices lie
// strictly inside the stretch.
#include "contact/corrections.h"

using namespace welding;
using namespace corrections;

namespace {

// The adhesion load of a vertex of the weld: a stretch end carries its load
// in the first stretch, any other vertex its own.
double load_of(const mergepair* m, const point3D* v)
{
    if (v == m->S1)
        return m->adhesion_load_S1;
    if (v == m->S2)
        return m->adhesion_load_S2;
    if (v == m->T1)
        return m->adhesion_load_T1;
    if (v == m->T2)
        return m->adhesion_load_T2;
    return v->adhesion_load;
}

// The side `e` of `owner` gives way to first -> mid -> second, appended at
// the end of the side list; the ring runs through mid.
void replace_by_halves(point3D* first, point3D* mid, point3D* second, edge* e0, edge* e1, cell* owner,
                       edge* e)
{
    owner->removeside(e);
    e->in_use = 0;
    first->out_edge = e0;
    mid->in_edge = e0;
    mid->out_edge = e1;
    second->in_edge = e1;
    owner->sides.push_back(e0);
    owner->sides.push_back(e1);
    first->next = mid;
    mid->prev = first;
    mid->next = second;
    second->prev = mid;
}

} // namespace

int dbReader::edge_response_d(edge* e)
{
    if (!edge_sound(e))
        return broken_boundary(*this, e ? e->cell : nullptr);
    // A weld whose contact holds no stretch cannot say what its loads are;
    // the collision stage reports such a contact, the split leaves it.
    if (e->bonded && e->pair->MP.empty())
        return STEP_OK;

    point3D* A = e->p1;
    point3D* B = e->p2;
    cell* X = e->cell;
    X->remesh = 1;
    const Pos mid = midpoint(pos_of(A), pos_of(B));

    if (!e->bonded) {
        point3D* M = new_vertex(*this, mid);
        new_node(*this, M);
        edge* E0 = new_edge(*this, A, M, X);
        edge* E1 = new_edge(*this, M, B, X);
        replace_by_halves(A, M, B, E0, E1, X, e);
        return STEP_OK;
    }

    edge* P = e->partner;
    cell* Y = P->cell;
    point3D* Bp = P->p1;
    point3D* Ap = P->p2;
    interpair* pair = e->pair;
    Y->remesh = 1;

    const mergepair* m0 = pair->MP.front();
    const double loadA = load_of(m0, A), loadB = load_of(m0, B);
    const double loadAp = load_of(m0, Ap), loadBp = load_of(m0, Bp);

    point3D* M = new_vertex(*this, mid);
    point3D* Mp = new_vertex(*this, mid);
    node* N = new_node(*this, nullptr);
    M->adhesion_load = (loadA + loadB) * 0.5;
    Mp->adhesion_load = (loadAp + loadBp) * 0.5;
    M->pushmp(Mp);
    Mp->pushmp(M);

    edge* E0 = new_edge(*this, A, M, X);
    edge* E1 = new_edge(*this, M, B, X);
    edge* E2 = new_edge(*this, Bp, Mp, Y);
    edge* E3 = new_edge(*this, Mp, Ap, Y);
    bond(E0, E3, pair);
    bond(E1, E2, pair);
    replace_by_halves(A, M, B, E0, E1, X, e);
    replace_by_halves(Bp, Mp, Ap, E2, E3, Y, P);

    N->pushvertex(M);
    N->pushvertex(Mp);
    M->node = N;
    Mp->node = N;
    M->in_node = 1;
    Mp->in_node = 1;
    return STEP_OK;
}
