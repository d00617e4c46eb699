// Pick correction. A pick is a boundary vertex V at a junction of welded
// cells where its cell K forms a sharp spike. V and the vertex after it (Vn)
// leave K's ring, the vertex before it (Vp) moves to the midpoint M of Vp
// and Vn, and every weld that touched V or Vn is carried over to Vp: the
// junction slides back along the boundary. Which neighbours follow depends
// on which of V's two edges are welded:
//
//   in-edge only     in-side slide: L (across the in-edge) lets go of V
//   out-edge only    out-side slide: R (across the out-edge) lets go of V
//   both, to one     spike retraction: K and L both lose their spike
//   vertex of L
//   both, L != R     three-cell slide: L and R are zipped together along
//                    the retreating spike, and the new junction is tried
//                    again while it is still sharp
//
// A cell too small to lose two vertices, or one that the slide would leave
// squeezed between neighbours that touch already, is removed instead.
#include "contact/corrections.h"

#include <QString>

#include <cmath>
#include <iostream>

using namespace welding;
using namespace corrections;

namespace {

// How deep the three-cell slide follows the junctions it creates within one
// call; a junction past the cap is left to the next step's stage.
constexpr int kMaxPickDepth = 64;
constexpr double kSharpAngle = 30.0;
constexpr double kSideAngle = 60.0;

// Cells of 6 sides or fewer cannot lose two vertices.
constexpr std::size_t kSmallestCorrectable = 6;

bool joins(const interpair* q, const cell* x, const cell* y)
{
    return q && ((q->cell1 == x && q->cell2 == y) || (q->cell1 == y && q->cell2 == x));
}

cell* other_cell(const interpair* q, const cell* c)
{
    return q->cell1 == c ? q->cell2 : q->cell1;
}

// Whether an end S1 or S2 of m is welded to a vertex of K.
bool end_welded_to(const mergepair* m, const cell* K)
{
    for (const point3D* end : {m->S1, m->S2}) {
        if (!end)
            continue;
        for (const point3D* q : end->mp)
            if (cell_of(q) == K)
                return true;
    }
    return false;
}

// Every partner forgets x; x's own list stays.
void unlink(point3D* x)
{
    for (point3D* q : x->mp)
        if (q)
            q->removemp(x);
}

bool single_point_at(const mergepair* m, const point3D* v)
{
    return (m->S1 == v && m->S2 == v) || (m->T1 == v && m->T2 == v);
}

// The roles of one pick, fixed when the call starts.
struct Pick {
    point3D* V;
    point3D* Vp;
    point3D* Vn;
    cell* K;
    edge* in;   // V's in-edge, Vp -> V
    edge* out;  // V's out-edge, V -> Vn
    Pos M;
    edge* inP = nullptr;   // partner of `in` on L: L0 -> Lp
    cell* L = nullptr;
    point3D* L0 = nullptr;  // welded to V
    point3D* Lp = nullptr;  // welded to Vp
    edge* outP = nullptr;  // partner of `out` on R: Rn -> R0
    cell* R = nullptr;
    point3D* Rn = nullptr;  // welded to Vn
    point3D* R0 = nullptr;  // welded to V
};

// V and Vn leave K's ring: Vp takes Vn's out-edge.
void splice_out(Pick& p)
{
    point3D* after = p.Vn->next;
    p.Vp->next = after;
    after->prev = p.Vp;
    p.Vp->out_edge = p.Vn->out_edge;
    p.Vp->out_edge->p1 = p.Vp;
}

void drop_side(cell* c, edge* e)
{
    c->removeside(e);
    e->in_use = 0;
}

// The partners of Vn (list B) and of Vp (list A) meet at M and are welded
// couple by couple; every couple on two cells gets its contact ensured.
void reweld_at_m(dbReader& db, Pick& p, const std::vector<point3D*>& A, const std::vector<point3D*>& B)
{
    if (B.empty()) {
        for (point3D* w : A)
            move_to(w, p.M);
        return;
    }
    for (point3D* u : B) {
        move_to(u, p.M);
        cell* F = u->in_edge ? u->in_edge->cell : nullptr;
        for (point3D* w : A) {
            move_to(w, p.M);
            cell* G = cell_of(w);
            if (F && G && F != G) {
                weld_point(db, F, G, u, w, false);
                w->pushmp(u);
                u->pushmp(w);
            }
        }
        p.Vp->pushmp(u);
        u->pushmp(p.Vp);
    }
}

// Whether the slide keeps the tissue sound: no cell has a vertex welded at
// Vp and another at Vn (but `skip`), which the junction at M would pinch,
// and every ring around stays counter-clockwise and uncrossed when Vp and
// the partners of both meet at M, V and Vn leave K, and `gone1`, `gone2`
// leave their rings too.
bool slide_keeps_sound(const Pick& p, const point3D* skip = nullptr, point3D* gone1 = nullptr,
                       point3D* gone2 = nullptr)
{
    if (pinches_a_cell(p.Vp->mp, p.Vn->mp, skip))
        return false;
    BoundaryTrial trial;
    trial.move(p.Vp, p.M);
    trial.move_all(p.Vp->mp, p.M);
    for (point3D* u : p.Vn->mp)
        if (u != skip)
            trial.move(u, p.M);
    trial.drop(p.V);
    trial.drop(p.Vn);
    trial.drop(gone1);
    trial.drop(gone2);
    return trial.keeps_tissue_sound();
}

// The start of every slide: Vp moves to M, V and Vn leave K's ring and
// their partners forget them. A receives Vp's partners, B Vn's.
void begin_slide(Pick& p, std::vector<point3D*>& A, std::vector<point3D*>& B)
{
    move_to(p.Vp, p.M);
    splice_out(p);
    drop_side(p.K, p.in);
    drop_side(p.K, p.out);
    A = p.Vp->mp;
    B = p.Vn->mp;
    unlink(p.Vn);
    unlink(p.V);
}

// Stretches of K with a cell other than the slide's own neighbours (the one
// across V's welded side in a side slide, L and R in the three-cell slide):
// only those are welded along V's sides, so such a cell met K at V at a
// single point, which goes with V; an end at Vn moves to Vp.
// Every stretch is looked at: one left naming V or Vn would name a vertex
// that is on no ring any more.
void third_cell_rule(interpair* q, const Pick& p)
{
    for (std::size_t i = 0; i < q->MP.size();) {
        mergepair* m = q->MP[i];
        if (single_point_at(m, p.V)) {
            q->remove_MP(m);
            continue;
        }
        replace_end(m, p.Vn, p.Vp);
        ++i;
    }
}

// The K-L stretch that ended at V ends at Vp / Lp.
void k_l_rule(interpair* q, const Pick& p)
{
    for (mergepair* m : q->MP) {
        if (m->S2 == p.V) {
            m->S2 = p.Vp;
            m->T1 = p.Lp;
        }
        if (m->T2 == p.V) {
            m->T2 = p.Vp;
            m->S1 = p.Lp;
        }
    }
}

// The K-R stretch that started at V (or ended at Vn) starts at Vp / Rn.
void k_r_rule(interpair* q, const Pick& p)
{
    for (mergepair* m : q->MP) {
        if (m->S1 == p.V) {
            m->S1 = p.Vp;
            m->T2 = p.Rn;
        }
        if (m->T1 == p.V) {
            m->T1 = p.Vp;
            m->S2 = p.Rn;
        }
        if (m->S2 == p.Vn)
            m->S2 = p.Vp;
        if (m->T2 == p.Vn)
            m->T2 = p.Vp;
    }
}

// The L-R stretch that ended at the old junction (L0 / R0) reaches Lp / Rn.
void l_r_rule(interpair* q, const Pick& p)
{
    for (mergepair* m : q->MP) {
        if (m->S2 == p.L0)
            m->S2 = p.Lp;
        if (m->S1 == p.R0)
            m->S1 = p.Rn;
        if (m->T2 == p.L0)
            m->T2 = p.Lp;
        if (m->T1 == p.R0)
            m->T1 = p.Rn;
    }
}

// The zipped edges L0 -> Lp and Rn -> R0 belong to the L-R contact. When
// the re-weld has just made its stretch as the single point Lp / Rn, the
// stretch is widened over the zipped edges, whose far ends are welded.
void zip_to_l_r_pair(const Pick& p)
{
    interpair* LR = find_pair(p.L, p.R);
    if (!LR)
        return;
    p.inP->pair = LR;
    p.outP->pair = LR;
    if (LR->MP.size() != 1 || !p.L0->checkmp(p.R0))
        return;
    mergepair* m = LR->MP.front();
    if (LR->cell1 == p.R && m->S1 == p.Rn && m->S2 == p.Rn && m->T1 == p.Lp && m->T2 == p.Lp) {
        m->S2 = p.R0;
        m->T1 = p.L0;
    } else if (LR->cell1 == p.L && m->S1 == p.Lp && m->S2 == p.Lp && m->T1 == p.Rn && m->T2 == p.Rn) {
        m->S1 = p.L0;
        m->T2 = p.R0;
    }
}

} // namespace

