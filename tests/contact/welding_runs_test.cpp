// Re-welding a stretch between two welded end couples (boundary_merge_2) and
// closing the gap between two welded points: how many vertices each side
// keeps, where they land, which cells are flagged for re-meshing, and that the
// tissue stays sound.
#include "contact/welding.h"
#include "contact_fixtures.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class FacingRuns : public ::testing::Test, protected FacingPieces {
protected:
    // Both runs hold `count` couples, welded at j/(count+1) of the chord, with
    // facing edges bonded within the pair.
    void expectWeldedRuns(std::size_t count)
    {
        const std::vector<point3D*> ra = ringBetween(P1, P2, false);
        const std::vector<point3D*> rb = ringBetween(Q1, Q2, true);
        ASSERT_EQ(ra.size(), count);
        ASSERT_EQ(rb.size(), count);
        for (std::size_t j = 0; j < count; ++j) {
            const double x = length_ * static_cast<double>(j + 1) / static_cast<double>(count + 1);
            EXPECT_NEAR(ra[j]->x, x, 1e-9);
            EXPECT_NEAR(ra[j]->y, 0.0, 1e-9);
            EXPECT_TRUE(ra[j]->checkmp(rb[j]));
            EXPECT_EQ(ra[j]->node, rb[j]->node);
        }
        for (point3D* v = P1; v != P2; v = v->next) {
            ASSERT_TRUE(v->out_edge->bonded);
            EXPECT_EQ(v->out_edge->pair, pair);
        }
        EXPECT_TRUE(topologyIsSound(*engine));
    }

    // The gap FA = P1 .. LA = P2 on A and FB = Q2 .. LB = Q1 on B.
    void closeGap()
    {
        ASSERT_TRUE(welding::close_gap(*engine, pair, P1, P2, Q2, Q1, welding::Pos{0.0, 0.0},
                                       welding::Pos{length_, 0.0}));
    }
};

using StretchReweld = FacingRuns;

TEST_F(StretchReweld, SameEndsChangeNothing)
{
    build(2, 2, 10.0);
    const std::size_t points = engine->points.size();
    engine->boundary_merge_2(P1, P1, Q1, Q2);
    engine->boundary_merge_2(P1, P2, Q1, Q1);
    EXPECT_EQ(engine->points.size(), points);
    EXPECT_FALSE(P1->out_edge->bonded);
    EXPECT_TRUE(topologyIsSound(*engine));
}

TEST_F(StretchReweld, TwoSingleEdgesAreOnlyBonded)
{
    build(0, 0, 10.0);
    engine->boundary_merge_2(P1, P2, Q1, Q2);
    EXPECT_EQ(P1->out_edge->partner, Q1->in_edge);
    EXPECT_FALSE(A->remesh);
    EXPECT_FALSE(B->remesh);
    expectWeldedRuns(0);
}

TEST_F(StretchReweld, TenApartGainsUpToThree)
{
    build(2, 3, 10.0); // n = 3
    engine->boundary_merge_2(P1, P2, Q1, Q2);
    EXPECT_TRUE(A->remesh);
    EXPECT_FALSE(B->remesh);
    expectWeldedRuns(3);
    // The mirror image: B is the poorer side.
    build(3, 1, 10.0);
    engine->boundary_merge_2(P1, P2, Q1, Q2);
    EXPECT_FALSE(A->remesh);
    EXPECT_TRUE(B->remesh);
    expectWeldedRuns(3);
}

TEST_F(StretchReweld, EqualCountsMoveOntoTheChordWithoutFlags)
{
    build(2, 2, 10.0);
    engine->boundary_merge_2(P1, P2, Q1, Q2);
    EXPECT_FALSE(A->remesh);
    EXPECT_FALSE(B->remesh);
    expectWeldedRuns(2);
}

TEST_F(StretchReweld, SurplusBeyondTargetLengthIsDropped)
{
    build(5, 2, 10.0); // kA = 5 > n = 3 >= kB = 2
    engine->boundary_merge_2(P1, P2, Q1, Q2);
    EXPECT_TRUE(A->remesh);
    EXPECT_FALSE(B->remesh);
    EXPECT_EQ(P2->in_edge->p1, a[1]);
    for (int j = 2; j < 5; ++j)
        EXPECT_FALSE(a[j]->alive);
    expectWeldedRuns(2);
}

TEST_F(StretchReweld, ShortChordCollapsesBothSides)
{
    build(2, 4, 3.0); // n = 0
    engine->boundary_merge_2(P1, P2, Q1, Q2);
    EXPECT_TRUE(A->remesh);
    EXPECT_TRUE(B->remesh);
    EXPECT_EQ(P1->next, P2);
    EXPECT_EQ(Q1->prev, Q2);
    EXPECT_EQ(P1->out_edge->partner, Q2->out_edge);
    expectWeldedRuns(0);
}

