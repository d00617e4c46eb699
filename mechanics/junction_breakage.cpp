// Stage 7 of the mechanics step, second pass: adhesion breakage at junctions
// of three cells where at least one cell migrates.
//
// The pass reads the internal forces the pair pass stored. At a three-sided
// junction (three fully welded vertices h, va, vb around one node) and at a
// point junction (one fully welded vertex v between two neighbours touching
// it at a point), it passes mechanical cues, turns the forces into effective
// projections on each vertex's sides, draws one load update per contact
// (I across the junction vertex's in side, O across its out side, B between
// the two neighbours), and queues the contacts that tore for the unwelding
// responses. Draw order within a node: cues, the pulls of NONE vertices, then
// the contacts I, O, B.
#include "mechanics/breakage_terms.h"
#include "mechanics/fem_step.h"

#include <algorithm>
#include <cmath>

using namespace breakage;

namespace {

cell* cell_of(const point3D* p) { return p->out_edge->cell; }

bool fully_welded(const point3D* p) { return p->out_edge->bonded && p->in_edge->bonded; }

bool usable(const point3D* p)
{
    return p && p->alive && p->next && p->prev && p->out_edge && p->in_edge && p->out_edge->cell;
}

Vec normal_of(edge* e)
{
    double n[2];
    unit_normal(e, n);
    return vec(n);
}

// Base value of a projection by the vertex's force state.
double base(const point3D* x, double projection)
{
    if (x->force_state < 0)
        return std::fabs(projection);
    if (x->force_state > 0)
        return -std::fabs(projection);
    return projection;
}

// The adhesion force term of a load L on a side of normal n.
Vec adhesion_term(const point3D* x, double L, Vec n)
{
    if (x->force_state < 0)
        return scaled(n, -L);
    if (x->force_state > 0)
        return Vec{};
    return scaled(n, L);
}

// The cue between a migrating cell's vertex x and the vertex y facing it:
// x's force against the migration goes to y's cell reversed, else y's force
// along the migration goes to it as it is.
void facing_cue(const cell* mover, Vec Gx, Vec Gy, cell* receiver)
{
    const Vec d = direction(mover);
    if (against(Gx, d))
        add_cue(receiver, negated(Gx));
    else if (along(Gy, d))
        add_cue(receiver, Gy);
}

// A NONE vertex may pass its force on to its own cell as a pull.
void none_pull(point3D* x)
{
    if (x->force_state == point3D::FORCE_NONE && mechanics_draw(transmission(cell_of(x))))
        add_pull(cell_of(x), vec(x->internal_force));
}

// The junction load rule on two loads with effective values a and b.
void junction_loads(double& La, double& Lb, double a, double b)
{
    if (a > 0.0 && b > 0.0) {
        La += a;
        Lb += b;
        return;
    }
    const double s = a + b;
    if (s >= 0.0) {
        La += s;
        Lb += s;
    } else {
        La = Lb = 0.0;
    }
}

// The ends of a contact's first stretch that lie at a junction, as the two
// load fields of the vertex named (a) and of its partner (b).
struct Ends {
    double* a = nullptr;
    double* b = nullptr;
};

Ends end_where_last(mergepair* mp, const point3D* x)
{
    if (mp->S2 == x)
        return {&mp->adhesion_load_S2, &mp->adhesion_load_T1};
    if (mp->T2 == x)
        return {&mp->adhesion_load_T2, &mp->adhesion_load_S1};
    return {};
}

Ends end_where_first(mergepair* mp, const point3D* x)
{
    if (mp->S1 == x)
        return {&mp->adhesion_load_S1, &mp->adhesion_load_T2};
    if (mp->T1 == x)
        return {&mp->adhesion_load_T1, &mp->adhesion_load_S2};
    return {};
}

// One contact's update: the draw, the rule, the tear test. True when updated.
bool update_contact(const Ends& e, const interpair* ip, double a, double b, bool& torn)
{
    torn = false;
    if (!e.a)
        return false;
    if (!mechanics_draw(std::min(transmission(ip->cell1), transmission(ip->cell2))))
        return false;
    junction_loads(*e.a, *e.b, a, b);
    torn = *e.a > ip->adhesion || *e.b > ip->adhesion;
    return true;
}

}  // namespace