namespace corrections {

std::vector<point3D*> triple_junction_picks(const node* n, bool needTip)
{
    std::vector<point3D*> out;
    if (n->vertices.size() != 3)
        return out;
    point3D* V[3] = {n->vertices[0], n->vertices[1], n->vertices[2]};
    for (point3D* v : V)
        if (!v || !v->next || !v->prev || !v->in_edge || !v->out_edge)
            return out;
    auto tip = [needTip](const point3D* v) { return !needTip || v->inner_at.size() == 1; };
    int W = 0;
    int X = -1;
    for (int k = 0; k < 3; ++k) {
        if (fully_welded(V[k])) {
            ++W;
            X = k;
        }
    }
    if (W == 3) {
        for (point3D* v : V) {
            const double dx = v->next->x - v->prev->x, dy = v->next->y - v->prev->y;
            const double gap = std::sqrt(dx * dx + dy * dy);
            // The stage counts a gap of exactly pi as narrow, the slide does not.
            const bool narrow = needTip ? gap <= kTargetLength : gap < kTargetLength;
            if (tip(v) && (narrow || v->point_angle() < kSharpAngle)) {
                out.push_back(v);
                if (!needTip)
                    break;
            }
        }
    } else if (W == 1) {
        point3D* x = V[X];
        point3D* y = X == 0 ? V[1] : V[0];
        point3D* z = X == 2 ? V[1] : V[2];
        const double aX = x->point_angle(), aY = y->point_angle(), aZ = z->point_angle();
        if (aY > aX && aZ > aX && aX < kSharpAngle && tip(x))
            out.push_back(x);
        else if (aZ > aY && aY < kSideAngle && tip(y))
            out.push_back(y);
        else if (aY > aZ && aZ < kSideAngle && tip(z))
            out.push_back(z);
    }
    return out;
}

} // namespace corrections

