// Element stiffness matrices of the mechanics step: the constant-strain
// triangle of an inner-mesh element, and the two edge triangles that hold a
// boundary edge against a point fixed outside (a free side) or inside (a side
// of a driven cell). Matrices are 6x6, row-major, x before y, in the vertex
// order of the element.
#include "mechanics/fem_step.h"
#include "model/contact.h"
#include "model/edge.h"
#include "model/mesh.h"
#include "model/point3d.h"

#include <cmath>

namespace {

// Lame constants of the edge triangles.
constexpr double kEdgeLambda = 1.63;
constexpr double kEdgeMu = 0.033;
// Height of the edge triangle's apex over the edge, as a fraction of its length.
constexpr double kApexHeight = 0.866;

void zero(double K[6][6])
{
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            K[i][j] = 0.0;
}

// Constant-strain triangle over P[0..2]: area * B^T D B with the plane
// constitutive matrix D = [[l + 2m, l, 0], [l, l + 2m, 0], [0, 0, m]]. With
// b_i = y_j - y_k and c_i = x_k - x_j (i, j, k cyclic) and J = |sum x_i b_i|
// (twice the area, taken positive so that the vertex order never flips a
// sign), block (i, j) is, over 2J:
//   xx (l + 2m) b_i b_j + m c_i c_j     xy l b_i c_j + m c_i b_j
//   yx l c_i b_j + m b_i c_j            yy (l + 2m) c_i c_j + m b_i b_j
// A degenerate triangle (J zero or not finite) contributes nothing: K = 0.
void constant_strain(const double P[3][2], double lambda, double mu, double K[6][6])
{
    const double b[3] = {P[1][1] - P[2][1], P[2][1] - P[0][1], P[0][1] - P[1][1]};
    const double c[3] = {P[2][0] - P[1][0], P[0][0] - P[2][0], P[1][0] - P[0][0]};
    const double J = std::fabs(P[0][0] * b[0] + P[1][0] * b[1] + P[2][0] * b[2]);
    zero(K);
    if (!(J > 0.0) || !std::isfinite(J))
        return;
    const double s = 1.0 / (2.0 * J);
    const double l2m = lambda + 2.0 * mu;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            K[2 * i][2 * j] = (l2m * b[i] * b[j] + mu * c[i] * c[j]) * s;
            K[2 * i][2 * j + 1] = (lambda * b[i] * c[j] + mu * c[i] * b[j]) * s;
            K[2 * i + 1][2 * j] = (lambda * c[i] * b[j] + mu * b[i] * c[j]) * s;
            K[2 * i + 1][2 * j + 1] = (l2m * c[i] * c[j] + mu * b[i] * b[j]) * s;
        }
}

point3D* head_of(point3D* p)
{
    return p && p->node && !p->node->vertices.empty() ? p->node->vertices[0] : p;
}

// The triangle over the heads of e's end nodes with its apex at the edge's
// midpoint moved `side` * 0.866 L along the unit outward normal; sets
// edge::normal. A side of zero length gets a zero matrix.
void edge_triangle(edge* e, double side, double K[6][6])
{
    e->normal[0] = e->p2->y - e->p1->y;
    e->normal[1] = e->p1->x - e->p2->x;
    const double L = std::hypot(e->p1->x - e->p2->x, e->p1->y - e->p2->y);
    zero(K);
    if (!(L > 0.0))
        return;
    const point3D* h1 = head_of(e->p1);
    const point3D* h2 = head_of(e->p2);
    const double n[2] = {e->normal[0] / L, e->normal[1] / L};
    const double P[3][2] = {{h1->x, h1->y},
                            {h2->x, h2->y},
                            {(h1->x + h2->x) * 0.5 + side * kApexHeight * L * n[0],
                             (h1->y + h2->y) * 0.5 + side * kApexHeight * L * n[1]}};
    constant_strain(P, kEdgeLambda, kEdgeMu, K);
}

}  // namespace

const double (*join_block(point3D* P, point3D* Q, const double G[2][2]))[2]
{
    for (le_sm* b : P->node_sm) {
        double (*into)[2] = nullptr;
        double (*mirror)[2] = nullptr;
        if (b->a == P && b->b == Q) {
            into = b->k_ab;
            mirror = b->k_ba;
        } else if (b->a == Q && b->b == P) {
            into = b->k_ba;
            mirror = b->k_ab;
        } else {
            continue;
        }
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                into[i][j] += G[i][j];
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                mirror[i][j] = into[j][i];
        return into;
    }
    return nullptr;
}

void triangle::set_Stiffness_matrix()
{
    const double P[3][2] = {{a->x, a->y}, {b->x, b->y}, {c->x, c->y}};
    constant_strain(P, lambda, mu, sm);
}

void edge::set_soften_stiffness_matrix()
{
    edge_triangle(this, -1.0, soften_sm);
}

void edge::set_virtual_stiffness_matrix()
{
    edge_triangle(this, 1.0, virtual_sm);
    point3D* h1 = head_of(p1);
    point3D* h2 = head_of(p2);

    // The coupling of the two heads joins the block they already share; an
    // edge whose heads share none adds its diagonal blocks only.
    double Kc[2][2];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            Kc[i][j] = virtual_sm[i][2 + j];
    const auto* joined = join_block(h1, h2, Kc);
    if (joined)
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                coupling_sm[i][j] = joined[i][j];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            h1->diag_sm[i][j] += virtual_sm[i][j];
            h2->diag_sm[i][j] += virtual_sm[2 + i][2 + j];
        }
}
