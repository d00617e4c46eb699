// Stage 7 of the mechanics step, first pass: internal forces and adhesion
// breakage along the welded stretches of contacts that involve a migrating or
// driven cell.
//
// For each such contact the forces of the stretch's welds are recovered from
// U1 and U2 (the rows of each vertex in its elements times the element's
// unknowns). Each weld (a couple: a cell1 vertex and its cell2 partner) then
// accumulates a load from the force projected on its own normal, by the
// force states of the two vertices and one draw at the contact's transmission
// probability; an end weld whose load passes the contact's adhesion tears and
// is queued for unwelding. A second draw may pass a mechanical cue from a
// migrating cell to its neighbour. The order of the draws is part of the
// behaviour: contacts in order, ends before the interior, within a couple the
// load draw before the cue draw.
#include "mechanics/breakage_terms.h"
#include "mechanics/fem_step.h"

#include <algorithm>
#include <cmath>

using namespace breakage;

namespace {

enum class Kind { Interior, End, Single };

// The contact's parameters.
struct Contact {
    cell* c1;
    cell* c2;
    double A;     // load at which an end weld tears
    bool weak;    // a cell's strength below 0.5: the loads follow U2
    double p;     // the smaller transmission probability
};

// One weld: v on cell1, w on cell2, their own normals, and where their loads
// live (a single point writes both S and both T fields).
struct Couple {
    point3D* v;
    point3D* w;
    Vec nv;
    Vec nw;
    double* Lv[2];
    double* Lw[2];
    Kind kind;
};

int state_of(const point3D* p)
{
    return p->force_state > 0 ? point3D::FORCE_OUTWARD
                              : (p->force_state < 0 ? point3D::FORCE_INWARD : point3D::FORCE_NONE);
}

void store(double* const L[2], double value)
{
    for (int i = 0; i < 2; ++i)
        if (L[i])
            *L[i] = value;
}

// The load rule; true when the couple (an end or a single point) tore.
bool load_rule(const Couple& k, const Contact& ct)
{
    constexpr int OUT = point3D::FORCE_OUTWARD, NONE = point3D::FORCE_NONE, IN = point3D::FORCE_INWARD;
    const int sv = state_of(k.v), sw = state_of(k.w);
    const bool keeps_force = k.kind == Kind::Single;
    if ((sv == OUT && sw == OUT) || (sv == OUT && sw == NONE) || (sv == NONE && sw == OUT)) {
        store(k.Lv, 0.0);
        store(k.Lw, 0.0);
        if (k.kind == Kind::End) {
            set(k.v->adhesion_force, Vec{});
            set(k.w->adhesion_force, Vec{});
        }
        return false;
    }
    if (!mechanics_draw(ct.p))
        return false;

    const Vec Gv = vec(ct.weak ? k.v->internal_force2 : k.v->internal_force);
    const Vec Gw = vec(ct.weak ? k.w->internal_force2 : k.w->internal_force);
    const double pv = dot(Gv, k.nv), pw = dot(Gw, k.nw);
    double Lv = *k.Lv[0], Lw = *k.Lw[0];
    Vec fv, fw;  // adhesion forces
    if (sv == IN && sw == OUT) {
        const double D = (Lv + std::fabs(pv)) - (Lw + std::fabs(pw));
        Lv = Lw = std::max(D, 0.0);
        fv = scaled(k.nv, -Lv);
        if (D > 0.0)
            add_pull(ct.c2, scaled(unit(vec(k.v->internal_force)), D));
    } else if (sv == OUT && sw == IN) {
        const double D = (Lw + std::fabs(pw)) - (Lv + std::fabs(pv));
        Lv = Lw = std::max(D, 0.0);
        fw = scaled(k.nw, -Lw);
        if (D > 0.0)
            add_pull(ct.c1, scaled(unit(vec(k.w->internal_force)), D));
    } else if (sv == IN && sw == IN) {
        Lv += std::fabs(pv);
        Lw += std::fabs(pw);
        fv = scaled(k.nv, -Lv);
        fw = scaled(k.nw, -Lw);
    } else if (sv == IN && sw == NONE) {
        Lv += std::fabs(pv);
        Lw = pw > 0.0 ? Lw + pw : 0.0;
        fv = scaled(k.nv, -Lv);
        fw = scaled(k.nw, Lw);
        if (pw > 0.0)
            add_pull(ct.c2, vec(k.w->internal_force));
    } else if (sv == NONE && sw == IN) {
        Lv = pv > 0.0 ? Lv + pv : 0.0;
        Lw += std::fabs(pw);
        fv = scaled(k.nv, Lv);
        fw = scaled(k.nw, -Lw);
        if (pv > 0.0)
            add_pull(ct.c1, vec(k.v->internal_force));
    } else {  // NONE, NONE
        const bool pulls = pv > 0.0;
        Lv = pv > 0.0 ? Lv + pv : 0.0;
        Lw = pw > 0.0 ? Lw + pw : 0.0;
        fv = scaled(k.nv, Lv);
        fw = scaled(k.nw, Lw);
        if (pulls) {
            add_pull(ct.c1, vec(k.v->internal_force));
            add_pull(ct.c2, vec(k.w->internal_force));
        }
    }
    store(k.Lv, Lv);
    store(k.Lw, Lw);
    if (!keeps_force) {
        set(k.v->adhesion_force, fv);
        set(k.w->adhesion_force, fw);
    }
    return k.kind != Kind::Interior && (Lv > ct.A || Lw > ct.A);
}

// The cue rule: an unmarked couple may pass a force that points against a
// migrating cell's direction to the neighbour; at an end or single point a
// marked front vertex may draw its neighbour along.
void cue_rule(const Couple& k, const Contact& ct)
{
    const Vec Hv = vec(k.v->internal_force2), Hw = vec(k.w->internal_force2);
    const bool mv = k.v->migrate_mark, mw = k.w->migrate_mark;
    if (!mv && !mw) {
        if (!mechanics_draw(ct.p))
            return;
        if (dot(Hv, k.nv) > 0.0 && ct.c1->migrating && against(Hv, direction(ct.c1)))
            add_cue(ct.c2, negated(Hv));
        if (dot(Hw, k.nw) > 0.0 && ct.c2->migrating && against(Hw, direction(ct.c2)))
            add_cue(ct.c1, negated(Hw));
        return;
    }
    if (k.kind == Kind::Interior || mv == mw)
        return;
    const bool v_marked = mv;
    const Vec HM = v_marked ? Hv : Hw, HU = v_marked ? Hw : Hv;
    const Vec nM = v_marked ? k.nv : k.nw, nU = v_marked ? k.nw : k.nv;
    cell* cM = v_marked ? ct.c1 : ct.c2;
    cell* cU = v_marked ? ct.c2 : ct.c1;
    if (!mechanics_draw(ct.p))
        return;
    const double lM = length(HM);
    // A zero force of the marked vertex has no direction: the test fails.
    if (!along(HU, direction(cM)) || !(lM > 0.0) || !(dot(HM, nM) / lM < 0.25))
        return;
    if (k.kind == Kind::End && !(dot(HU, nU) > 0.0))
        return;
    add_cue(cU, HU);
}

bool usable(const point3D* p)
{
    return p && p->alive && p->next && p->prev && p->out_edge && p->in_edge && p->out_edge->cell && p->node;
}

}  // namespace

