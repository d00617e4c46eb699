// Stiffness assembly and the five solves of the mechanics step (stages 4 to
// 6), and the force recovery that reads the assembled elements back.
//
// Assembly: every element matrix (inner triangles of a free cell, the virtual
// triangles of its unwelded sides, the softened triangles of every side of a
// driven cell) is scattered into 2x2 blocks between equation points: the
// diagonal block of a point in point3D::diag_sm, the coupling of two points in
// one le_sm listed by both. The rows are then laid out once: for a point with
// m blocks, rows 2k and 2k+1 hold 2m coupling entries and the x-y entry of its
// own diagonal block; the main diagonal is D.
#include "mechanics/fem_step.h"

#include "geometry/solvers.h"
#include "model/parameter_tables.h"

#include <cmath>
#include <string>

namespace {

constexpr double kPi2 = 9.869604378534024;
// Largest area difference the relaxation solves answer to.
constexpr double kRelaxClamp = 15.70796325;
constexpr double kTolerance = 0.005;
constexpr int kMaxSweeps = 500;
// Start value of every unknown of a solve (held points start at 0 whatever
// it is, see run_solver). The solver stops once a sweep
// changes no unknown by more than kTolerance of the largest value seen, which
// leaves the slowest mode (the whole tissue moving against the soft supports
// of its free sides) only partly corrected: a start of 0 leaves a remainder
// along the true answer, whereas any other common start value leaves one
// along that value, the same direction every step, and a resting tissue would
// travel along it.
constexpr double kStart = 0.0;

bool all_zero(const double (*K)[6], int count)
{
    for (int i = 0; i < 2 * count; ++i)
        for (int j = 0; j < 2 * count; ++j)
            if (K[i][j] != 0.0)
                return false;
    return true;
}

cell* owner(const point3D* p)
{
    if (p->boundary)
        return p->out_edge ? p->out_edge->cell : nullptr;
    return p->cell;
}

}  // namespace

int FemStep::unknown_of(const point3D* p) const
{
    const int N = static_cast<int>(equations.size());
    int k = -1;
    const point3D* carrier = p;
    if (p->boundary) {
        const node* nd = p->node;
        if (!nd || !nd->active || nd->vertices.empty())
            return -1;
        k = nd->index;
        carrier = nd->vertices[0];
    } else {
        k = p->index;
    }
    if (k < 0 || k >= N || equations[k] != carrier)
        return -1;
    return k;
}

// Adds G (rows of P, columns of Q) to the block of P and Q, making it when
// they share none yet.
void FemStep::add_block(point3D* P, point3D* Q, const double G[2][2])
{
    if (join_block(P, Q, G))
        return;
    le_sm* b = &block_store.emplace_back(static_cast<int>(P->node_sm.size()));
    b->a = P;
    b->b = Q;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            b->k_ab[i][j] = G[i][j];
            b->k_ba[i][j] = G[j][i];
        }
    blocks.push_back(b);
    P->node_sm.push_back(b);
    Q->node_sm.push_back(b);
    P->node_sm_count = static_cast<int>(P->node_sm.size());
    Q->node_sm_count = static_cast<int>(Q->node_sm.size());
}

// Scatters an element over `count` equation points (its vertices in order).
// A degenerate element (a zero matrix) adds nothing. Two vertices on one
// point (welded into one node) add both couplings to its diagonal block.
void FemStep::add_element(point3D* const P[], int count, const double (*sm)[6])
{
    if (all_zero(sm, count))
        return;
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j) {
            double G[2][2];
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c)
                    G[r][c] = sm[2 * i + r][2 * j + c];
            if (P[i] == P[j]) {
                for (int r = 0; r < 2; ++r)
                    for (int c = 0; c < 2; ++c)
                        P[i]->diag_sm[r][c] += G[r][c] + G[c][r];
            } else {
                add_block(P[i], P[j], G);
            }
        }
    for (int i = 0; i < count; ++i)
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                P[i]->diag_sm[r][c] += sm[2 * i + r][2 * i + c];
}

// --- stage 4 -----------------------------------------------------------------

