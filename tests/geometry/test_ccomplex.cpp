// Alpha complex over small triangulations: simplex order, ids and alphas.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "geometry/ccomplex.h"
#include "geometry/cd3dw.h"

namespace {

double signedRoot(double p) { return p > 0 ? std::sqrt(p) : -std::sqrt(-p); }

}  // namespace

TEST(CComplex, EquilateralTriangleGivesOneTriangleThenThreeEdges)
{
    double rect[4] = {-1000, -1000, 1020, 1020};
    CD3DW d(rect);
    const double s = 20.0, r = 8.0;
    d.add(0, 0, r, 1, nullptr);
    d.add(s, 0, r, 2, nullptr);
    d.add(s / 2, s * std::sqrt(3.0) / 2, r, 3, nullptr);
    CComplex c(&d);
    ASSERT_EQ(c.simplices.size(), 4u);
    EXPECT_EQ(c.simplices[0]->size(), 3);
    std::set<std::pair<int, int>> pairs;
    for (int k = 1; k < 4; ++k) {
        ASSERT_EQ(c.simplices[k]->size(), 2);
        auto* e = static_cast<C1Simplex*>(c.simplices[k]);
        EXPECT_GE(e->id[0], 1);
        EXPECT_LE(e->id[0], 3);
        pairs.insert({std::min(e->id[0], e->id[1]), std::max(e->id[0], e->id[1])});
        // Acute triangle: no edge is raised, alpha is the edge's own value.
        EXPECT_NEAR(e->alpha, signedRoot(s * s / 4 - r * r), 1e-9);
        EXPECT_EQ((*e)[2], nullptr);
        EXPECT_EQ((*e)[-1], nullptr);
    }
    EXPECT_EQ(pairs, (std::set<std::pair<int, int>>{{1, 2}, {1, 3}, {2, 3}}));

    auto* t = static_cast<C2Simplex*>(c.simplices[0]);
    const double R2 = s * s / 3.0;  // circumradius squared
    EXPECT_NEAR(t->alpha, signedRoot(R2 - r * r), 1e-9);
    EXPECT_NEAR(t->center_x, s / 2, 1e-9);
    EXPECT_EQ(t->generator->face->radius2, t->alpha);
    EXPECT_EQ((*t)[3], nullptr);
    EXPECT_EQ(std::set<int>(t->id, t->id + 3), (std::set<int>{1, 2, 3}));
    // Edge simplices are linked from both half-edges, the triangle from its three.
    for (int k = 1; k < 4; ++k) {
        CEdge* g = c.simplices[k]->generator;
        EXPECT_EQ(g->edge_simplex, c.simplices[k]);
        EXPECT_EQ(g->twin->edge_simplex, c.simplices[k]);
    }
    EXPECT_EQ(t->generator->next->face_simplex, t);
}

TEST(CComplex, ObtuseTriangleRaisesItsLongEdge)
{
    double rect[4] = {-1000, -1000, 1020, 1020};
    CD3DW d(rect);
    d.add(0, 0, 1, 1, nullptr);
    d.add(20, 0, 1, 2, nullptr);
    d.add(10, 2, 1, 3, nullptr);
    CComplex c(&d);
    ASSERT_EQ(c.simplices.size(), 4u);
    const double tri_alpha = c.simplices[0]->alpha;
    int raised = 0;
    for (int k = 1; k < 4; ++k) {
        auto* e = static_cast<C1Simplex*>(c.simplices[k]);
        const bool long_edge = std::min(e->id[0], e->id[1]) == 1 && std::max(e->id[0], e->id[1]) == 2;
        if (long_edge) {
            EXPECT_EQ(e->alpha, tri_alpha);
            EXPECT_EQ(e->generator->radius, tri_alpha);
            EXPECT_EQ(e->generator->twin->radius, tri_alpha);
            ++raised;
        } else {
            EXPECT_EQ(e->generator->radius, -10.0);
        }
    }
    EXPECT_EQ(raised, 1);
}

TEST(CComplex, CollinearCentresJoinOnlyConsecutiveOnes)
{
    double rect[4] = {-1000, -1000, 1100, 1100};
    CD3DW d(rect);
    // Inserted out of order; the middle one lies within the tolerance of the line.
    d.add(0, 0, 10, 1, nullptr);
    d.add(60, 0, 10, 4, nullptr);
    d.add(20, 1e-9, 10, 2, nullptr);
    d.add(40, 0, 10, 3, nullptr);
    CComplex c(&d);
    std::set<std::pair<int, int>> pairs;
    for (CSimplex* s : c.simplices) {
        ASSERT_EQ(s->size(), 2);
        auto* e = static_cast<C1Simplex*>(s);
        pairs.insert({std::min(e->id[0], e->id[1]), std::max(e->id[0], e->id[1])});
    }
    EXPECT_EQ(pairs, (std::set<std::pair<int, int>>{{1, 2}, {2, 3}, {3, 4}}));
}

TEST(CComplex, FewPointsAndSorting)
{
    double rect[4] = {-1000, -1000, 1000, 1000};
    {
        CD3DW d(rect);
        CComplex c(&d);
        EXPECT_TRUE(c.simplices.empty());
    }
    {
        CD3DW d(rect);
        d.add(0, 0, 1, 1, nullptr);
        d.add(5, 5, 1, 2, nullptr);
        CComplex c(&d);
        ASSERT_EQ(c.simplices.size(), 1u);
        EXPECT_EQ(c.simplices[0]->size(), 2);
    }
    CD3DW d(rect);
    CComplex c(&d);
    for (double a : {3.0, 1.0, 2.0, 3.0, 0.5, 5.0}) {
        auto* s = new C1Simplex;
        s->alpha = a;
        c.sort(s);
    }
    ASSERT_EQ(c.simplices.size(), 6u);
    for (size_t k = 1; k < c.simplices.size(); ++k)
        EXPECT_LE(c.simplices[k - 1]->alpha, c.simplices[k]->alpha);
}
