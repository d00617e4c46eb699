// Alpha complex over small triangulations: simplex order, ids and alphas.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

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

TEST(CComplex, RandomCentresListTrianglesThenEdgesInCreationOrder)
{
    for (unsigned seed : {11u, 12u, 13u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 gen(seed);
        std::uniform_real_distribution<double> pos(0.0, 900.0), rad(8.0, 12.0);
        double rect[4] = {-1000, -1000, 1900, 1900};
        CD3DW d(rect);
        for (int i = 0; i < 2000; ++i) {
            const double x = pos(gen), y = pos(gen);
            d.add(x, y, rad(gen), i + 1, nullptr);
        }
        std::map<const CEdge*, size_t> order;
        for (size_t i = 0; i < d.edges.size(); ++i)
            order[d.edges[i]] = i;

        std::vector<std::vector<int>> first;
        for (int pass = 0; pass < 2; ++pass) {
            // A second complex over the same triangulation starts afresh.
            CComplex c(&d);
            size_t triangles = 0, edges = 0, last = 0;
            bool edge_seen = false;
            std::vector<int> ids;
            for (CSimplex* s : c.simplices) {
                const size_t at = order.at(s->generator);
                if (s->size() == 3) {
                    EXPECT_FALSE(edge_seen);
                    EXPECT_TRUE(triangles == 0 || at > last);
                    ++triangles;
                } else {
                    ASSERT_EQ(s->size(), 2);
                    EXPECT_TRUE(edges == 0 || at > last);
                    edge_seen = true;
                    ++edges;
                    // Its alpha starts from the radius the triangles left on
                    // the edge, whichever of them came later in the list.
                    const CXYZW* v = (*s)[0];
                    const double dx = s->center_x - v->x, dy = s->center_y - v->y;
                    EXPECT_EQ(s->alpha, std::max(signedRoot(dx * dx + dy * dy - v->z * v->z), s->generator->radius));
                }
                last = at;
                ids.push_back(s->size() == 2 ? static_cast<C1Simplex*>(s)->id[0] : static_cast<C2Simplex*>(s)->id[0]);
            }
            size_t alive_triangles = 0, current_edges = 0;
            for (const CCell* t : d.cells)
                alive_triangles += t->alive && !t->has_bounding_vertex();
            for (const CEdge* e : d.edges)
                current_edges += !(e->flags & CEdge::FLAG_EXCLUDED) && !e->org->is_bounding() && !e->dest->is_bounding();
            EXPECT_EQ(triangles, alive_triangles);
            EXPECT_EQ(2 * edges, current_edges);
            if (pass == 0)
                first.push_back(ids);
            else
                EXPECT_EQ(ids, first[0]);
        }
    }
}