int FemStep::recover_and_break()
{
    unweld_edges.clear();
    short_edges.clear();
    release_points.clear();
    unweld_points.clear();
    split_points.clear();
    const int r = pair_pass();
    if (r != dbReader::STEP_OK)
        return r;
    return junction_pass();
}

int FemStep::pair_pass()
{
    auto both_forces = [this](point3D* x, bool outer_in, bool outer_out) {
        recover_force(x, U1, outer_in, outer_out, x->internal_force);
        recover_force(x, U2, outer_in, outer_out, x->internal_force2);
    };
    const std::size_t count = engine.interpairs.size();
    for (std::size_t i = 0; i < count; ++i) {
        interpair* ip = engine.interpairs[i];
        if (ip->removed || ip->MP.empty() || !ip->cell1 || !ip->cell2)
            continue;
        cell* c1 = ip->cell1;
        cell* c2 = ip->cell2;
        if (!c1->migrating && !c1->driven && !c2->migrating && !c2->driven)
            continue;
        const QString broken = QString("ERROR: the welded stretch of pair %1 between cells %2 and %3 is broken!")
                                   .arg(ip->id)
                                   .arg(c1->id)
                                   .arg(c2->id);
        mergepair* mp = ip->MP[0];
        if (!usable(mp->S1) || !usable(mp->S2) || !usable(mp->T1) || !usable(mp->T2))
            return fail(c1->id, broken);
        point3D *S1 = mp->S1, *S2 = mp->S2, *T1 = mp->T1, *T2 = mp->T2;
        const Contact ct{c1, c2, ip->adhesion, strength(c1) < 0.5 || strength(c2) < 0.5,
                         std::min(transmission(c1), transmission(c2))};

        if (S1 == S2) {
            both_forces(S1, true, true);
            both_forces(T1, true, true);
            if (S1->mp.size() != 1)
                continue;
            double o[2], n[2];
            unit_normal(S1->out_edge, o);
            unit_normal(S1->in_edge, n);
            const Vec nS = unit(Vec{o[0] + n[0], o[1] + n[1]});
            unit_normal(T1->out_edge, o);
            unit_normal(T1->in_edge, n);
            const Vec nT = unit(Vec{o[0] + n[0], o[1] + n[1]});
            const Couple k{S1,
                           T1,
                           nS,
                           nT,
                           {&mp->adhesion_load_S1, &mp->adhesion_load_S2},
                           {&mp->adhesion_load_T1, &mp->adhesion_load_T2},
                           Kind::Single};
            if (load_rule(k, ct))
                release_points.push_back(S1);
            cue_rule(k, ct);
            continue;
        }

        both_forces(S1, true, false);
        both_forces(S2, false, true);
        both_forces(T1, true, false);
        both_forces(T2, false, true);
        bool torn1 = false, torn2 = false;
        if (S1->mp.size() == 1) {
            double n[2];
            unit_normal(S1->out_edge, n);
            const Couple k{S1, T2, vec(n), negated(vec(n)), {&mp->adhesion_load_S1, nullptr},
                           {&mp->adhesion_load_T2, nullptr}, Kind::End};
            torn1 = load_rule(k, ct);
            cue_rule(k, ct);
        }
        if (S2->mp.size() == 1) {
            double n[2];
            unit_normal(S2->in_edge, n);
            const Couple k{S2, T1, vec(n), negated(vec(n)), {&mp->adhesion_load_S2, nullptr},
                           {&mp->adhesion_load_T1, nullptr}, Kind::End};
            torn2 = load_rule(k, ct);
            cue_rule(k, ct);
        }
        if (S1->next == S2) {
            // A stretch of one edge is unwelded once, whichever end tore.
            if (torn1 || torn2)
                unweld_edges.push_back(S1->mp.size() == 1 ? S1->out_edge : T1->out_edge);
            continue;
        }
        if (torn1)
            unweld_edges.push_back(S1->out_edge);
        if (torn2)
            unweld_edges.push_back(T1->out_edge);

        // The interior welds: x walks cell1 forwards, its partner cell2
        // backwards; the walk is bounded by cell1's ring.
        point3D* x = S1->next;
        if (x->mp.empty())
            return fail(c1->id, broken);
        point3D* w = x->mp[0];
        const std::size_t limit = c1->sides.size();
        for (std::size_t steps = 0; x != S2; ++steps) {
            if (steps >= limit || !usable(x) || !usable(w) || std::find(x->mp.begin(), x->mp.end(), w) == x->mp.end())
                return fail(c1->id, broken);
            both_forces(x, false, false);
            both_forces(w, false, false);
            double n[2];
            unit_normal(x->out_edge, n);
            const Couple k{x, w, vec(n), negated(vec(n)), {&x->adhesion_load, nullptr}, {&w->adhesion_load, nullptr},
                           Kind::Interior};
            load_rule(k, ct);
            cue_rule(k, ct);
            x = x->next;
            w = w->prev;
        }
    }
    return dbReader::STEP_OK;
}
