// Unwelding responses: what the adhesion breakage of a mechanics step decided
// happens to the welds. An unwelded edge comes apart at the ends of its
// stretch, a short junction edge collapses into the junction, a single welded
// point lets go, a junction vertex leaves the junction. Each response edits
// merge partners, nodes, bonds and stretches, moves the freed vertices by
// their line tension and leaves a separation push for the next step.
//
// Lists of one step may name records that an earlier response changed, so
// each response tests its preconditions first and does nothing when they fail.
// A response that meets a contact without a stretch returns its failure
// (the pair's first cell) before anything is half undone where it can, and
// the step ends with it.
#include "contact/corrections.h"
#include "mechanics/response_blocks.h"

using namespace response;

namespace {

// The longest edge the collapse leaves unsplit, and the radius within which
// the junction's neighbours must lie for a collapse beside a further junction.
constexpr double kCollapseReach = 5.654866770000001;

// A front end on `gone` moves to `heir`, the vertex that takes its place.
void keep_front_on_ring(cell* c, const point3D* gone, point3D* heir)
{
    if (c->front_first == gone)
        c->front_first = heir;
    if (c->front_last == gone)
        c->front_last = heir;
}

double distance(const double m[2], const point3D* v)
{
    return std::hypot(v->x - m[0], v->y - m[1]);
}

// Whether e is still a side of a live cell: an earlier response of the same
// step may have taken it off its ring (a collapse, a split).
bool current(const edge* e)
{
    return e && e->in_use && e->p1 && e->p2 && e->p1->alive && e->p1->out_edge == e && e->cell && !e->cell->dead;
}

// Whether v lies on a live ring with both edges attached.
bool on_ring(const point3D* v)
{
    return v && v->alive && v->node && v->next && v->prev && v->out_edge && v->in_edge &&
           v->out_edge->p1 == v && v->in_edge->p2 == v && v->out_edge->cell;
}

// The first stretch of the pair of cells x and y found in x's pairs (removed
// ones included) goes. -1 when done or when no such pair exists; the pair's
// first cell when it has no stretch.
int remove_first_stretch_of(dbReader& db, cell* x, cell* y)
{
    interpair* q = welding::find_any_pair(x, y);
    if (!q)
        return dbReader::STEP_OK;
    int r = dbReader::STEP_OK;
    mergepair* m = stretch_or_fail(db, q, &r);
    if (m)
        q->remove_MP(m);
    return r;
}

// Release of one end of an unwelded edge: `own` (on cell `ownCell`) lets go of
// `facing`. When the ring of `own` goes on welded beyond the end (ownGoesOn),
// `facing` stays in the junction with the third cell and `own` leaves; when
// the ring of `facing` goes on welded (facingGoesOn), the other way round.
// `third` is the third cell's vertex at the junction. Both going on: the end
// stays welded.
int release_end(dbReader& db, point3D* own, point3D* facing, bool ownGoesOn, bool facingGoesOn,
                point3D* thirdOfFacing, point3D* thirdOfOwn)
{
    if (ownGoesOn && facingGoesOn)
        return dbReader::STEP_OK;
    if (!ownGoesOn && !facingGoesOn) {
        unweld(own, facing);
        db.node_remove_0(facing);
        return dbReader::STEP_OK;
    }
    if (facingGoesOn) {
        // The facing vertex stays welded to the third cell, `own` leaves both.
        point3D* Z = thirdOfFacing;
        unweld(own, facing);
        unweld(own, Z);
        const int r = remove_first_stretch_of(db, cell_of(own), cell_of(Z));
        db.node_remove_0(own);
        return r;
    }
    point3D* Z = thirdOfOwn;
    unweld(own, facing);
    unweld(facing, Z);
    const int r = remove_first_stretch_of(db, cell_of(facing), cell_of(Z));
    db.node_remove_0(facing);
    return r;
}

// The stretch end at p moves to `own` (on p's cell) and the end welded to it
// to `facing`, taking their loads; a stretch left as one point takes the
// loads of its other end. `atEnd`: p ends the stretch on its cell (S2 or
// T2), else it starts it (S1 or T1).
void move_stretch_end(mergepair* m, point3D* p, point3D* own, point3D* facing, bool atEnd)
{
    if (atEnd) {
        // p ends the stretch on its cell (S2 or T2).
        if (m->S2 == p) {
            m->S2 = own;
            m->T1 = facing;
            if (m->S1 == own) {
                m->adhesion_load_S2 = m->adhesion_load_S1;
                m->adhesion_load_T1 = m->adhesion_load_T2;
            } else {
                m->adhesion_load_S2 = own->adhesion_load;
                m->adhesion_load_T1 = facing->adhesion_load;
            }
        } else if (m->T2 == p) {
            m->T2 = own;
            m->S1 = facing;
            if (m->T1 == own) {
                m->adhesion_load_T2 = m->adhesion_load_T1;
                m->adhesion_load_S1 = m->adhesion_load_S2;
            } else {
                m->adhesion_load_T2 = own->adhesion_load;
                m->adhesion_load_S1 = facing->adhesion_load;
            }
        }
        return;
    }
    // p starts the stretch on its cell (S1 or T1).
    if (m->S1 == p) {
        m->S1 = own;
        m->T2 = facing;
        if (m->S2 == own) {
            m->adhesion_load_S1 = m->adhesion_load_S2;
            m->adhesion_load_T2 = m->adhesion_load_T1;
        } else {
            m->adhesion_load_S1 = own->adhesion_load;
            m->adhesion_load_T2 = facing->adhesion_load;
        }
    } else if (m->T1 == p) {
        m->T1 = own;
        m->S2 = facing;
        if (m->T2 == own) {
            m->adhesion_load_T1 = m->adhesion_load_T2;
            m->adhesion_load_S2 = m->adhesion_load_S1;
        } else {
            m->adhesion_load_T1 = own->adhesion_load;
            m->adhesion_load_S2 = facing->adhesion_load;
        }
    }
}

// Z (on X) and V (another cell) now meet at one point: the contact of X and
// V's cell holds exactly that single welded point as its first stretch.
void weld_single_point(dbReader& db, cell* X, point3D* Z, point3D* V)
{
    cell* Vc = V->in_edge ? V->in_edge->cell : nullptr;
    if (!Vc || Vc == X)
        return;
    interpair* q = welding::find_any_pair(X, Vc);
    if (!q) {
        q = welding::new_pair(db, X, Vc);
        q->MP.push_back(new mergepair(0, Z, Z, V, V));
        return;
    }
    const bool xFirst = q->cell1 == X;
    point3D* s = xFirst ? Z : V;
    point3D* t = xFirst ? V : Z;
    if (q->MP.empty()) {
        q->MP.push_back(new mergepair(0, s, s, t, t));
        return;
    }
    mergepair* m = q->MP[0];
    m->S1 = m->S2 = s;
    m->T1 = m->T2 = t;
}

}  // namespace