int FemStep::assemble()
{
    const int N = static_cast<int>(equations.size());

    // The equation point of an element vertex, or a failure naming it.
    auto point_of = [this](point3D* p, cell* c, point3D*& out) -> int {
        if (p->boundary && !p->node)
            return fail(c->id, QString("ERROR: node %1 from cell %2 is NULL!").arg(p->id).arg(c->id));
        const int k = unknown_of(p);
        if (k < 0)
            return fail(c->id, QString("ERROR: point %1 of cell %2 has no equation number in this step!")
                                   .arg(p->id)
                                   .arg(c->id));
        out = equations[k];
        return dbReader::STEP_OK;
    };

    for (int i = 0; i < M; ++i) {
        cell* c = engine.cells[i];
        if (c->dead)
            continue;
        // The equation points of the vertices of an element, in order.
        auto points_of = [&point_of, c](point3D* const V[], int count, point3D* P[]) {
            for (int i = 0; i < count; ++i) {
                const int r = point_of(V[i], c, P[i]);
                if (r != dbReader::STEP_OK)
                    return r;
            }
            return dbReader::STEP_OK;
        };
        if (c->driven) {
            for (edge* e : c->sides) {
                point3D* const V[2] = {e->p1, e->p2};
                point3D* H[2];
                if (const int r = points_of(V, 2, H); r != dbReader::STEP_OK)
                    return r;
                e->set_soften_stiffness_matrix();
                add_element(H, 2, e->soften_sm);
            }
            continue;
        }
        for (triangle* t : c->inner_t) {
            point3D* const V[3] = {t->a, t->b, t->c};
            point3D* P[3];
            if (const int r = points_of(V, 3, P); r != dbReader::STEP_OK)
                return r;
            t->set_Stiffness_matrix();
            add_element(P, 3, t->sm);
        }
        for (edge* e : c->sides) {
            if (e->bonded)
                continue;
            point3D* const V[2] = {e->p1, e->p2};
            point3D* H[2];
            if (const int r = points_of(V, 2, H); r != dbReader::STEP_OK)
                return r;
            e->set_virtual_stiffness_matrix();
        }
    }

    // A point no element reaches is held in place: diagonal 1, no load.
    D.assign(2 * N, 0.0);
    held.assign(N, 0);
    for (int k = 0; k < N; ++k) {
        const point3D* p = equations[k];
        D[2 * k] = p->diag_sm[0][0];
        D[2 * k + 1] = p->diag_sm[1][1];
        if (p->node_sm.empty() && p->diag_sm[0][0] == 0.0 && p->diag_sm[0][1] == 0.0 &&
            p->diag_sm[1][0] == 0.0 && p->diag_sm[1][1] == 0.0) {
            held[k] = 1;
            D[2 * k] = D[2 * k + 1] = 1.0;
        }
    }
    lay_out_rows();
    return dbReader::STEP_OK;
}

void FemStep::lay_out_rows()
{
    const int N = static_cast<int>(equations.size());
    R.assign(2 * N, 0);
    int end = 0;
    for (int k = 0; k < N; ++k) {
        const int length = 2 * static_cast<int>(equations[k]->node_sm.size()) + 1;
        end += length;
        R[2 * k] = end;
        end += length;
        R[2 * k + 1] = end;
    }
    columns.assign(end, 0);
    values.assign(end, 0.0);

    for (int i = 0; i < N; ++i) {
        point3D* p = equations[i];
        const int m = static_cast<int>(p->node_sm.size());
        const int s = i == 0 ? 0 : R[2 * i - 1];
        const int s2 = s + 2 * m + 1;
        for (int j = 0; j < m; ++j) {
            const le_sm* b = p->node_sm[j];
            const bool own_a = b->a == p;
            const int o = own_a ? b->b->index : b->a->index;
            const double (*K)[2] = own_a ? b->k_ab : b->k_ba;
            columns[s + 2 * j] = 2 * o;
            columns[s + 2 * j + 1] = 2 * o + 1;
            values[s + 2 * j] = K[0][0];
            values[s + 2 * j + 1] = K[0][1];
            columns[s2 + 2 * j] = 2 * o;
            columns[s2 + 2 * j + 1] = 2 * o + 1;
            values[s2 + 2 * j] = K[1][0];
            values[s2 + 2 * j + 1] = K[1][1];
        }
        columns[s + 2 * m] = 2 * i + 1;
        values[s + 2 * m] = p->diag_sm[0][1];
        columns[s2 + 2 * m] = 2 * i;
        values[s2 + 2 * m] = p->diag_sm[1][0];
    }
}

double FemStep::row_times(int r, const std::vector<double>& u) const
{
    double sum = D[r] * u[r];
    for (int k = r == 0 ? 0 : R[r - 1]; k < R[r]; ++k)
        sum += values[k] * u[columns[k]];
    return sum;
}

// --- stages 5 and 6 ----------------------------------------------------------

