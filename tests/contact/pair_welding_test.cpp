// Welding a pair that has no stretch yet: one stretch for two overlapping
// cells, and the ids of the stretches when each cell offers two candidate
// runs (the product of the runs' 1-based indices).
#include "contact/welding.h"
#include "contact_fixtures.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

namespace {

interpair* pairOf(dbReader& e, int i, int j)
{
    auto* p = new interpair(static_cast<int>(e.interpairs.size()), e.cells[i], e.cells[j]);
    p->adhesion = p->adhesion_copy = 0.0;
    e.interpairs.push_back(p);
    e.cells[i]->pairs.push_back(p);
    e.cells[j]->pairs.push_back(p);
    return p;
}

TEST(PairWelding, TwoOverlappingCellsGetOneStretch)
{
    TissueLayout layout;
    layout.cells = {twentyGon(0.0, 0.0), twentyGon(18.0, 0.0)};
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    interpair* p = pairOf(*e, 0, 1);
    e->collision_response(p);
    ASSERT_EQ(p->MP.size(), 1u);
    mergepair* m = p->MP[0];
    EXPECT_EQ(m->id, 1);
    EXPECT_NE(m->S1, m->S2);
    // The welded stretch lies on the line x = 9 between the two centres.
    for (point3D* v = m->S1; v != m->S2; v = v->next) {
        EXPECT_NEAR(v->x, 9.0, 1.0);
        EXPECT_TRUE(v->out_edge->bonded);
    }
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(PairWelding, CandidatesMissingOnOneCellLeaveThePairAlone)
{
    TissueLayout layout;
    layout.cells = {twentyGon(0.0, 0.0), twentyGon(40.0, 0.0)};
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    interpair* p = pairOf(*e, 0, 1);
    const std::size_t points = e->points.size();
    e->collision_response(p);
    EXPECT_TRUE(p->MP.empty());
    EXPECT_EQ(e->points.size(), points);
}

// A vertical bar crossing a horizontal bar: each side of one bar crosses
// each side of the other once.
TEST(PairWelding, StretchIdsAreProductsOfRunIndices)
{
    TissueLayout layout;
    FixtureCell vertical, horizontal;
    vertical.ring = {{2, 0}, {8, 0}, {8, 3}, {8, 7}, {8, 10}, {2, 10}, {2, 7}, {2, 3}};
    horizontal.ring = {{0, 2}, {3, 2}, {7, 2}, {10, 2}, {10, 8}, {7, 8}, {3, 8}, {0, 8}};
    layout.cells = {vertical, horizontal};
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    interpair* p = pairOf(*e, 0, 1);
    auto A = [&](int k) { return vertexAt(*e, 0, k); };
    auto B = [&](int k) { return vertexAt(*e, 1, k); };
    // Right then left side of the vertical bar; bottom then top of the other.
    const std::vector<point3D*> S = {A(1), A(4), A(5), A(0)};
    const std::vector<point3D*> T = {B(0), B(3), B(4), B(7)};
    ASSERT_TRUE(welding::weld_new_pair(*e, p, S, T));
    ASSERT_EQ(p->MP.size(), 4u);
    EXPECT_EQ(p->MP[0]->id, 1);
    EXPECT_EQ(p->MP[1]->id, 2);
    EXPECT_EQ(p->MP[2]->id, 2);
    EXPECT_EQ(p->MP[3]->id, 4);
    // Each crossing became one welded point.
    for (mergepair* m : p->MP) {
        EXPECT_EQ(m->S1, m->S2);
        EXPECT_EQ(m->T1, m->T2);
        EXPECT_TRUE(m->S1->checkmp(m->T1));
    }
    EXPECT_TRUE(topologyIsSound(*e));
}

// Both crossings sit at the middle of the second cell's edges and nearer the
// first cell's vertex: the first search finds one (code 5), the second search
// sees the same edges the other way round (both at -1) and finds none. The
// combination ends without a stretch instead of welding with a missing end.
TEST(PairWelding, FirstCrossingWithoutSecondWeldsNothing)
{
    TissueLayout layout;
    FixtureCell square, wedge;
    square.ring = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    wedge.ring = {{0, -4}, {6, -4}, {5, -1}, {3, 1}, {1, -1}};
    layout.cells = {square, wedge};
    std::string error;
    auto e = buildTissue(layout, &error);
    ASSERT_TRUE(e) << error;
    interpair* p = pairOf(*e, 0, 1);
    auto A = [&](int k) { return vertexAt(*e, 0, k); };
    auto B = [&](int k) { return vertexAt(*e, 1, k); };
    EXPECT_EQ(e->intersection_type(A(0), B(4)), 5);
    EXPECT_EQ(e->intersection_type(B(2), A(1)), -1);
    EXPECT_EQ(e->intersection_type(B(3), A(1)), -1);
    const std::size_t points = e->points.size();
    ASSERT_TRUE(welding::weld_new_pair(*e, p, {A(3), A(1)}, {B(1), B(4)}));
    EXPECT_TRUE(p->MP.empty());
    EXPECT_EQ(e->points.size(), points);
    EXPECT_EQ(A(0)->x, 0.0);
    EXPECT_TRUE(A(0)->mp.empty());
    EXPECT_TRUE(topologyIsSound(*e));
}

} // namespace