int dbReader::edge_response_b0(edge* e)
{
    if (!current(e) || !e->bonded)
        return STEP_OK;
    edge* f = e->partner;
    if (!corrections::edge_sound(e) || !corrections::edge_sound(f) || !corrections::vertex_sound(e->p1) ||
        !corrections::vertex_sound(e->p2) || !corrections::vertex_sound(f->p1) || !corrections::vertex_sound(f->p2))
        return corrections::broken_boundary(*this, e->cell);
    interpair* pr = e->pair;
    int r = STEP_OK;
    mergepair* m = stretch_or_fail(*this, pr, &r);
    if (!m)
        return r;

    point3D* A1 = e->p1;
    point3D* A2 = e->p2;
    point3D* B1 = f->p1;
    point3D* B2 = f->p2;
    const double k = pr->adhesion / 20.0;

    const bool goesOn = A2->out_edge->bonded && B1->in_edge->bonded;
    const bool whole = !goesOn && ((m->S1 == A1 && m->S2 == A2) || (m->T1 == A1 && m->T2 == A2));

    // Entry positions, for the tension moves.
    double toA1[2], toA2[2], toB1[2], toB2[2];
    tension_target(A1, toA1);
    tension_target(A2, toA2);
    tension_target(B1, toB1);
    tension_target(B2, toB2);

    // The A1/B2 end. A bonded edge beyond it is welded to a third cell.
    {
        const bool a = A1->in_edge->bonded;
        const bool b = B2->out_edge->bonded;
        point3D* ZofB2 = b ? B2->out_edge->partner->p2 : nullptr;
        point3D* ZofA1 = a ? A1->in_edge->partner->p1 : nullptr;
        if ((r = release_end(*this, A1, B2, a, b, ZofB2, ZofA1)) != STEP_OK)
            return r;
    }
    if (whole) {
        // The A2/B1 end.
        const bool c = A2->out_edge->bonded;
        const bool d = B1->in_edge->bonded;
        point3D* ZofB1 = d ? B1->in_edge->partner->p1 : nullptr;
        point3D* ZofA2 = c ? A2->out_edge->partner->p2 : nullptr;
        if ((r = release_end(*this, A2, B1, c, d, ZofB1, ZofA2)) != STEP_OK)
            return r;
    } else {
        // The stretch now starts one vertex further on.
        if (m->S1 == A1) {
            m->S1 = A2;
            m->T2 = B1;
            m->adhesion_load_S1 = A2->adhesion_load;
            m->adhesion_load_T2 = B1->adhesion_load;
        }
        if (m->T1 == A1) {
            m->T1 = A2;
            m->S2 = B1;
            m->adhesion_load_T1 = A2->adhesion_load;
            m->adhesion_load_S2 = B1->adhesion_load;
        }
    }

    // The pair stays, also without a stretch: the contact stage decides on it.
    e->bonded = 0;
    e->partner = nullptr;
    f->bonded = 0;
    f->partner = nullptr;
    if (whole)
        pr->remove_MP(m);

    move_with_partners(A1, toA1);
    if (whole) {
        move_with_partners(A2, toA2);
        move_with_partners(B1, toB1);
    }
    move_with_partners(B2, toB2);

    // The freed sides are pushed apart across e, into cell A and into cell B.
    double n[2];
    unit(e->getnormal(0), e->getnormal(1), n);
    const double d[2] = {-k * n[0], -k * n[1]};
    for (int i = 0; i < 2; ++i) {
        A1->separation_force[i] += d[i];
        B2->separation_force[i] -= d[i];
        if (whole) {
            A2->separation_force[i] += d[i];
            B1->separation_force[i] -= d[i];
        }
    }
    return STEP_OK;
}