int FemStep::junction_pass()
{
    for (node* nd : engine.nodes) {
        if (!nd->active || nd->vertices.size() != 3)
            continue;
        point3D* const* J = nd->vertices.data();
        if (!usable(J[0]) || !usable(J[1]) || !usable(J[2]))
            continue;
        const cell* cells3[3] = {cell_of(J[0]), cell_of(J[1]), cell_of(J[2])};
        bool weak = false, migrating = false;
        for (const cell* c : cells3) {
            weak = weak || strength(c) < 0.5;
            migrating = migrating || c->migrating;
        }
        if (!migrating)
            continue;
        int welded = 0;
        point3D* single = nullptr;
        for (int i = 0; i < 3; ++i)
            if (fully_welded(J[i])) {
                ++welded;
                single = J[i];
            }

        if (welded == 3) {
            // --- three-sided junction -------------------------------------
            point3D* x[3] = {J[0], J[0]->in_edge->partner->p1, J[0]->out_edge->partner->p2};
            const QString empty = QString("ERROR: pairs between cells %1, %2 and %3 was empty!")
                                      .arg(cells3[0]->id)
                                      .arg(usable(x[1]) ? cell_of(x[1])->id : cells3[1]->id)
                                      .arg(usable(x[2]) ? cell_of(x[2])->id : cells3[2]->id);
            if (!usable(x[1]) || !usable(x[2]) || !x[1]->in_edge->bonded)
                return fail(cells3[0]->id, empty);
            interpair* P3[3] = {x[0]->in_edge->pair, x[0]->out_edge->pair, x[1]->in_edge->pair};  // I, O, B
            for (interpair* ip : P3)
                if (!ip || ip->MP.empty())
                    return fail(cells3[0]->id, empty);
            cell* C[3] = {cell_of(x[0]), cell_of(x[1]), cell_of(x[2])};
            Vec nO[3], nI[3], t[3], G[3], P[3];
            for (int i = 0; i < 3; ++i) {
                nO[i] = normal_of(x[i]->out_edge);
                nI[i] = normal_of(x[i]->in_edge);
                t[i] = unit(Vec{x[i]->next->x - x[i]->x, x[i]->next->y - x[i]->y});
                G[i] = vec(x[i]->internal_force2);
                P[i] = vec(weak ? x[i]->internal_force2 : x[i]->internal_force);
            }
            // Facing vertices: x's out side faces outFace[x]'s in side, its in
            // side faces inFace[x]'s out side.
            const int outFace[3] = {2, 0, 1};
            const int inFace[3] = {1, 2, 0};

            // Cues.
            int marks = 0, marked = -1;
            for (int i = 0; i < 3; ++i)
                if (x[i]->migrate_mark) {
                    ++marks;
                    marked = i;
                }
            if (marks == 0) {
                for (int i = 0; i < 3; ++i) {
                    if (!(dot(G[i], nO[i]) > 0.0 || dot(G[i], nI[i]) > 0.0))
                        continue;
                    const cell* o1 = C[(i + 1) % 3];
                    const cell* o2 = C[(i + 2) % 3];
                    if (!mechanics_draw(std::min(transmission(o1), transmission(o2))))
                        continue;
                    for (int side = 0; side < 2; ++side) {
                        const int y = side == 0 ? outFace[i] : inFace[i];
                        const Vec nx = side == 0 ? nO[i] : nI[i];
                        const Vec ny = side == 0 ? nI[y] : nO[y];
                        if (dot(G[i], nx) > 0.0 && dot(G[y], ny) > 0.0 && C[i]->migrating)
                            facing_cue(C[i], G[i], G[y], C[y]);
                    }
                }
            } else if (marks == 1) {
                const cell* o1 = C[(marked + 1) % 3];
                const cell* o2 = C[(marked + 2) % 3];
                if (mechanics_draw(std::min(transmission(o1), transmission(o2)))) {
                    const Vec d = direction(C[marked]);
                    for (int u = 0; u < 3; ++u)
                        if (u != marked && dot(G[u], d) > 0.0 && dot(G[marked], nO[u]) > 0.0 &&
                            dot(G[marked], nI[u]) > 0.0 && dot(G[u], nO[u]) > 0.0 && dot(G[u], nI[u]) > 0.0)
                            add_cue(C[u], G[u]);
                }
            }

            // Effective projections; an OUT vertex adds its tangential term
            // to the contact opposite it.
            double vo[3], vi[3], tangential[3] = {0.0, 0.0, 0.0};
            for (int i = 0; i < 3; ++i) {
                vo[i] = base(x[i], dot(P[i], nO[i]));
                vi[i] = base(x[i], dot(P[i], nI[i]));
                if (x[i]->force_state > 0)
                    tangential[i] = std::fabs(dot(P[i], t[outFace[i]]));
                none_pull(x[i]);
            }
            vi[1] += tangential[0];
            vo[2] += tangential[0];
            vo[0] += tangential[1];
            vi[2] += tangential[1];
            vi[0] += tangential[2];
            vo[1] += tangential[2];

            // Loads, contacts I, O, B.
            const Ends ends[3] = {end_where_last(P3[0]->MP[0], x[0]), end_where_first(P3[1]->MP[0], x[0]),
                                  end_where_last(P3[2]->MP[0], x[1])};
            const double a[3] = {vi[0], vo[0], vi[1]};
            const double b[3] = {vo[1], vi[2], vo[2]};
            bool updated[3], torn[3];
            for (int c = 0; c < 3; ++c)
                updated[c] = update_contact(ends[c], P3[c], a[c], b[c], torn[c]);

            // Adhesion forces: h on I (in side) and O (out side), va on I
            // (out) and B (in), vb on O (in) and B (out).
            Vec f[3];
            if (updated[0]) {
                f[0] = sum(f[0], adhesion_term(x[0], *ends[0].a, nI[0]));
                f[1] = sum(f[1], adhesion_term(x[1], *ends[0].b, nO[1]));
            }
            if (updated[1]) {
                f[0] = sum(f[0], adhesion_term(x[0], *ends[1].a, nO[0]));
                f[2] = sum(f[2], adhesion_term(x[2], *ends[1].b, nI[2]));
            }
            if (updated[2]) {
                f[1] = sum(f[1], adhesion_term(x[1], *ends[2].a, nI[1]));
                f[2] = sum(f[2], adhesion_term(x[2], *ends[2].b, nO[2]));
            }
            for (int i = 0; i < 3; ++i)
                set(x[i]->adhesion_force, f[i]);

            // Selection.
            const int count = torn[0] + torn[1] + torn[2];
            if (count == 2) {
                // The vertex both torn contacts share: I+O at h, I+B at va, O+B at vb.
                const int shared = !torn[2] ? 0 : (!torn[1] ? 1 : 2);
                if (x[shared]->force_state != point3D::FORCE_OUTWARD)
                    split_points.push_back(x[shared]);
            } else if (count == 1) {
                // (X, Y, Z) by the torn contact; Z's vertex decides.
                const int c = torn[0] ? 0 : (torn[1] ? 1 : 2);
                const int X[3] = {0, 0, 1}, Y[3] = {1, 2, 2}, Z[3] = {2, 1, 0};
                edge* starting[3] = {x[1]->out_edge, x[0]->out_edge, x[2]->out_edge};
                if (x[Z[c]]->force_state != point3D::FORCE_OUTWARD) {
                    if (C[X[c]]->migrating)
                        split_points.push_back(x[X[c]]);
                    else if (C[Y[c]]->migrating)
                        split_points.push_back(x[Y[c]]);
                } else if (!C[Z[c]]->driven) {
                    short_edges.push_back(starting[c]);
                }
            }
            continue;
        }

        if (welded != 1)
            continue;

        // --- point junction ---------------------------------------------------
        point3D* v = single;
        point3D* va = v->in_edge->partner->p1;
        point3D* vb = v->out_edge->partner->p2;
        cell* cv = cell_of(v);
        const QString empty = QString("ERROR: one pair between cells %1, %2 and %3 is empty!")
                                  .arg(cv->id)
                                  .arg(usable(va) ? cell_of(va)->id : -1)
                                  .arg(usable(vb) ? cell_of(vb)->id : -1);
        if (!usable(va) || !usable(vb))
            return fail(cv->id, empty);
        cell* ca = cell_of(va);
        cell* cb = cell_of(vb);
        const Vec nIv = normal_of(v->in_edge), nOv = normal_of(v->out_edge);
        const Vec nIa = normal_of(va->in_edge), nOb = normal_of(vb->out_edge);
        const Vec Gv = vec(v->internal_force2), Ga = vec(va->internal_force2), Gb = vec(vb->internal_force2);

        // Cues, only while v is not on a front.
        if (!v->migrate_mark) {
            if (!va->migrate_mark && !vb->migrate_mark) {
                if (dot(Gv, nOv) > 0.0 || dot(Gv, nIv) > 0.0) {
                    if (mechanics_draw(std::min(transmission(ca), transmission(cb)))) {
                        if (dot(Gv, nOv) > 0.0 && -dot(Gb, nOv) > 0.0 && cv->migrating)
                            facing_cue(cv, Gv, Gb, cb);
                        if (dot(Gv, nIv) > 0.0 && -dot(Ga, nIv) > 0.0 && cv->migrating)
                            facing_cue(cv, Gv, Ga, ca);
                    }
                }
                if (-dot(Ga, nIv) > 0.0 && dot(Gv, nIv) > 0.0 && ca->migrating && mechanics_draw(transmission(cv)))
                    facing_cue(ca, Ga, Gv, cv);
                if (-dot(Gb, nOv) > 0.0 && dot(Gv, nOv) > 0.0 && cb->migrating && mechanics_draw(transmission(cv)))
                    facing_cue(cb, Gb, Gv, cv);
            } else if (vb->migrate_mark && !va->migrate_mark) {
                const Vec d = direction(cb);
                if (dot(Gv, nOv) > 0.0 && dot(Gv, nIv) > 0.0 && mechanics_draw(transmission(cv)) && dot(Gv, d) > 0.0)
                    add_cue(cv, Gv);
                if (-dot(Ga, nIv) > 0.0 && mechanics_draw(transmission(ca)) && along(Ga, d))
                    add_cue(ca, Ga);
            } else if (va->migrate_mark && !vb->migrate_mark) {
                const Vec d = direction(ca);
                if (dot(Gv, nOv) > 0.0 && dot(Gv, nIv) > 0.0 && mechanics_draw(transmission(cv)) && along(Gv, d))
                    add_cue(cv, Gv);
                if (-dot(Gb, nOv) > 0.0 && mechanics_draw(transmission(cb)) && along(Gb, d))
                    add_cue(cb, Gb);
            }
        }

        // Effective values on each vertex's two sides.
        const Vec Pv = vec(weak ? v->internal_force2 : v->internal_force);
        const Vec Pa = vec(weak ? va->internal_force2 : va->internal_force);
        const Vec Pb = vec(weak ? vb->internal_force2 : vb->internal_force);
        const double vI = base(v, dot(Pv, nIv)), vO = base(v, dot(Pv, nOv));
        double aI = base(va, dot(Pa, negated(nIv))), aB = base(va, dot(Pa, nIa));
        double bO = base(vb, dot(Pb, negated(nOv))), bB = base(vb, dot(Pb, nOb));
        if (v->force_state > 0) {
            const Vec u = unit(Vec{(vb->next->x - vb->x) + (va->prev->x - va->x),
                                   (vb->next->y - vb->y) + (va->prev->y - va->y)});
            const double term = std::fabs(dot(Pv, u));
            aB += term;
            bB += term;
        }
        none_pull(v);
        none_pull(va);
        none_pull(vb);

        // Loads, contacts I, O, B, each tested just before its update.
        interpair* I = v->in_edge->pair;
        if (!I || I->MP.empty())
            return fail(cv->id, empty);
        const Ends eI = end_where_last(I->MP[0], v);
        bool tornI = false;
        const bool updI = update_contact(eI, I, vI, aI, tornI);

        interpair* O = v->out_edge->pair;
        if (!O || O->MP.empty())
            return fail(cv->id, empty);
        const Ends eO = end_where_first(O->MP[0], v);
        bool tornO = false;
        const bool updO = update_contact(eO, O, vO, bO, tornO);

        interpair* B = nullptr;
        for (interpair* ip : ca->pairs)
            if ((ip->cell1 == ca && ip->cell2 == cb) || (ip->cell1 == cb && ip->cell2 == ca)) {
                B = ip;
                break;
            }
        if (!B || B->MP.empty())
            return fail(cv->id, empty);
        mergepair* mB = B->MP[0];
        double *aF[2] = {nullptr, nullptr}, *bF[2] = {nullptr, nullptr};
        if (mB->S1 == va) {
            aF[0] = &mB->adhesion_load_S1;
            aF[1] = &mB->adhesion_load_S2;
            bF[0] = &mB->adhesion_load_T1;
            bF[1] = &mB->adhesion_load_T2;
        } else if (mB->T1 == va) {
            aF[0] = &mB->adhesion_load_T1;
            aF[1] = &mB->adhesion_load_T2;
            bF[0] = &mB->adhesion_load_S1;
            bF[1] = &mB->adhesion_load_S2;
        }
        bool updB = false, tornB = false;
        if (aF[0] && mechanics_draw(std::min(transmission(B->cell1), transmission(B->cell2)))) {
            updB = true;
            if (aB > 0.0 && bB > 0.0) {
                *aF[0] += aB;
                *aF[1] += aB;
                *bF[0] += bB;
                *bF[1] += bB;
            } else {
                const double s = aB + bB;
                for (double* L : {aF[0], aF[1], bF[0], bF[1]})
                    *L = s >= 0.0 ? *L + s : 0.0;
            }
            for (double* L : {aF[0], aF[1], bF[0], bF[1]})
                tornB = tornB || *L > B->adhesion;
        }

        // Adhesion forces.
        Vec fv, fa, fb;
        if (updI) {
            fv = sum(fv, adhesion_term(v, *eI.a, nIv));
            fa = sum(fa, adhesion_term(va, *eI.b, negated(nIv)));
        }
        if (updO) {
            fv = sum(fv, adhesion_term(v, *eO.a, nOv));
            fb = sum(fb, adhesion_term(vb, *eO.b, negated(nOv)));
        }
        if (updB) {
            fa = sum(fa, adhesion_term(va, *aF[0], nIa));
            fb = sum(fb, adhesion_term(vb, *bF[1], nOb));
        }
        set(v->adhesion_force, fv);
        set(va->adhesion_force, fa);
        set(vb->adhesion_force, fb);

        // Selection.
        if (tornB || (tornI && tornO))
            unweld_points.push_back(v);
        else if (tornI)
            unweld_edges.push_back(va->out_edge);
        else if (tornO)
            unweld_edges.push_back(v->out_edge);
    }
    return dbReader::STEP_OK;
}
