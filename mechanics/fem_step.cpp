// The mechanics step: eleven stages under one progress dialog, each a call on
// the step's working data (FemStep), which frees everything on every exit.
//
//   1 areas and death marks      5 two solves, tissue moved by U1
//   2 removal of dead cells      6 three relaxation solves, drift
//   3 unknowns and loads         7 internal forces and adhesion breakage
//   4 stiffness assembly         8 release of the system
//   9-11 unwelding responses, friction and relaxation, self collision and
//        the per-step reset
//
// Stages 1, 3 and 9 live here, 4 to 6 in fem_assembly.cpp, 7 in
// adhesion_breakage.cpp and junction_breakage.cpp.
#include "mechanics/fem_step.h"

#include "model/parameter_tables.h"
#include "model/stage_progress.h"

#include <QApplication>
#include <QProgressDialog>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kPi = 3.14159265;
constexpr double kPi2 = 9.869604378534024;
// A cell whose area falls strictly below this is marked dying.
constexpr double kDyingArea = 51.96000000000001;
// Largest area difference the normal drive of stage 3 answers to.
constexpr double kDriveClamp = 31.4159265;

double clamp(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

void unit_normal(edge* e, double out[2])
{
    const double nx = e->getnormal(0), ny = e->getnormal(1);
    const double L = std::hypot(nx, ny);
    if (L > 0.0 && std::isfinite(L)) {
        out[0] = nx / L;
        out[1] = ny / L;
    } else {
        out[0] = 0.0;
        out[1] = 0.0;
    }
}

bool mechanics_draw(double probability)
{
    const double u = (std::rand() + 1.0) * 4.656612873077393e-10;
    return u < probability;
}

FemStep::FemStep(dbReader& engine) : engine(engine) {}

FemStep::~FemStep()
{
    release();
}

int FemStep::fail(int result, const QString& text)
{
    engine.message = text;
    return result;
}

// --- stage 1 -----------------------------------------------------------------

void FemStep::update_areas()
{
    const std::size_t count = engine.cells.size();
    for (std::size_t i = 0; i < count; ++i) {
        cell* c = engine.cells[i];
        if (c->dead)
            continue;
        c->center_refresh();
        for (int k = 9; k > 0; --k)
            c->area_history[k] = c->area_history[k - 1];
        c->area_history[0] = c->area;
        c->set_area();
        // A NaN area compares false and leaves the cell alone.
        if (c->area < kDyingArea)
            c->dying = 1;
    }
}

void FemStep::take_cell_count()
{
    M = static_cast<int>(engine.cells.size());
}

// --- stage 3 -----------------------------------------------------------------

// Everything the later stages follow from a junction vertex: both ring links,
// both edges with this vertex at the right end, an owner cell, a finite
// position, and a partner and pair on every bonded side.
int FemStep::check_vertex(point3D* v, int node_position)
{
    edge* out = v->out_edge;
    edge* in = v->in_edge;
    cell* c = out ? out->cell : nullptr;
    const int where = c ? c->id : node_position;
    if (!v->alive || !v->next || !v->prev || !out || !in || !c || out->p1 != v || in->p2 != v || !out->p2 ||
        !in->p1 || !in->cell)
        return fail(where, QString("ERROR: vertex %1 in node %2 has a broken ring!").arg(v->id).arg(node_position));
    if (!std::isfinite(v->x) || !std::isfinite(v->y))
        return fail(where, QString("ERROR: vertex %1 of cell %2 is not at a finite position!").arg(v->id).arg(c->id));
    for (edge* e : {out, in})
        if (e->bonded && (!e->partner || !e->pair || !e->partner->p1 || !e->partner->p2))
            return fail(where, QString("ERROR: edge %1 of cell %2 is bonded without a partner or pair!")
                                   .arg(e->id)
                                   .arg(e->cell ? e->cell->id : -1));
    return dbReader::STEP_OK;
}

int FemStep::number_and_load()
{
    equations.clear();
    F1.clear();
    F2.clear();
    int k = 0;

    for (std::size_t n = 0; n < engine.nodes.size(); ++n) {
        node* nd = engine.nodes[n];
        if (!nd->active)
            continue;
        if (nd->vertices.empty())
            return fail(int(n), QString("ERROR: node %1 was empty!").arg(int(n)));
        for (point3D* v : nd->vertices) {
            const int r = check_vertex(v, int(n));
            if (r != dbReader::STEP_OK)
                return r;
        }
        point3D* head = nd->vertices[0];
        head->clear_node_sm();
        nd->index = k;
        head->index = k;
        equations.push_back(head);

        double S1[2] = {0.0, 0.0}, S2[2] = {0.0, 0.0};
        for (point3D* v : nd->vertices) {
            cell* c = v->out_edge->cell;
            v->x_history[2] = v->x_history[1];
            v->x_history[1] = v->x_history[0];
            v->x_history[0] = v->x;
            v->y_history[2] = v->y_history[1];
            v->y_history[1] = v->y_history[0];
            v->y_history[0] = v->y;
            const double L_out = v->out_edge->getlength();
            const double L_in = v->in_edge->getlength();

            // The drive mode follows the vertex's own cell type.
            const int m = index_stren_class[c->cell_type] > 0.5 ? 1 : 0;
            const double K = 2.0 * c->mu + c->lambda;
            const double per_side = c->sides.empty() ? 0.0 : K / (double(c->sides.size()) * kPi2);

            double t[2] = {0.0, 0.0};
            const double f = v->migrate_force;
            if (f != 0.0) {
                const double theta = c->migrate_angle * kPi / 180.0;
                t[0] = 0.5 * per_side * f * std::cos(theta);
                t[1] = 0.5 * per_side * f * std::sin(theta);
            }

            double a[2] = {0.0, 0.0};
            if (v->applied_force[0] != 0.0 || v->applied_force[1] != 0.0) {
                a[0] = v->applied_force[0];
                a[1] = v->applied_force[1];
                v->applied_force[0] = 0.0;
                v->applied_force[1] = 0.0;
                v->force_state = point3D::FORCE_OUTWARD;
            }

            double g = 0.0, g_a = 0.0;
            if (c->growth_rate == 0.0 && v->growth_force == 0.0) {
                if (!c->driven)
                    g = per_side * clamp(c->target_area - c->area, -kDriveClamp, kDriveClamp);
            } else if (m == 1 || v->migrate_mark) {
                g = per_side * (v->growth_force + c->growth_rate);
                g_a = c->migrate_relax ? 0.0 : g;
            }

            if (c->growth_rate == 0.0)
                v->force_state = point3D::FORCE_NONE;
            else if (c->growth_rate < 0.0)
                v->force_state = point3D::FORCE_INWARD;
            else if (m == 1 || !c->migrate_relax)
                v->force_state = point3D::FORCE_OUTWARD;
            if (f > 0.0)
                v->force_state = point3D::FORCE_OUTWARD;

            double u_out[2], u_in[2];
            unit_normal(v->out_edge, u_out);
            unit_normal(v->in_edge, u_in);

            for (int d = 0; d < 2; ++d) {
                const double pos = d == 0 ? v->x : v->y;
                const double next = d == 0 ? v->next->x : v->next->y;
                const double prev = d == 0 ? v->prev->x : v->prev->y;
                v->tension_next[d] = (next - pos) * c->tension;
                v->tension_prev[d] = (prev - pos) * c->tension;
                v->pressure_out[d] = 0.5 * L_out * c->pressure * u_out[d];
                v->pressure_in[d] = 0.5 * L_in * c->pressure * u_in[d];
                v->total_force[d] = v->tension_next[d] + v->tension_prev[d] + v->pressure_out[d] +
                                    v->pressure_in[d] + v->separation_force[d] + a[d] + v->force[d];
                v->pressure_increment_out[d] = g * u_out[d] + t[d];
                v->pressure_increment_in[d] = g * u_in[d] + t[d];
                // A driven cell's own line tension and pressure stay out of
                // its load, as they stay out of its target-area drive and of
                // its relaxation: its boundary rests on the soft edge
                // elements alone (shear stiffness about 0.02 a side against
                // a tension of 1), so feeding them back step after step
                // would multiply a free side's movement several times a step.
                const double load = c->driven ? v->separation_force[d] + a[d] + v->force[d] : v->total_force[d];
                S1[d] += load + v->pressure_increment_out[d] + v->pressure_increment_in[d];
                S2[d] += g_a * (u_out[d] + u_in[d]) + 2.0 * t[d] + a[d] + v->force[d];
                v->separation_force[d] = 0.0;
                v->force[d] = 0.0;
            }
            v->growth_force = 0.0;
            v->diag_sm[0][0] = v->diag_sm[0][1] = v->diag_sm[1][0] = v->diag_sm[1][1] = 0.0;
        }
        F1.push_back(S1[0]);
        F1.push_back(S1[1]);
        F2.push_back(S2[0]);
        F2.push_back(S2[1]);
        ++k;
    }

    for (int i = 0; i < M; ++i) {
        cell* c = engine.cells[i];
        if (c->dead || c->driven)
            continue;
        c->has_pull = 0;
        c->has_cue = 0;
        c->pull_force[0] = c->pull_force[1] = 0.0;
        c->cue_force[0] = c->cue_force[1] = 0.0;
        for (std::size_t j = 0; j < c->inner_p.size(); ++j) {
            point3D* q = c->inner_p[j];
            if (!std::isfinite(q->x) || !std::isfinite(q->y))
                return fail(c->id, QString("ERROR: inner point %1 of cell %2 is not at a finite position!")
                                       .arg(int(j))
                                       .arg(c->id));
            q->id = k;
            q->index = k;
            equations.push_back(q);
            q->diag_sm[0][0] = q->diag_sm[0][1] = q->diag_sm[1][0] = q->diag_sm[1][1] = 0.0;
            q->clear_node_sm();
            F1.push_back(0.0);
            F1.push_back(0.0);
            F2.push_back(0.0);
            F2.push_back(0.0);
            ++k;
        }
    }
    return dbReader::STEP_OK;
}

// --- stage 8 -----------------------------------------------------------------

void FemStep::release()
{
    // No point keeps a block that is about to be freed.
    for (point3D* p : equations) {
        p->clear_node_sm();
        p->node_sm_count = 0;
    }
    std::vector<le_sm*>().swap(blocks);
    std::deque<le_sm>().swap(block_store);
    std::vector<point3D*>().swap(equations);
    for (auto* v : {&F1, &F2, &D, &values, &b1, &U1, &W1, &b2, &U2, &W2, &b3, &U3, &W3})
        std::vector<double>().swap(*v);
    std::vector<int>().swap(R);
    std::vector<int>().swap(columns);
    std::vector<char>().swap(held);
}

// --- stage 9 -----------------------------------------------------------------

int FemStep::respond_to_breakage()
{
    // Each list is walked by position with its length read again, so entries
    // appended meanwhile are answered too; a failing response ends the step.
    int r = dbReader::STEP_OK;
    for (std::size_t i = 0; i < unweld_edges.size(); ++i)
        if ((r = engine.edge_response_b0(unweld_edges[i])) != dbReader::STEP_OK)
            return r;
    for (std::size_t i = 0; i < short_edges.size(); ++i)
        if ((r = engine.edge_response_b1(short_edges[i])) != dbReader::STEP_OK)
            return r;
    for (std::size_t i = 0; i < release_points.size(); ++i)
        if ((r = engine.point_response_b0(release_points[i])) != dbReader::STEP_OK)
            return r;
    for (std::size_t i = 0; i < unweld_points.size(); ++i)
        if ((r = engine.point_response_b1(unweld_points[i])) != dbReader::STEP_OK)
            return r;
    for (std::size_t i = 0; i < split_points.size(); ++i)
        if ((r = engine.point_response_b2(split_points[i])) != dbReader::STEP_OK)
            return r;
    return dbReader::STEP_OK;
}

// --- the step ------------------------------------------------------------------

int dbReader::cell_dynamic_FEM(int step)
{
    QProgressDialog progress;
    // The step ends with the dialog at its maximum, not reset.
    progress.setAutoReset(false);
    showStageProgress(progress, QCoreApplication::translate("dbReader", "Physical and mechanical processing"),
                      QCoreApplication::translate("dbReader", "Update cell area..."), 99);
    auto stage = [&progress](const char* label, int value) {
        progress.setLabelText(QCoreApplication::translate("dbReader", label));
        progress.setValue(value);
        qApp->processEvents();
    };

    FemStep fem(*this);
    int r = STEP_OK;

    // 1. Areas; too-small cells are marked.
    fem.update_areas();

    // 2. Marked cells leave the tissue.
    stage("Remove dead cells away...", 5);
    cell_death_correction();
    fem.take_cell_count();

    // 3. Unknowns and loads.
    stage("Update forces due to migration and proliferation...", 10);
    if ((r = fem.number_and_load()) != STEP_OK)
        return r;

    // 4. Stiffness.
    stage("Update stiffness matrix...", 15);
    if ((r = fem.assemble()) != STEP_OK)
        return r;

    // 5. Two solves; the tissue moves by the first.
    stage("Solving equations...", 20);
    if ((r = fem.solve()) != STEP_OK)
        return r;

    // 6. Relaxation towards the target areas.
    stage("Displacement relax...", 40);
    if ((r = fem.relax_displacement()) != STEP_OK)
        return r;

    // 7. Internal forces, adhesion loads, breakage lists.
    stage("Internal force recovery...", 80);
    if ((r = fem.recover_and_break()) != STEP_OK)
        return r;

    // 8. The system goes.
    stage("Free up memory...", 85);
    fem.release();

    // 9. The broken adhesions come apart, list by list.
    stage("Geometry change due to internal force...", 90);
    if ((r = fem.respond_to_breakage()) != STEP_OK)
        return r;

    // 10. Migrating cells slide or move; growing, migration-relaxing and
    // driven cells relax.
    stage("Geometry change due to adhesion breakage...", 95);
    for (int i = 0; i < fem.M; ++i) {
        cell* c = cells[i];
        if (c->dead || !c->migrating)
            continue;
        if ((r = cell_friction_response(c, step)) != STEP_OK)
            return r;
        c->has_cue = 0;
        c->cue_force[0] = c->cue_force[1] = 0.0;
    }
    for (int i = 0; i < fem.M; ++i) {
        cell* c = cells[i];
        if (!c->dead && !c->migrate_relax && c->growth_rate > 0.0)
            cell_simple_relaxation(c, step);
    }
    for (int i = 0; i < fem.M; ++i) {
        cell* c = cells[i];
        if (c->dead)
            continue;
        if (c->migrated)
            c->update_migrate_persistence();
        if (c->migrate_relax) {
            cell_simple_relaxation(c, step);
            c->migrate_relax = 0;
            c->migrate_relaxed = 1;
        } else if (c->driven) {
            cell_simple_relaxation(c, step);
        }
    }

    // 11. Migrating cells whose boundary crosses itself leave; the others
    // close the gap behind them; then the per-step reset.
    stage("Self collision detection...", 97);
    for (int i = 0; i < fem.M; ++i) {
        cell* c = cells[i];
        if (!c->dead && c->migrating && cell_self_collision(c, step))
            cell_death_response(c);
    }
    for (int i = 0; i < fem.M; ++i) {
        cell* c = cells[i];
        if (!c->dead && c->migrating && (r = migrating_cell_rear(c, 0, step)) != STEP_OK)
            return r;
    }
    for (int i = 0; i < fem.M; ++i) {
        cell* c = cells[i];
        if (c->dead)
            continue;
        if (!c->keep_growth_rate)
            c->growth_rate = 0.0;
        if (c->migrating) {
            c->migrating = 0;
            c->migrate_relax = 0;
            c->front_first = nullptr;
            c->front_last = nullptr;
        }
    }
    fem.unweld_edges.clear();
    fem.short_edges.clear();
    fem.release_points.clear();
    fem.unweld_points.clear();
    fem.split_points.clear();
    progress.setValue(progress.maximum());
    qApp->processEvents();
    return STEP_OK;
}