int dbReader::edge_response_b1(edge* e)
{
    if (!current(e) || !e->bonded)
        return STEP_OK;
    point3D* P = e->p1;
    point3D* Q = e->p2;
    if (P->next != Q || Q->prev != P || !P->alive || !Q->alive || !P->in_edge || !P->in_edge->bonded)
        return STEP_OK;
    edge* f = e->partner;
    edge* Pin = P->in_edge;
    if (!corrections::edge_sound(e) || !corrections::edge_sound(f) || !corrections::edge_sound(Pin) ||
        !corrections::vertex_sound(f->p2))
        return corrections::broken_boundary(*this, e->cell);
    point3D* S = f->p1;
    point3D* R = f->p2;
    edge* Rout = R->out_edge;
    interpair* pr = e->pair;
    cell* A = e->cell;
    cell* B = f->cell;

    if (!Rout->bonded)
        return edge_response_b0(e);

    int r = STEP_OK;
    mergepair* mpr = stretch_or_fail(*this, pr, &r);
    if (!mpr)
        return r;

    cell* X = Pin->partner->cell;
    cell* Y = Rout->partner->cell;
    if (X != Y) {
        // Four cells meet at P: the weld there is only loosened.
        if (mpr->S1 == P) {
            mpr->adhesion_load_S1 *= 0.5;
            mpr->adhesion_load_T2 *= 0.5;
        }
        return STEP_OK;
    }

    // Three cells meet at P and R; X's vertex there is Z.
    point3D* Z = Pin->partner->p1;
    interpair* pPX = Pin->pair;
    interpair* pRX = Rout->pair;
    const double M[2] = {0.5 * (P->x + Q->x), 0.5 * (P->y + Q->y)};
    const std::size_t n = Q->mp.size();
    if (n == 0)
        return STEP_OK;
    if (n >= 2) {
        point3D* W = nullptr;
        for (point3D* v : Q->mp)
            if (v != S && v != Q) {
                W = v;
                break;
            }
        if (!W)
            return STEP_OK;
        cell* Wc = cell_of(W);
        for (interpair* q : X->pairs)
            if (q && !q->removed && !q->MP.empty() &&
                ((q->cell1 == X && q->cell2 == Wc) || (q->cell1 == Wc && q->cell2 == X)))
                return STEP_OK;
        if (!on_ring(P->prev) || !on_ring(Q->next) || !on_ring(R->next) || !on_ring(S->prev))
            return corrections::broken_boundary(*this, A);
        if (!(distance(M, P->prev) < kCollapseReach && distance(M, Q->next) < kCollapseReach &&
              distance(M, R->next) < kCollapseReach && distance(M, S->prev) < kCollapseReach))
            return STEP_OK;
    }
    // A collapse takes one side from A and one from B; a triangle keeps its sides.
    if (A->sides.size() < 4 || B->sides.size() < 4)
        return STEP_OK;
    // Every stretch the collapse moves must exist before anything changes.
    if (pPX->MP.empty())
        return empty_pair(*this, pPX, "is");
    if (pRX->MP.empty())
        return empty_pair(*this, pRX);

    // Unlinking: P and R leave the rings and the junction.
    point3D* Pp = P->prev;
    point3D* Rn = R->next;
    for (point3D* v : {P, R})
        for (point3D* q : std::vector<point3D*>(v->mp))
            unweld(v, q);
    node_remove_1(P);
    node_remove_1(R);
    // P and R merge into Q and S: a leading front ending on one of them ends
    // there instead, or the migrating cell's front would name a vertex off
    // its ring.
    keep_front_on_ring(A, P, Q);
    keep_front_on_ring(B, R, S);
    Pp->next = Q;
    Q->prev = Pp;
    e->p1 = Pp;
    A->removeside(Pin);
    Pp->out_edge = e;
    Rn->prev = S;
    S->next = Rn;
    f->p2 = Rn;
    B->removeside(Rout);
    Rn->in_edge = f;

    // Re-welding: e and f take over the welds of the edges that went.
    edge* Zout = Pin->partner;
    edge* Zin = Rout->partner;
    for (edge* gone : {Pin, Rout}) {
        gone->bonded = 0;
        gone->partner = nullptr;
        gone->pair = nullptr;
        gone->in_use = 0;
    }
    e->partner = Zout;
    Zout->partner = e;
    f->partner = Zin;
    Zin->partner = f;
    e->pair = pPX;
    f->pair = pRX;
    weld(Z, Q);
    weld(Z, S);
    node_merge(Z, Q);

    // The stretch of A and B starts at Q/S instead of P/R.
    move_stretch_end(mpr, P, Q, S, false);
    // The stretches with X end at Q and start at S.
    mergepair* m = pPX->MP[0];
    if (m->S2 == P) {
        m->S2 = Q;
        m->adhesion_load_S2 = m->adhesion_load_T1 = 0.0;
    }
    if (m->T2 == P) {
        m->T2 = Q;
        m->adhesion_load_T2 = m->adhesion_load_S1 = 0.0;
    }
    m = pRX->MP[0];
    if (m->S1 == R) {
        m->S1 = S;
        m->adhesion_load_S1 = m->adhesion_load_T2 = 0.0;
    }
    if (m->T1 == R) {
        m->T1 = S;
        m->adhesion_load_T1 = m->adhesion_load_S2 = 0.0;
    }

    Q->x = M[0];
    Q->y = M[1];
    const std::vector<point3D*> around(Q->mp);
    const bool junction = around.size() >= 3;
    if (!junction) {
        for (point3D* v : {S, Z}) {
            v->x = M[0];
            v->y = M[1];
        }
    } else {
        // Every cell at Q now meets X at one point.
        for (point3D* V : around) {
            V->x = M[0];
            V->y = M[1];
            if (V == Z || V == S)
                continue;
            weld(Z, V);
            weld_single_point(*this, X, Z, V);
        }
    }

    // Sides grown too long by the collapse are split.
    for (int i = 0; i < 4; ++i) {
        edge* s = i == 0 ? Q->out_edge : i == 1 ? Q->in_edge : i == 2 ? S->out_edge : S->in_edge;
        if (s && s->getlength() > kCollapseReach && failed(r = edge_response_d(s)))
            return r;
    }
    if (junction && Q->node) {
        point3D* V = corrections::sharpest(Q->node);
        if (V && failed(r = pick_correction(V))) {
            message = "ERROR: pick correction collapsed!";
            return r;
        }
    }
    return STEP_OK;
}