namespace {

int pick_at(dbReader& db, point3D* V, int depth);

// In-side slide (only V's in-edge welded, to L) or out-side slide (only
// its out-edge, to R): that neighbour lets go of V, its vertex there stays
// at V's old place, free towards K.
int side_slide(dbReader& db, Pick& p, bool inSide)
{
    cell* other = inSide ? p.L : p.R;
    // Squeezed: the neighbour touches, along a stretch ending at K, a cell
    // welded at the vertex that stays.
    for (point3D* u : inSide ? p.Vn->mp : p.Vp->mp) {
        cell* F = cell_of(u);
        if (!F || F == other)
            continue;
        interpair* q = find_pair(other, F);
        if (q && !q->MP.empty() && end_welded_to(q->MP.front(), p.K)) {
            db.cell_death_response(p.K);
            return dbReader::STEP_OK;
        }
    }
    // A slide that would fold a side across a neighbour is not made.
    if (!slide_keeps_sound(p))
        return dbReader::STEP_OK;
    std::vector<point3D*> A, B;
    begin_slide(p, A, B);
    if (inSide)
        db.node_merge(p.Lp, p.Vn);
    db.node_remove_1(p.Vn);
    db.node_remove_1(p.V);
    if (!inSide)
        db.node_merge(p.Rn, p.Vp);
    for (interpair* q : p.K->pairs) {
        if (other_cell(q, p.K) != other)
            third_cell_rule(q, p);
        else if (inSide)
            k_l_rule(q, p);
        else
            k_r_rule(q, p);
    }
    edge* freed = inSide ? p.inP : p.outP;
    freed->bonded = 0;
    freed->partner = nullptr;
    freed->pair = nullptr;
    reweld_at_m(db, p, A, B);
    remesh_now(db, p.K);
    remesh_now(db, other);
    return dbReader::STEP_OK;
}

int spike_retraction(dbReader& db, Pick& p)
{
    if (!slide_keeps_sound(p, p.Rn, p.L0, p.Rn))
        return dbReader::STEP_OK;
    drop_side(p.K, p.in);
    drop_side(p.K, p.out);
    drop_side(p.L, p.inP);
    drop_side(p.L, p.outP);
    splice_out(p);
    const std::vector<point3D*> A = p.Vp->mp;
    std::vector<point3D*> B;
    for (point3D* u : p.Vn->mp)
        if (u != p.Rn)
            B.push_back(u);
    unlink(p.Vn);
    // The cells welded at Vn besides L stay at the junction that Vp holds:
    // their vertices join its node before Vn leaves it.
    db.node_merge(p.Vp, p.Vn);
    db.node_remove_1(p.Vn);
    // L's spike: Rn and L0 leave its ring, Lp takes Rn's in-edge.
    point3D* before = p.Rn->prev;
    p.Lp->prev = before;
    before->next = p.Lp;
    p.Lp->in_edge = p.Rn->in_edge;
    p.Lp->in_edge->p2 = p.Lp;
    unlink(p.Rn);
    db.node_remove_1(p.Rn);
    // The two spike tips leave; any third cell welded there stays.
    unlink(p.V);
    unlink(p.L0);
    db.node_remove_1(p.V);
    db.node_remove_1(p.L0);
    reweld_at_m(db, p, A, B);
    move_to(p.Vp, p.M);
    // Stretch ends on the four vertices that left go to their survivors, in
    // K's contacts and in L's (a third cell's stretch with L may end at Rn).
    for (cell* c : {p.K, p.L}) {
        for (interpair* q : c->pairs) {
            if (q->removed)
                continue;
            for (mergepair* m : q->MP) {
                replace_end(m, p.Vn, p.Vp);
                replace_end(m, p.Rn, p.Lp);
                replace_end(m, p.V, p.Vp);
                replace_end(m, p.L0, p.Lp);
            }
        }
    }
    remesh_now(db, p.K);
    remesh_now(db, p.L);
    return dbReader::STEP_OK;
}

int three_cell_slide(dbReader& db, Pick& p, int depth)
{
    for (point3D* u : p.Vp->mp) {
        cell* F = cell_of(u);
        for (point3D* w : p.Vn->mp) {
            cell* G = cell_of(w);
            if (F == p.L && G == p.R)
                continue;
            for (interpair* q : F ? F->pairs : std::vector<interpair*>{}) {
                if (q && !q->removed && joins(q, F, G) && !q->MP.empty() && end_welded_to(q->MP.front(), p.K)) {
                    std::cout << ", kill cell " << p.K->id << std::endl;
                    db.cell_death_response(p.K);
                    return dbReader::STEP_OK;
                }
            }
        }
    }
    if (!slide_keeps_sound(p))
        return dbReader::STEP_OK;
    std::vector<point3D*> A, B;
    begin_slide(p, A, B);
    db.node_remove_1(p.Vn);
    db.node_remove_1(p.V);
    db.node_merge(p.Rn, p.Lp);

    // Zip L and R along the spike.
    edge* L0in = p.L0->in_edge;
    edge* R0out = p.R0->out_edge;
    if (L0in && R0out && L0in->bonded && R0out->bonded && joins(L0in->pair, p.L, p.R)) {
        interpair* P = L0in->pair;
        interpair* Q1 = p.inP->pair;
        interpair* Q2 = p.outP->pair;
        l_r_rule(P, p);
        if (Q1)
            k_l_rule(Q1, p);
        if (Q2)
            k_r_rule(Q2, p);
        for (interpair* q : p.K->pairs) {
            const cell* o = other_cell(q, p.K);
            if (o == p.L || o == p.R) {
                for (mergepair* m : q->MP)
                    replace_end(m, p.Vn, p.Vp);
            } else {
                third_cell_rule(q, p);
            }
        }
    } else {
        for (interpair* q : p.K->pairs) {
            cell* o = other_cell(q, p.K);
            if (o == p.L)
                k_l_rule(q, p);
            else if (o == p.R)
                k_r_rule(q, p);
            else
                third_cell_rule(q, p);
        }
        if (interpair* LR = find_pair(p.L, p.R))
            l_r_rule(LR, p);
    }
    p.inP->partner = p.outP;
    p.outP->partner = p.inP;
    p.inP->bonded = 1;
    p.outP->bonded = 1;
    reweld_at_m(db, p, A, B);
    zip_to_l_r_pair(p);

    // The new junction at M may be sharp in its turn.
    node* N = p.Vp->node;
    if (N && depth < kMaxPickDepth) {
        if (N->vertices.size() >= 4) {
            point3D* first = p.Vp->mp.empty() ? nullptr : p.Vp->mp.front();
            int r = pick_at(db, sharpest(N), depth + 1);
            if (r >= 0)
                return r;
            if (first && first->alive && first->node && first->node->vertices.size() >= 4) {
                r = pick_at(db, sharpest(first->node), depth + 1);
                if (r >= 0)
                    return r;
            }
        } else if (N->vertices.size() == 3) {
            const std::vector<point3D*> next = triple_junction_picks(N, false);
            if (!next.empty()) {
                const int r = pick_at(db, next.front(), depth + 1);
                if (r >= 0)
                    return r;
            }
        }
    }
    remesh_now(db, p.K);
    remesh_now(db, p.L);
    remesh_now(db, p.R);
    return dbReader::STEP_OK;
}

int pick_at(dbReader& db, point3D* V, int depth)
{
    if (!V || !V->alive)
        return dbReader::STEP_OK;
    cell* K = cell_of(V);
    if (!K)
        return broken_boundary(db, V->in_edge ? V->in_edge->cell : nullptr);
    if (K->dead)
        return dbReader::STEP_OK;
    if (K->sides.size() <= kSmallestCorrectable) {
        db.cell_death_response(K);
        return dbReader::STEP_OK;
    }
    if (!vertex_sound(V) || !edge_sound(V->next->out_edge) || !ring_reaches(V, V))
        return broken_boundary(db, K);

    Pick p{V, V->prev, V->next, K, V->in_edge, V->out_edge,
           midpoint(pos_of(V->prev), pos_of(V->next))};
    if (p.in->bonded) {
        p.inP = p.in->partner;
        p.L = p.inP->cell;
        p.L0 = p.inP->p1;
        p.Lp = p.inP->p2;
    }
    if (p.out->bonded) {
        p.outP = p.out->partner;
        p.R = p.outP->cell;
        p.Rn = p.outP->p1;
        p.R0 = p.outP->p2;
    }
    if (!p.in->bonded && !p.out->bonded)
        return dbReader::STEP_OK;
    if (!p.in->bonded || !p.out->bonded)
        return side_slide(db, p, p.in->bonded);
    if (p.L0 == p.R0) {
        if (!edge_sound(p.Rn->in_edge))
            return broken_boundary(db, K);
        // L loses two vertices too; one that cannot keep three sides leaves.
        if (p.L->sides.size() < 5) {
            db.cell_death_response(p.L);
            return dbReader::STEP_OK;
        }
        return spike_retraction(db, p);
    }
    if (K == p.L || K == p.R || p.L == p.R) {
        db.message = QString("ERROR: pick among cells %1, %2 and %3 got stranded!").arg(K->id).arg(p.L->id).arg(p.R->id);
        return K->id;
    }
    return three_cell_slide(db, p, depth);
}

} // namespace

int dbReader::pick_correction(point3D* p)
{
    return pick_at(*this, p, 0);
}
