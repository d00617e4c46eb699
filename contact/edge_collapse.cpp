// Short-edge collapse: an edge that is too short or folded is removed by
// merging its end vertices. A (its start) survives at the collapse point and
// B (its end) leaves the ring; a welded edge takes its partner with it, whose
// end A' (welded to A) survives and B' (welded to B) leaves. The welds of B
// and B' go over to A and A'; where both ends were junctions with third
// cells, the third cells meet at the collapse point and are given a contact
// there (a junction exchange). A collapse that would squeeze one of the two
// cells out between third cells that touch already removes that cell
// instead, and so does one that would leave a cell with fewer than three
// sides.
#include "contact/corrections.h"

#include <cmath>
#include <iostream>

using namespace welding;
using namespace corrections;

namespace {

// u adds v to its partners, unless they lie on one cell.
void add_partner(point3D* u, point3D* v)
{
    if (cell_of(u) != cell_of(v))
        u->pushmp(v);
}

std::vector<point3D*> partners_except(const point3D* v, const point3D* except)
{
    std::vector<point3D*> out;
    for (point3D* p : v->mp)
        if (p && p != except)
            out.push_back(p);
    return out;
}

void move_all(const std::vector<point3D*>& list, Pos at)
{
    for (point3D* p : list)
        move_to(p, at);
}

// The partners L of B (and B') become partners of A (and A'), and forget
// B and B'. A' and B' are null for a free collapse.
void take_over(const std::vector<point3D*>& L, point3D* A, point3D* Ap, point3D* B, point3D* Bp)
{
    for (point3D* l : L) {
        add_partner(A, l);
        add_partner(l, A);
        if (Ap) {
            add_partner(Ap, l);
            add_partner(l, Ap);
        }
        l->removemp(B);
        if (Bp)
            l->removemp(Bp);
    }
}

// Whether re-welding the stretch of cells J and K from its end jEnd on J
// (along next) to la, and from kEnd on K (along prev) to lb, keeps the
// tissue sound. The re-weld lays both runs on the chord between the end and
// the new junction, which is the rings without the runs' inner vertices.
// The junction need not lie beyond that end of the stretch: it may lie
// beyond the other, or past a third cell welded between J and K, and the
// run then reaches round the far side of a cell, which the chord would
// turn inside out.
bool extension_keeps_sound(point3D* jEnd, point3D* la, point3D* kEnd, point3D* lb)
{
    std::vector<point3D*> runJ, runK;
    if (!collect_run(jEnd, la, false, runJ) || !collect_run(kEnd, lb, true, runK))
        return false;
    BoundaryTrial trial;
    for (point3D* v : runJ)
        trial.drop(v);
    for (point3D* v : runK)
        trial.drop(v);
    return trial.keeps_tissue_sound();
}

// The third cells at both ends of a collapsed edge meet at the collapse
// point: LA (A's partners) and LB (B's) list each other, LB goes over to
// A and A', and every two of their cells get a contact there. With
// `extend`, a contact that has a stretch already has it re-welded up to
// the new junction where that keeps the tissue sound; otherwise an
// existing stretch stays as it is, and the two cells are welded at the
// junction point alone.
void meet_at_junction(dbReader& db, const std::vector<point3D*>& LA, const std::vector<point3D*>& LB, point3D* A,
                      point3D* Ap, point3D* B, point3D* Bp, bool extend)
{
    for (point3D* la : LA)
        for (point3D* lb : LB)
            add_partner(la, lb);
    take_over(LB, A, Ap, B, Bp);
    for (point3D* lb : LB)
        for (point3D* la : LA)
            add_partner(lb, la);
    for (point3D* la : LA) {
        for (point3D* lb : LB) {
            cell* cJ = cell_of(la);
            cell* cK = cell_of(lb);
            if (!cJ || !cK || cJ == cK)
                continue;
            interpair* q = find_any_pair(cJ, cK);
            if (!extend || !q || q->MP.empty()) {
                weld_point(db, cJ, cK, la, lb, true);
                continue;
            }
            // The stretch of the two third cells reaches the new junction.
            mergepair* m = q->MP.front();
            if (q->cell1 == cJ) {
                if (extension_keeps_sound(m->S2, la, m->T1, lb) && boundary_merge(db, m->S2, la, m->T1, lb)) {
                    m->S2 = la;
                    m->T1 = lb;
                }
            } else if (extension_keeps_sound(m->T2, la, m->S1, lb) && boundary_merge(db, m->T2, la, m->S1, lb)) {
                m->T2 = la;
                m->S1 = lb;
            }
            remesh_now(db, cJ);
            remesh_now(db, cK);
        }
    }
}

// The place A (and A') take: A's own when the edge after e is short too, so
// that the next collapse does not drag the junction further; else e's middle.
Pos collapse_point(edge* e)
{
    const point3D* A = e->p1;
    const point3D* B = e->p2;
    if (B->out_edge->getlength() < kShortEdge)
        return pos_of(A);
    return midpoint(pos_of(A), pos_of(B));
}

// Whether merging A and B (with A' and B' for a welded edge) at `at` keeps
// every ring around counter-clockwise and uncrossed: A, A' and every vertex
// welded to A or B move there, B and B' leave.
bool collapse_keeps_sound(point3D* A, point3D* B, point3D* Ap, point3D* Bp, Pos at)
{
    BoundaryTrial trial;
    trial.move(A, at);
    trial.move(Ap, at);
    trial.move_all(A->mp, at);
    trial.move_all(partners_except(B, Bp), at);
    trial.drop(B);
    trial.drop(Bp);
    return trial.keeps_tissue_sound();
}

// The place of the collapse: the usual collapse point when the collapse
// keeps the tissue sound there, else the first of e's middle, A's and B's
// own places that does; false when none does, and the edge stays.
bool sound_collapse_point(edge* e, point3D* Ap, point3D* Bp, Pos& at)
{
    point3D* A = e->p1;
    point3D* B = e->p2;
    for (const Pos p : {collapse_point(e), midpoint(pos_of(A), pos_of(B)), pos_of(A), pos_of(B)}) {
        if (collapse_keeps_sound(A, B, Ap, Bp, p)) {
            at = p;
            return true;
        }
    }
    return false;
}

// The stretch ends of c's live contacts that name `from` name `to`.
void move_stretch_ends(cell* c, const point3D* from, point3D* to)
{
    for (interpair* q : c->pairs)
        if (q && !q->removed)
            for (mergepair* m : q->MP)
                replace_end(m, from, to);
}

// A failure of a later correction is passed on; anything else is success.
int passed_on(int r)
{
    return r >= 0 ? r : dbReader::STEP_OK;
}

// Whether the third cells at A and at B (other than X and Y) touch already
// along a stretch whose ends are welded to X (kill X) or to Y (kill Y).
void squeeze_test(const point3D* A, const point3D* B, const cell* X, const cell* Y, bool& killX, bool& killY)
{
    killX = killY = false;
    if (A->mp.size() < 2 || B->mp.size() < 2)
        return;
    for (point3D* a : A->mp) {
        for (point3D* b : B->mp) {
            cell* cA = cell_of(a);
            cell* cB = cell_of(b);
            if (!cA || !cB || cA == X || cA == Y || cB == X || cB == Y)
                continue;
            for (interpair* q : cA->pairs) {
                if (!q || q->removed || q->MP.empty())
                    continue;
                if (!((q->cell1 == cA && q->cell2 == cB) || (q->cell1 == cB && q->cell2 == cA)))
                    continue;
                const mergepair* m = q->MP.front();
                if (m->S1)
                    for (point3D* s : m->S1->mp)
                        killX = killX || cell_of(s) == X;
                if (m->S2)
                    for (point3D* s : m->S2->mp)
                        killY = killY || cell_of(s) == Y;
            }
        }
    }
}

int collapse_welded(dbReader& db, edge* e)
{
    point3D* A = e->p1;
    point3D* B = e->p2;
    cell* X = e->cell;
    edge* P = e->partner;
    cell* Y = P->cell;
    point3D* Bp = P->p1;
    point3D* Ap = P->p2;
    if (!edge_sound(P) || !edge_sound(Bp->in_edge) || !A->checkmp(Ap) || !B->checkmp(Bp))
        return broken_boundary(db, X);
    if (X->dead || Y->dead)
        return dbReader::STEP_OK;
    X->remesh = 1;
    Y->remesh = 1;

    // 1. Squeeze test.
    bool killX, killY;
    squeeze_test(A, B, X, Y, killX, killY);
    if (killX && killY) {
        std::cout << "  -> kill both of cell " << X->id << " and " << Y->id << std::endl;
        db.cell_death_response(X);
        db.cell_death_response(Y);
        return dbReader::STEP_OK;
    }
    if (killX) {
        std::cout << "  -> kill cell " << X->id << std::endl;
        db.cell_death_response(X);
        return passed_on(db.edge_response_m(P));
    }
    if (killY) {
        std::cout << "  -> kill cell " << Y->id << std::endl;
        db.cell_death_response(Y);
        return passed_on(db.edge_response_m(e));
    }
    // 2. A cell of three sides cannot lose one: it leaves, and the other
    //    cell's edge, free now, is collapsed alone.
    const bool smallX = X->sides.size() <= 3;
    const bool smallY = Y->sides.size() <= 3;
    if (smallX)
        db.cell_death_response(X);
    if (smallY)
        db.cell_death_response(Y);
    if (smallX != smallY)
        return passed_on(db.edge_response_m(smallX ? P : e));
    if (smallX)
        return dbReader::STEP_OK;

    // 3. Collapse e and P, where that neither pinches a third cell nor folds
    //    a side across a neighbour; otherwise the edge stays as it is.
    Pos at;
    if (pinches_a_cell(partners_except(A, Ap), partners_except(B, Bp)) || !sound_collapse_point(e, Ap, Bp, at))
        return dbReader::STEP_OK;
    db.node_merge(A, B);
    B->alive = 0;
    Bp->alive = 0;
    X->removeside(e);
    Y->removeside(P);
    e->in_use = 0;
    P->in_use = 0;
    A->next = B->next;
    B->next->prev = A;
    Ap->prev = Bp->prev;
    Bp->prev->next = Ap;
    move_to(A, at);
    move_to(Ap, at);
    edge* after = B->out_edge;
    after->p1 = A;
    A->out_edge = after;
    edge* before = Bp->in_edge;
    before->p2 = Ap;
    Ap->in_edge = before;
    move_stretch_ends(X, B, A);
    move_stretch_ends(X, Bp, Ap);
    move_stretch_ends(Y, B, A);
    move_stretch_ends(Y, Bp, Ap);

    // 4. The welds of B and B' go over to A and A'.
    const std::size_t na = A->mp.size(), nb = B->mp.size();
    bool exchange = false;
    if (na >= 2 && nb == 1) {
        move_all(partners_except(A, Ap), at);
    } else if (na == 1 && nb >= 2) {
        const std::vector<point3D*> L = partners_except(B, Bp);
        move_all(L, at);
        take_over(L, A, Ap, B, Bp);
    } else if (na >= 2 && nb >= 2) {
        // Junction exchange: the third cells at A and at B meet.
        const std::vector<point3D*> L1 = partners_except(A, Ap);
        const std::vector<point3D*> L2 = partners_except(B, Bp);
        move_all(L1, at);
        move_all(L2, at);
        meet_at_junction(db, L1, L2, A, Ap, B, Bp, false);
        exchange = true;
    }

    // 5. B and B' leave their node (the merged one).
    db.node_remove_1(B);
    db.node_remove_1(Bp);

    // 6. The new junction may be a pick: the sharper of A and A' is tried.
    if (!exchange)
        return dbReader::STEP_OK;
    const double aA = A->point_angle();
    const double aAp = Ap->point_angle();
    if (std::isnan(aA) || std::isnan(aAp))
        return dbReader::STEP_OK;
    return passed_on(db.pick_correction(aAp < aA ? Ap : A));
}

int collapse_free(dbReader& db, edge* e)
{
    point3D* A = e->p1;
    point3D* B = e->p2;
    cell* X = e->cell;
    if (X->dead)
        return dbReader::STEP_OK;
    if (X->sides.size() <= 3) {
        db.cell_death_response(X);
        return dbReader::STEP_OK;
    }
    Pos at;
    if (pinches_a_cell(A->mp, B->mp) || !sound_collapse_point(e, nullptr, nullptr, at))
        return dbReader::STEP_OK;
    X->remesh = 1;
    db.node_merge(A, B);
    B->alive = 0;
    X->removeside(e);
    e->in_use = 0;
    move_to(A, at);
    A->next = B->next;
    B->next->prev = A;
    edge* after = B->out_edge;
    after->p1 = A;
    A->out_edge = after;
    move_stretch_ends(X, B, A);

    const std::vector<point3D*> L4 = partners_except(A, nullptr);
    const std::vector<point3D*> L5 = partners_except(B, nullptr);
    if (L4.empty() && !L5.empty()) {
        move_all(L5, at);
        take_over(L5, A, nullptr, B, nullptr);
    } else if (!L4.empty() && L5.empty()) {
        move_all(L4, at);
    } else if (!L4.empty() && !L5.empty()) {
        move_all(L4, at);
        move_all(L5, at);
        meet_at_junction(db, L4, L5, A, nullptr, B, nullptr, true);
    }
    db.node_remove_1(B);

    // A junction of four or more cells is a pick candidate at once.
    node* n = A->node;
    if (!n || n->vertices.size() < 4)
        return dbReader::STEP_OK;
    std::vector<cell*> touched;
    for (point3D* v : n->vertices)
        touched.push_back(cell_of(v));
    point3D* V = sharpest(n);
    const int r = V ? db.pick_correction(V) : dbReader::STEP_OK;
    if (r >= 0)
        return r;
    for (cell* c : touched)
        remesh_now(db, c);
    return dbReader::STEP_OK;
}

} // namespace

int dbReader::edge_response_m(edge* e)
{
    cell* X = e ? e->cell : nullptr;
    if (X && X->dead)
        return STEP_OK;
    if (!edge_sound(e) || !edge_sound(e->p2->out_edge) || !edge_sound(e->p1->in_edge))
        return corrections::broken_boundary(*this, X);
    if (e->bonded) {
        if (!(e->getlength() < kShortEdge))
            return STEP_OK;
        return collapse_welded(*this, e);
    }
    return collapse_free(*this, e);
}