int dbReader::point_response_b0(point3D* p)
{
    if (!on_ring(p))
        return STEP_OK;
    cell* A = cell_of(p);
    double to[2];

    if (p->mp.size() == 1) {
        point3D* q = p->mp[0];
        if (!on_ring(q))
            return corrections::broken_boundary(*this, cell_of(q) ? cell_of(q) : A);
        cell* Qc = cell_of(q);
        interpair* pair = welding::find_any_pair(A, Qc);
        if (pair && pair->MP.empty()) {
            message = QString("ERROR: pair between cells %1 and %2 was empty!").arg(A->id).arg(Qc->id);
            return A->id;
        }
        unweld(p, q);
        node_remove_0(q);
        double up[2], uq[2];
        vertex_outward(p, up);
        vertex_outward(q, uq);
        tension_target(p, to);
        p->x = to[0];
        p->y = to[1];
        tension_target(q, to);
        q->x = to[0];
        q->y = to[1];
        if (!pair)
            return STEP_OK;
        const double k = pair->adhesion / 20.0;
        for (int i = 0; i < 2; ++i) {
            p->separation_force[i] = -k * up[i];
            q->separation_force[i] = -k * uq[i];
        }
        pair->remove_MP(pair->MP[0]);
        return STEP_OK;
    }

    // No partner, or a junction: p leaves all of them.
    const std::vector<point3D*> partners(p->mp);
    for (point3D* v : partners)
        if (!on_ring(v))
            return corrections::broken_boundary(*this, cell_of(v) ? cell_of(v) : A);
    // Every contact to be shortened must have a stretch before p lets go.
    for (point3D* v : partners) {
        interpair* q = welding::find_pair(cell_of(v), A);
        if (q && q->MP.empty()) {
            message = QString("ERROR: pair between cells %1 and %2 was empty!").arg(cell_of(v)->id).arg(A->id);
            return cell_of(v)->id;
        }
    }
    for (point3D* v : partners)
        v->removemp(p);
    p->clearmp();
    node_remove_0(p);
    double up[2];
    vertex_outward(p, up);
    tension_target(p, to);
    p->x = to[0];
    p->y = to[1];
    double k = 0.0;
    for (point3D* v : partners) {
        interpair* q = welding::find_pair(cell_of(v), A);
        if (!q || q->MP.empty())
            continue;
        k = q->adhesion / 20.0;
        double uv[2];
        vertex_outward(v, uv);
        v->separation_force[0] = -k * uv[0];
        v->separation_force[1] = -k * uv[1];
        q->remove_MP(q->MP[0]);
    }
    p->separation_force[0] = -k * up[0];
    p->separation_force[1] = -k * up[1];
    return STEP_OK;
}