int FemStep::run_solver(const char* what, std::vector<double>& b, std::vector<double>& U, std::vector<double>& W,
                        double omega)
{
    const int n = static_cast<int>(D.size());
    // A held row has diagonal 1 and nothing else, so each sweep maps its
    // unknown x to (1 - omega) x + omega b: with omega = 1.5 that is -0.5 x
    // without a load, and a start other than 0 would move the point. The
    // rigid shift after the solve does not touch them either. So the solve
    // itself starts them at 0 with no load, where every sweep leaves them.
    for (std::size_t k = 0; k < held.size(); ++k)
        if (held[k])
            b[2 * k] = b[2 * k + 1] = U[2 * k] = U[2 * k + 1] = W[2 * k] = W[2 * k + 1] = 0.0;
    int iter = 0;
    std::string why;
    int row = -1;
    const double result = SOR_solver(n, kTolerance, omega, kMaxSweeps, iter, R.data(), columns.data(),
                                     values.data(), b.data(), U.data(), W.data(), D.data(), &why, &row);
    if (result != SOR_FAILED) {
        balance_net_force(b, U);
        return dbReader::STEP_OK;
    }
    int where = row >= 0 ? row / 2 : 0;
    if (row >= 0 && row / 2 < static_cast<int>(equations.size()))
        if (const cell* c = owner(equations[row / 2]))
            where = c->id;
    return fail(where, QString("ERROR: the %1 solve failed at cell %2: %3!")
                           .arg(what)
                           .arg(where)
                           .arg(QString::fromStdString(why)));
}