TEST_F(StretchReweld, SingleEdgeGainsMidpoint)
{
    build(0, 3, 10.0);
    engine->boundary_merge_2(P1, P2, Q1, Q2);
    EXPECT_FALSE(A->remesh);
    EXPECT_TRUE(B->remesh);
    EXPECT_EQ(Q1->prev, b[0]); // Q1's prev stays, moved to the middle
    EXPECT_FALSE(b[1]->alive);
    EXPECT_FALSE(b[2]->alive);
    expectWeldedRuns(1);
    // The mirror image: B's single edge gains, A keeps only P2's prev.
    build(3, 0, 10.0);
    engine->boundary_merge_2(P1, P2, Q1, Q2);
    EXPECT_TRUE(A->remesh);
    EXPECT_FALSE(B->remesh);
    EXPECT_EQ(P2->prev, a[2]);
    EXPECT_FALSE(a[0]->alive);
    EXPECT_FALSE(a[1]->alive);
    expectWeldedRuns(1);
}

using GapClosing = FacingRuns;

TEST_F(GapClosing, EmptyGapOnlyBondsTheFacingEdges)
{
    build(0, 0, 10.0);
    const std::size_t points = engine->points.size();
    const std::size_t edges = engine->edges.size();
    closeGap();
    EXPECT_EQ(engine->points.size(), points);
    EXPECT_EQ(engine->edges.size(), edges);
    expectWeldedRuns(0);
}

TEST_F(GapClosing, OneVertexOnOneSideGainsAPartner)
{
    build(0, 1, 10.0);
    closeGap();
    EXPECT_TRUE(b[0]->alive);
    expectWeldedRuns(1);
}

TEST_F(GapClosing, OneSidedFillKeepsOnlyTheVertexNextToLB)
{
    build(0, 4, 10.0);
    closeGap();
    // Ring order from FB: b4, b3, b2, b1; b1 (next to Q1 = LB) stays.
    EXPECT_TRUE(b[0]->alive);
    for (int j = 1; j < 4; ++j)
        EXPECT_FALSE(b[j]->alive);
    expectWeldedRuns(1);
}

TEST_F(GapClosing, EqualRunsAreSpreadFromTheFAEnd)
{
    build(1, 1, 10.0);
    closeGap();
    expectWeldedRuns(1);
}

TEST_F(GapClosing, ThreeAndThreeOverTenSitAtQuarters)
{
    build(3, 3, 10.0);
    closeGap();
    EXPECT_EQ(ringBetween(P1, P2, false), a); // the same vertices, re-welded in place
    expectWeldedRuns(3);
}

TEST_F(GapClosing, UnequalRunsSplitThePoorerSide)
{
    build(3, 1, 10.0);
    closeGap();
    const std::vector<point3D*> rb = ringBetween(Q1, Q2, true);
    ASSERT_EQ(rb.size(), 3u);
    EXPECT_EQ(rb[0], b[0]); // w1 re-welded at one quarter, N2 and N3 new
    EXPECT_GE(rb[1]->id, static_cast<int>(engine->points.size()) - 2);
    expectWeldedRuns(3);
    // The mirror image: A is the poorer side and gains after its a1.
    build(1, 3, 10.0);
    closeGap();
    const std::vector<point3D*> ra = ringBetween(P1, P2, false);
    ASSERT_EQ(ra.size(), 3u);
    EXPECT_EQ(ra[0], a[0]);
    expectWeldedRuns(3);
}

TEST_F(GapClosing, ExcessOnBothSidesKeepsN)
{
    build(3, 2, 6.0); // n = 1
    closeGap();
    EXPECT_FALSE(a[1]->alive);
    EXPECT_FALSE(a[2]->alive);
    EXPECT_FALSE(b[1]->alive);
    expectWeldedRuns(1);
}

TEST_F(GapClosing, ExcessOnOneSideKeepsTheShorterCount)
{
    build(5, 2, 10.0); // n = 3
    closeGap();
    for (int j = 2; j < 5; ++j)
        EXPECT_FALSE(a[j]->alive);
    expectWeldedRuns(2);
}

TEST_F(GapClosing, NoRoomCollapsesTheWholeGap)
{
    build(2, 2, 3.0); // n = 0
    closeGap();
    EXPECT_EQ(P1->next, P2);
    expectWeldedRuns(0);
}