int dbReader::point_response_b1(point3D* p)
{
    if (!p || !p->alive || !p->in_edge || !p->out_edge)
        return STEP_OK;
    edge* in = p->in_edge;
    int r = STEP_OK;
    if (p->out_edge->bonded && failed(r = edge_response_b0(p->out_edge)))
        return r;
    if (in->bonded && in->partner)
        return edge_response_b0(in->partner);
    return STEP_OK;
}

int dbReader::point_response_b2(point3D* p)
{
    if (!p || !p->alive || !p->in_edge || !p->out_edge)
        return STEP_OK;
    edge* ein = p->in_edge;
    edge* eout = p->out_edge;
    if (!ein->bonded)
        return eout->bonded ? edge_response_b0(eout) : STEP_OK;
    if (!eout->bonded)
        return ein->partner ? edge_response_b0(ein->partner) : STEP_OK;
    interpair* pin = ein->pair;
    interpair* pout = eout->pair;
    if (pin == pout)
        return STEP_OK;

    // p sits at a junction of its two welds with cells X and Y.
    if (!on_ring(p) || !corrections::edge_sound(ein) || !corrections::edge_sound(eout) ||
        !corrections::edge_sound(ein->partner) || !corrections::edge_sound(eout->partner))
        return corrections::broken_boundary(*this, cell_of(p));
    point3D* V1 = ein->partner->p1;
    point3D* V2 = eout->partner->p2;
    point3D* prev = p->prev;
    point3D* next = p->next;
    if (!on_ring(V1) || !on_ring(V2))
        return corrections::broken_boundary(*this, cell_of(p));
    if (pin->MP.empty())
        return empty_pair(*this, pin);
    if (pout->MP.empty())
        return empty_pair(*this, pout);

    // Both welds end one vertex short of p.
    move_stretch_end(pin->MP[0], p, prev, V1->next, true);
    welding::unbond(ein);
    move_stretch_end(pout->MP[0], p, next, V2->prev, false);
    welding::unbond(eout);

    // X and Y touching only at this point let go of each other too.
    if (!V1->in_edge->bonded && !V2->out_edge->bonded) {
        cell* X = V1->in_edge->cell;
        cell* Y = V2->out_edge->cell;
        interpair* q = welding::find_any_pair(X, Y);
        if (q && !q->MP.empty()) {
            mergepair* m = q->MP[0];
            unweld(m->S1, m->T1);
            node_remove_0(q->cell1 == X ? m->S1 : m->T1);
            q->remove_MP(m);
        }
    }

    const double k = pin->adhesion / 20.0;
    double u[2];
    unit(0.5 * (ein->getnormal(0) + eout->getnormal(0)), 0.5 * (ein->getnormal(1) + eout->getnormal(1)), u);
    for (int i = 0; i < 2; ++i) {
        p->separation_force[i] -= k * u[i];
        V1->separation_force[i] += 0.5 * k * u[i];
        V2->separation_force[i] += 0.5 * k * u[i];
    }
    p->x -= 0.1 * k * u[0];
    p->y -= 0.1 * k * u[1];
    unweld(p, V1);
    unweld(p, V2);
    node_remove_0(p);

    // A ring neighbour left welded at a single point lets go as well.
    int r = STEP_OK;
    if (!prev->in_edge->bonded && !prev->out_edge->bonded && failed(r = point_response_b0(prev)))
        return r;
    if (!next->in_edge->bonded && !next->out_edge->bonded)
        return point_response_b0(next);
    return STEP_OK;
}
