// The collision stage's frame: its states, the per-step validation of welded
// sides, the single-point welds at triple junctions and the re-fitting of a
// stretch's ends.
#include "support/tissue_fixture.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<dbReader> build(const TissueLayout& layout)
{
    std::string error;
    auto e = buildTissue(layout, &error);
    EXPECT_TRUE(e) << error;
    return e;
}

TEST(CollisionStage, InitialPassWithoutNeighboursEstablishesContacts)
{
    auto e = build(singleSquare());
    ASSERT_TRUE(e);
    e->collision_state = dbReader::COLLISION_INITIAL;
    EXPECT_EQ(e->detect_collision(0), dbReader::STEP_OK);
    EXPECT_EQ(e->collision_state, dbReader::COLLISION_ESTABLISHED);
    EXPECT_TRUE(e->interpairs.empty());
}

TEST(CollisionStage, UnknownStateDoesNothing)
{
    auto e = build(twoWeldedCells());
    ASSERT_TRUE(e);
    e->collision_state = 2;
    EXPECT_EQ(e->detect_collision(3), dbReader::STEP_OK);
    EXPECT_EQ(e->collision_state, 2);
    EXPECT_TRUE(e->message.isEmpty());
}

TEST(CollisionStage, PerStepPassUpdatesAnOpenWeldWithTheContactResponse)
{
    auto e = build(twoWeldedCells());
    ASSERT_TRUE(e);
    ASSERT_FALSE(e->interpairs[0]->check_detection());
    EXPECT_EQ(e->detect_collision(1), dbReader::STEP_OK);
    EXPECT_TRUE(e->message.isEmpty());
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(CollisionStage, ValidationClearsMarksAndPassesSoundWelds)
{
    auto e = build(twoWeldedCells());
    ASSERT_TRUE(e);
    // A dissolved contact is not updated; its welds are still sound.
    e->interpairs[0]->removed = 1;
    for (point3D* p : e->points)
        p->overlap_mark = 1;
    EXPECT_EQ(e->detect_collision(1), dbReader::STEP_OK);
    for (point3D* p : e->points)
        EXPECT_FALSE(p->overlap_mark);
}

TEST(CollisionStage, FlaggedAndDrivenCellsAreRemeshed)
{
    auto e = build(threeWeldedCells());
    ASSERT_TRUE(e);
    for (interpair* p : e->interpairs)
        p->removed = 1;
    e->cells[0]->driven = 1;
    e->cells[1]->remesh = 1;
    EXPECT_EQ(e->detect_collision(4), dbReader::STEP_OK);
    EXPECT_FALSE(e->cells[0]->inner_t.empty());
    EXPECT_FALSE(e->cells[1]->inner_t.empty());
    EXPECT_FALSE(e->cells[1]->remesh);
    EXPECT_TRUE(e->cells[2]->inner_t.empty()); // neither flagged nor driven
}

TEST(CollisionStage, BondedSideOfAnEmptyPairFailsWithTheCellIndex)
{
    TissueLayout layout = twoWeldedCells();
    auto e = build(layout);
    ASSERT_TRUE(e);
    interpair* p = e->interpairs[0];
    p->removed = 1;
    while (!p->MP.empty())
        p->remove_MP(p->MP[0]);
    EXPECT_EQ(e->detect_collision(1), 0);
    EXPECT_EQ(e->message, "ERROR: the pair 0 of cells 0 and 1 was empty!");
}

// Cells 0 and 1 below cell 2 meet each other only at (10, 10).
TissueLayout pointJunction()
{
    TissueLayout layout;
    FixtureCell c0, c1, c2;
    c0.ring = {{0, 0}, {8, 0}, {10, 10}, {0, 10}};
    c1.ring = {{12, 0}, {20, 0}, {20, 10}, {10, 10}};
    c2.ring = {{0, 10}, {10, 10}, {20, 10}, {20, 20}, {0, 20}};
    layout.cells = {c0, c1, c2};
    // Cell 0's top (10,10)->(0,10) on cell 2's (0,10)->(10,10); cell 1's top
    // (20,10)->(10,10) on cell 2's (10,10)->(20,10).
    layout.welds.push_back(FixtureWeld{0, 2, 3, 2, 0, 1});
    layout.welds.push_back(FixtureWeld{1, 2, 3, 2, 1, 2});
    return layout;
}

TEST(TripleJunctions, OuterCellsMeetingAtOnePointGetASinglePointStretch)
{
    auto e = build(pointJunction());
    ASSERT_TRUE(e);
    cell* c0 = e->cells[0];
    cell* c1 = e->cells[1];
    auto* p = new interpair(static_cast<int>(e->interpairs.size()), c1, c0);
    p->adhesion = p->adhesion_copy = 0.0;
    e->interpairs.push_back(p);
    c1->pairs.push_back(p);
    c0->pairs.push_back(p);
    e->collision_refresh_initial();
    ASSERT_EQ(p->MP.size(), 1u);
    mergepair* m = p->MP[0];
    EXPECT_EQ(m->S1, vertexAt(*e, 1, 3)); // cell 1 is the pair's first cell
    EXPECT_EQ(m->S2, m->S1);
    EXPECT_EQ(m->T1, vertexAt(*e, 0, 2));
    EXPECT_EQ(m->T2, m->T1);
    EXPECT_TRUE(topologyIsSound(*e));
    // A second run adds nothing.
    e->collision_refresh_initial();
    EXPECT_EQ(p->MP.size(), 1u);
}

TEST(TripleJunctions, ClosedJunctionsAndExistingStretchesAreLeftAlone)
{
    auto e = build(threeWeldedCells());
    ASSERT_TRUE(e);
    std::vector<std::size_t> sizes;
    for (interpair* p : e->interpairs)
        sizes.push_back(p->MP.size());
    e->collision_refresh_initial();
    for (std::size_t k = 0; k < sizes.size(); ++k)
        EXPECT_EQ(e->interpairs[k]->MP.size(), sizes[k]);

    // Without a pair of the two outer cells nothing happens either.
    auto f = build(pointJunction());
    ASSERT_TRUE(f);
    const std::size_t pairs = f->interpairs.size();
    f->collision_refresh_initial();
    EXPECT_EQ(f->interpairs.size(), pairs);
}

TEST(StretchRefit, EndsGrowOutwardAndShrinkInward)
{
    auto e = build(twoWeldedCells());
    ASSERT_TRUE(e);
    interpair* p = e->interpairs[0];
    mergepair* m = p->MP[0];
    point3D* s1 = vertexAt(*e, 0, 1);
    point3D* s3 = vertexAt(*e, 0, 3);
    point3D* t3 = vertexAt(*e, 1, 3);
    point3D* t0 = vertexAt(*e, 1, 0);

    // From the middle couple outward to the whole weld.
    m->S1 = m->S2 = vertexAt(*e, 0, 2);
    m->T1 = m->T2 = vertexAt(*e, 1, 4);
    e->collision_refresh(p);
    EXPECT_EQ(m->S1, s1);
    EXPECT_EQ(m->T2, t0);
    EXPECT_EQ(m->S2, s3);
    EXPECT_EQ(m->T1, t3);

    // From ends beyond the weld inward to the first welded couples.
    m->S1 = vertexAt(*e, 0, 0);
    m->T2 = vertexAt(*e, 1, 1);
    m->S2 = vertexAt(*e, 0, 4);
    m->T1 = vertexAt(*e, 1, 2);
    e->collision_refresh(p);
    EXPECT_EQ(m->S1, s1);
    EXPECT_EQ(m->T2, t0);
    EXPECT_EQ(m->T1, t3);
    EXPECT_EQ(m->S2, s3);
    EXPECT_TRUE(topologyIsSound(*e));

    // The T1/S2 end asks T1's partners: when T1 no longer lists S2 (a
    // one-way link) that end shrinks to the middle couple.
    t3->removemp(s3);
    e->collision_refresh(p);
    EXPECT_EQ(m->S1, s1);
    EXPECT_EQ(m->T2, t0);
    EXPECT_EQ(m->T1, vertexAt(*e, 1, 4));
    EXPECT_EQ(m->S2, vertexAt(*e, 0, 2));
}

} // namespace
