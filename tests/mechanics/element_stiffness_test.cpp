// Element stiffness matrices: the constant-strain triangle against an
// independent area * B^T D B, and the two edge triangles with their apexes
// and their coupling into the node blocks.
#include "model/contact.h"
#include "model/edge.h"
#include "model/mesh.h"
#include "model/point3d.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

using Matrix = std::array<std::array<double, 6>, 6>;

// area * B^T D B for the plane constitutive matrix, written out from the
// strain-displacement matrix B (3 x 6) of the linear triangle.
Matrix referenceStiffness(const double P[3][2], double lambda, double mu)
{
    const double x1 = P[0][0], y1 = P[0][1], x2 = P[1][0], y2 = P[1][1], x3 = P[2][0], y3 = P[2][1];
    const double twiceArea = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
    const double area = std::fabs(twiceArea) / 2.0;
    const double dNdx[3] = {(y2 - y3) / twiceArea, (y3 - y1) / twiceArea, (y1 - y2) / twiceArea};
    const double dNdy[3] = {(x3 - x2) / twiceArea, (x1 - x3) / twiceArea, (x2 - x1) / twiceArea};
    double B[3][6] = {};
    for (int i = 0; i < 3; ++i) {
        B[0][2 * i] = dNdx[i];
        B[1][2 * i + 1] = dNdy[i];
        B[2][2 * i] = dNdy[i];
        B[2][2 * i + 1] = dNdx[i];
    }
    const double D[3][3] = {{lambda + 2 * mu, lambda, 0}, {lambda, lambda + 2 * mu, 0}, {0, 0, mu}};
    Matrix K{};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) {
            double s = 0;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    s += B[i][r] * D[i][j] * B[j][c];
            K[r][c] = area * s;
        }
    return K;
}

void expectMatrix(const double (*K)[6], const Matrix& want, double tol = 1e-12)
{
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c)
            EXPECT_NEAR(K[r][c], want[r][c], tol) << r << "," << c;
}

void expectSymmetricWithZeroRowSums(const double (*K)[6])
{
    for (int r = 0; r < 6; ++r) {
        double sx = 0, sy = 0;
        for (int c = 0; c < 6; ++c) {
            EXPECT_NEAR(K[r][c], K[c][r], 1e-12) << r << "," << c;
            (c % 2 == 0 ? sx : sy) += K[r][c];
        }
        // A rigid translation costs nothing.
        EXPECT_NEAR(sx, 0.0, 1e-12) << r;
        EXPECT_NEAR(sy, 0.0, 1e-12) << r;
    }
}

struct Corners {
    point3D a{0, 0, 0}, b{1, 0, 0}, c{2, 0, 0};
    Corners(const double P[3][2])
    {
        point3D* q[3] = {&a, &b, &c};
        for (int i = 0; i < 3; ++i) {
            q[i]->x = P[i][0];
            q[i]->y = P[i][1];
        }
    }
};

TEST(ElementStiffness, TrianglesMatchAnIndependentAssemblyInAnyVertexOrder)
{
    const double right[3][2] = {{0, 0}, {1, 0}, {0, 1}};
    const double skew[3][2] = {{1.5, -2.0}, {7.25, 0.5}, {3.0, 4.75}};
    const struct {
        const double (*P)[2];
        double lambda, mu;
    } cases[] = {{right, 1.0, 1.0}, {skew, 1.63, 0.033}, {skew, 2.0, 0.7}};
    for (const auto& k : cases) {
        Corners corners(k.P);
        triangle t(0, &corners.a, &corners.b, &corners.c);
        t.lambda = k.lambda;
        t.mu = k.mu;
        t.set_Stiffness_matrix();
        expectMatrix(t.sm, referenceStiffness(k.P, k.lambda, k.mu));
        expectSymmetricWithZeroRowSums(t.sm);

        // Clockwise order: the same entries, permuted, no sign flipped.
        triangle u(1, &corners.a, &corners.c, &corners.b);
        u.lambda = k.lambda;
        u.mu = k.mu;
        u.set_Stiffness_matrix();
        const int to[3] = {0, 2, 1};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int r = 0; r < 2; ++r)
                    for (int c = 0; c < 2; ++c)
                        EXPECT_DOUBLE_EQ(u.sm[2 * i + r][2 * j + c], t.sm[2 * to[i] + r][2 * to[j] + c]);
    }
    // The worked value: J = 1, sm[0][0] = ((l + 2m) + m) / 2 = 2.
    Corners corners(right);
    triangle t(0, &corners.a, &corners.b, &corners.c);
    t.lambda = t.mu = 1.0;
    t.set_Stiffness_matrix();
    EXPECT_DOUBLE_EQ(t.sm[0][0], 2.0);
}