// A solve stopped at its tolerance leaves a remainder b - K U whose sum, a
// net force, mostly lies in the slowest mode: the whole tissue moving
// against the soft supports of its free sides. Left in, the same remainder
// comes back step after step at rest and the tissue travels. One rigid shift
// of the free points (every point but the held ones), found from the 2x2 sum
// of the matrix, balances it: the shifted answer meets the loads' net force
// exactly, as the solved system does.
void FemStep::balance_net_force(const std::vector<double>& b, std::vector<double>& U) const
{
    const int N = static_cast<int>(equations.size());
    double r[2] = {0.0, 0.0}, S[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
    for (int k = 0; k < N; ++k) {
        if (held[k])
            continue;
        for (int d = 0; d < 2; ++d) {
            const int row = 2 * k + d;
            r[d] += b[row] - row_times(row, U);
            S[d][d] += D[row];
            for (int e = row == 0 ? 0 : R[row - 1]; e < R[row]; ++e)
                S[d][columns[e] % 2] += values[e];
        }
    }
    const double det = S[0][0] * S[1][1] - S[0][1] * S[1][0];
    if (!(std::fabs(det) > 0.0) || !std::isfinite(det))
        return;
    const double dx = (S[1][1] * r[0] - S[0][1] * r[1]) / det;
    const double dy = (S[0][0] * r[1] - S[1][0] * r[0]) / det;
    for (int k = 0; k < N; ++k)
        if (!held[k]) {
            U[2 * k] += dx;
            U[2 * k + 1] += dy;
        }
}

// Moves the tissue by U: a head's new position goes to every vertex of its
// node, an inner point moves by its own entries. With `count_drift`, the
// nodes of fixed cell types add their displacement from history entry 3.
void FemStep::apply(const std::vector<double>& U, bool count_drift)
{
    const int N = static_cast<int>(equations.size());
    for (int k = 0; k < N; ++k) {
        point3D* p = equations[k];
        if (!p->boundary) {
            p->x += U[2 * k];
            p->y += U[2 * k + 1];
            continue;
        }
        const double x = p->x + U[2 * k];
        const double y = p->y + U[2 * k + 1];
        for (point3D* v : p->node->vertices) {
            v->x = x;
            v->y = y;
        }
        if (!count_drift)
            continue;
        for (point3D* v : p->node->vertices)
            if (fixed_cells[v->out_edge->cell->cell_type] == 1) {
                drift[0] += x - p->x_history[3];
                drift[1] += y - p->y_history[3];
                ++fixed_nodes;
                break;
            }
    }
}

int FemStep::solve()
{
    const int N = static_cast<int>(equations.size());
    b1 = F1;
    b2 = F2;
    U1.assign(2 * N, kStart);
    U2.assign(2 * N, kStart);
    W1 = U1;
    W2 = U2;
    int r = run_solver("first", b1, U1, W1, 1.5);
    if (r == dbReader::STEP_OK)
        r = run_solver("second", b2, U2, W2, 1.5);
    if (r != dbReader::STEP_OK)
        return r;
    apply(U1, false);
    return dbReader::STEP_OK;
}

void FemStep::relaxation_load(int pass)
{
    const int N = static_cast<int>(equations.size());
    b3.assign(2 * N, 0.0);
    U3.resize(2 * N);
    W3.resize(2 * N);
    for (int k = 0; k < N; ++k) {
        point3D* p = equations[k];
        U3[2 * k] = U3[2 * k + 1] = W3[2 * k] = W3[2 * k + 1] = kStart;
        if (!p->boundary || held[k])
            continue;
        // Each vertex pulls its cell towards its target area along the
        // normals of its two sides, unless the cell is driven, left out,
        // growing, or the vertex is on a migrating front.
        for (point3D* v : p->node->vertices) {
            cell* c = v->out_edge->cell;
            const bool skip = c->driven || c->relax_skip || c->growth_rate != 0.0 || v->migrate_force != 0.0;
            if (pass == 2 && !c->driven && !c->relax_skip)
                v->migrate_force = 0.0;
            if (skip || c->sides.empty())
                continue;
            double diff = c->target_area - c->area;
            diff = diff < -kRelaxClamp ? -kRelaxClamp : (diff > kRelaxClamp ? kRelaxClamp : diff);
            const double s = (2.0 * c->mu + c->lambda) * diff / (double(c->sides.size()) * kPi2);
            double u_out[2], u_in[2];
            unit_normal(v->out_edge, u_out);
            unit_normal(v->in_edge, u_in);
            b3[2 * k] += s * (u_out[0] + u_in[0]);
            b3[2 * k + 1] += s * (u_out[1] + u_in[1]);
        }
    }
}

int FemStep::relax_displacement()
{
    drift[0] = drift[1] = 0.0;
    fixed_nodes = 0;

    for (int pass = 1; pass <= 3; ++pass) {
        for (int i = 0; i < M; ++i)
            if (!engine.cells[i]->dead)
                engine.cells[i]->set_area();

        relaxation_load(pass);
        const int r = run_solver("relaxation", b3, U3, W3, 1.0);
        if (r != dbReader::STEP_OK)
            return r;
        apply(U3, pass == 2);
    }

    // The fixed cells are held in place on average: the whole tissue moves
    // back by their mean drift.
    if (fixed_nodes > 0) {
        drift[0] /= fixed_nodes;
        drift[1] /= fixed_nodes;
    }
    for (point3D* p : equations) {
        if (!p->boundary)
            continue;
        for (point3D* v : p->node->vertices) {
            cell* c = v->out_edge->cell;
            double u_out[2], u_in[2];
            unit_normal(v->out_edge, u_out);
            unit_normal(v->in_edge, u_in);
            const double L_out = v->out_edge->getlength();
            const double L_in = v->in_edge->getlength();
            v->tension_next[0] = (v->next->x - v->x) * c->tension;
            v->tension_next[1] = (v->next->y - v->y) * c->tension;
            v->tension_prev[0] = (v->prev->x - v->x) * c->tension;
            v->tension_prev[1] = (v->prev->y - v->y) * c->tension;
            for (int d = 0; d < 2; ++d) {
                v->pressure_out[d] = 0.5 * L_out * c->pressure * u_out[d];
                v->pressure_in[d] = 0.5 * L_in * c->pressure * u_in[d];
            }
            v->x -= drift[0];
            v->y -= drift[1];
        }
    }
    return dbReader::STEP_OK;
}

// --- force recovery --------------------------------------------------------------

void FemStep::recover_force(point3D* x, const std::vector<double>& U, bool outer_in, bool outer_out,
                            double out[2]) const
{
    out[0] = out[1] = 0.0;
    // Rows `row` and row + 1 of K against the unknowns of the element's
    // vertices P[0..count-1].
    auto add_rows = [this, &U, out](const double (*K)[6], int row, point3D* const P[], int count) {
        for (int j = 0; j < count; ++j) {
            const int k = unknown_of(P[j]);
            if (k < 0)
                continue;
            for (int r = 0; r < 2; ++r)
                out[r] += K[row + r][2 * j] * U[2 * k] + K[row + r][2 * j + 1] * U[2 * k + 1];
        }
    };
    const cell* c = x->out_edge->cell;
    if (c->driven) {
        point3D* in[2] = {x->in_edge->p1, x->in_edge->p2};
        point3D* on[2] = {x->out_edge->p1, x->out_edge->p2};
        add_rows(x->in_edge->soften_sm, 2, in, 2);
        add_rows(x->out_edge->soften_sm, 0, on, 2);
        return;
    }
    for (triangle* t : x->inner_at) {
        point3D* P[3] = {t->a, t->b, t->c};
        for (int r = 0; r < 3; ++r)
            if (P[r] == x) {
                add_rows(t->sm, 2 * r, P, 3);
                break;
            }
    }
    if (outer_in && !x->in_edge->bonded) {
        point3D* P[2] = {x->in_edge->p1, x->in_edge->p2};
        add_rows(x->in_edge->virtual_sm, 2, P, 2);
    }
    if (outer_out && !x->out_edge->bonded) {
        point3D* P[2] = {x->out_edge->p1, x->out_edge->p2};
        add_rows(x->out_edge->virtual_sm, 0, P, 2);
    }
}