TEST(GapClosingThirdCell, BorderWeldIsTrimmedToTheGapEnd)
{
    // A third cell C is welded to A along A's first gap edge P1 -> a1.
    TissueLayout layout = facingRuns(2, 2, 10.0);
    FixtureCell c;
    c.ring = {{10.0 / 3.0, -0.5}, {0.0, 0.0}, {-6.0, -2.0}, {-2.0, -9.0}};
    layout.cells.push_back(c);
    layout.welds.push_back(FixtureWeld{0, 0, 1, 2, 0, 1});
    std::string error;
    auto engine = buildTissue(layout, &error);
    ASSERT_TRUE(engine) << error;
    point3D* P1 = vertexAt(*engine, 0, 0);
    point3D* P2 = vertexAt(*engine, 0, 3);
    point3D* Q2 = vertexAt(*engine, 1, 0);
    point3D* Q1 = vertexAt(*engine, 1, 3);
    interpair* ab = engine->interpairs[0];
    interpair* ac = engine->interpairs[1];
    ASSERT_EQ(ac->cell2, engine->cells[2]);
    ASSERT_TRUE(welding::close_gap(*engine, ab, P1, P2, Q2, Q1, welding::Pos{0.0, 0.0},
                                   welding::Pos{10.0, 0.0}));
    mergepair* m = ac->MP[0];
    EXPECT_EQ(m->S1, P1);
    EXPECT_EQ(m->S2, P1);
    EXPECT_EQ(m->T1, vertexAt(*engine, 2, 1));
    EXPECT_EQ(m->T2, vertexAt(*engine, 2, 1));
    // The third cell's edge is released on both sides.
    edge* released = vertexAt(*engine, 2, 0)->out_edge;
    EXPECT_FALSE(released->bonded);
    EXPECT_EQ(released->partner, nullptr);
    EXPECT_EQ(P1->out_edge->partner->partner, P1->out_edge);
    EXPECT_TRUE(topologyIsSound(*engine));
}

TEST(GapClosingThirdCell, ThirdPairWithoutStretchIsNotRead)
{
    TissueLayout layout = facingRuns(2, 2, 10.0);
    FixtureCell c;
    c.ring = {{10.0 / 3.0, -0.5}, {0.0, 0.0}, {-6.0, -2.0}, {-2.0, -9.0}};
    layout.cells.push_back(c);
    layout.welds.push_back(FixtureWeld{0, 0, 1, 2, 0, 1});
    std::string error;
    auto engine = buildTissue(layout, &error);
    ASSERT_TRUE(engine) << error;
    interpair* ac = engine->interpairs[1];
    while (!ac->MP.empty())
        ac->remove_MP(ac->MP[0]);
    ASSERT_TRUE(welding::close_gap(*engine, engine->interpairs[0], vertexAt(*engine, 0, 0),
                                   vertexAt(*engine, 0, 3), vertexAt(*engine, 1, 0), vertexAt(*engine, 1, 3),
                                   welding::Pos{0.0, 0.0}, welding::Pos{10.0, 0.0}));
    EXPECT_TRUE(ac->MP.empty());
    EXPECT_FALSE(vertexAt(*engine, 2, 0)->out_edge->bonded);
}

TEST(StretchReweldThirdCell, OnlyTheStretchOnTheRunIsDissolved)
{
    // A third cell C touches A at two single points: first at A's top-left
    // corner, then at a1 inside the run that is re-welded to B.
    TissueLayout layout = facingRuns(2, 2, 10.0);
    FixtureCell c;
    c.ring = {{10.0 / 3.0, -0.5}, {0.0, 10.0}, {-8.0, 5.0}, {-8.0, -5.0}};
    layout.cells.push_back(c);
    layout.welds.push_back(FixtureWeld{0, 5, 5, 2, 1, 1});
    layout.welds.push_back(FixtureWeld{0, 1, 1, 2, 0, 0});
    std::string error;
    auto engine = buildTissue(layout, &error);
    ASSERT_TRUE(engine) << error;
    interpair* ac = engine->interpairs[1];
    ASSERT_EQ(ac->MP.size(), 2u);
    point3D* corner = vertexAt(*engine, 0, 5);
    engine->boundary_merge_2(vertexAt(*engine, 0, 0), vertexAt(*engine, 0, 3), vertexAt(*engine, 1, 3),
                             vertexAt(*engine, 1, 0));
    ASSERT_EQ(ac->MP.size(), 1u);
    EXPECT_EQ(ac->MP[0]->S1, corner);
    EXPECT_EQ(ac->MP[0]->S2, corner);
    EXPECT_TRUE(topologyIsSound(*engine));
}

TEST(StretchReweldBroken, EndsOnAnotherRingChangeNothing)
{
    std::string error;
    auto engine = buildTissue(twoWeldedCells(), &error);
    ASSERT_TRUE(engine) << error;
    const std::size_t points = engine->points.size();
    // P2 is not on P1's ring: the walk from P1 must give up, not run on.
    engine->boundary_merge_2(vertexAt(*engine, 0, 0), vertexAt(*engine, 1, 1), vertexAt(*engine, 1, 0),
                             vertexAt(*engine, 1, 2));
    EXPECT_EQ(engine->points.size(), points);
    EXPECT_TRUE(topologyIsSound(*engine));
}

} // namespace