TEST(ElementStiffness, DegenerateTrianglesAndEdgesContributeNothing)
{
    const double flat[3][2] = {{0, 0}, {1, 1}, {2, 2}};
    const double piled[3][2] = {{3, 3}, {3, 3}, {5, 1}};
    const double far[3][2] = {{0, 0}, {1e308, 0}, {0, 1e308}};
    for (const auto* P : {flat, piled, far}) {
        Corners corners(P);
        triangle t(0, &corners.a, &corners.b, &corners.c);
        t.lambda = t.mu = 1.0;
        t.set_Stiffness_matrix();
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 6; ++c)
                EXPECT_EQ(t.sm[r][c], 0.0);
    }
    point3D p(0, 4, 4), q(1, 4, 4);
    node n(0), m(1);
    n.pushvertex(&p);
    m.pushvertex(&q);
    p.node = &n;
    q.node = &m;
    edge e(0, &p, &q, nullptr);
    e.set_virtual_stiffness_matrix();
    e.set_soften_stiffness_matrix();
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) {
            EXPECT_EQ(e.virtual_sm[r][c], 0.0);
            EXPECT_EQ(e.soften_sm[r][c], 0.0);
        }
    EXPECT_EQ(p.diag_sm[0][0], 0.0);
}

// Two heads in nodes of their own, an edge between them.
struct EdgeRig {
    point3D p{0, 0, 0}, q{1, 2, 0};
    node n{0}, m{1};
    edge e{0, &p, &q, nullptr};
    EdgeRig()
    {
        n.pushvertex(&p);
        m.pushvertex(&q);
        p.node = &n;
        q.node = &m;
    }
};

TEST(ElementStiffness, EdgeTrianglesStandOutsideAndInsideTheEdge)
{
    EdgeRig rig;
    rig.e.set_virtual_stiffness_matrix();
    EXPECT_EQ(rig.e.normal[0], 0.0);
    EXPECT_EQ(rig.e.normal[1], -2.0);
    const double outside[3][2] = {{0, 0}, {2, 0}, {1, -0.866 * 2}};
    expectMatrix(rig.e.virtual_sm, referenceStiffness(outside, 1.63, 0.033));
    expectSymmetricWithZeroRowSums(rig.e.virtual_sm);

    rig.e.set_soften_stiffness_matrix();
    const double inside[3][2] = {{0, 0}, {2, 0}, {1, 0.866 * 2}};
    expectMatrix(rig.e.soften_sm, referenceStiffness(inside, 1.63, 0.033));
    // The apexes mirror each other: the xy coupling changes sign, nothing else.
    EXPECT_NEAR(rig.e.soften_sm[0][1], -rig.e.virtual_sm[0][1], 1e-12);
    EXPECT_NEAR(rig.e.soften_sm[0][0], rig.e.virtual_sm[0][0], 1e-12);
}

TEST(ElementStiffness, TheVirtualEdgeJoinsTheBlockItsHeadsShare)
{
    // No shared block: only the two diagonal blocks change.
    {
        EdgeRig rig;
        rig.e.coupling_sm[0][0] = 7.0;
        rig.e.set_virtual_stiffness_matrix();
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                EXPECT_DOUBLE_EQ(rig.p.diag_sm[i][j], rig.e.virtual_sm[i][j]);
                EXPECT_DOUBLE_EQ(rig.q.diag_sm[i][j], rig.e.virtual_sm[2 + i][2 + j]);
            }
        EXPECT_EQ(rig.e.coupling_sm[0][0], 7.0);
    }
    // A block made as (p, q) or as (q, p) takes the coupling the right way
    // round, with its transpose kept.
    for (bool forward : {true, false}) {
        EdgeRig rig;
        le_sm block(0);
        block.a = forward ? &rig.p : &rig.q;
        block.b = forward ? &rig.q : &rig.p;
        block.k_ab[0][1] = 0.5;
        block.k_ba[1][0] = 0.5;
        rig.p.node_sm.push_back(&block);
        rig.q.node_sm.push_back(&block);
        rig.e.set_virtual_stiffness_matrix();
        double (*pq)[2] = forward ? block.k_ab : block.k_ba;
        double (*qp)[2] = forward ? block.k_ba : block.k_ab;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                const double before = (forward ? (i == 0 && j == 1) : (i == 1 && j == 0)) ? 0.5 : 0.0;
                EXPECT_DOUBLE_EQ(pq[i][j], before + rig.e.virtual_sm[i][2 + j]) << forward;
                EXPECT_DOUBLE_EQ(qp[j][i], pq[i][j]);
                EXPECT_DOUBLE_EQ(rig.e.coupling_sm[i][j], forward ? block.k_ab[i][j] : block.k_ba[i][j]);
            }
        rig.p.clear_node_sm();
        rig.q.clear_node_sm();
    }
}

}  // namespace
