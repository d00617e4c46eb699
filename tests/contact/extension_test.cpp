// A pair that holds a welded stretch already (a single point, as a third-cell
// block leaves it) has the stretch extended at both ends to where the two
// boundaries cross; and the candidate search's arrangements.
#include "contact_fixtures.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

namespace {

TEST(StretchExtension, SinglePointGrowsToBothCrossings)
{
    std::string error;
    auto e = buildTissue(weldedAtOnePoint(), &error);
    ASSERT_TRUE(e) << error;
    interpair* p = e->interpairs[0];
    ASSERT_EQ(p->MP.size(), 1u);
    e->collision_response(p);
    ASSERT_EQ(p->MP.size(), 1u);
    mergepair* m = p->MP[0];
    EXPECT_NE(m->S1, m->S2);
    EXPECT_NE(m->T1, m->T2);
    // The stretch now runs above and below the old point, every edge welded.
    EXPECT_LT(m->S1->y, 0.0);
    EXPECT_GT(m->S2->y, 0.0);
    int edges = 0;
    for (point3D* v = m->S1; v != m->S2 && edges < 40; v = v->next, ++edges) {
        EXPECT_TRUE(v->out_edge->bonded);
        EXPECT_EQ(v->out_edge->pair, p);
    }
    EXPECT_GE(edges, 2);
    EXPECT_TRUE(m->S1->checkmp(m->T2));
    EXPECT_TRUE(m->S2->checkmp(m->T1));
    EXPECT_TRUE(topologyIsSound(*e));
    EXPECT_TRUE(boundaryCrossings(*e).empty());
}

TEST(StretchExtension, StretchWithoutFurtherOverlapStaysAsItIs)
{
    // Two squares welded along their whole shared side: beyond the stretch's
    // ends the boundaries part, so the end searches find nothing.
    std::string error;
    auto e = buildTissue(twoWeldedCells(), &error);
    ASSERT_TRUE(e) << error;
    const std::size_t points = e->points.size();
    e->collision_response(e->interpairs[0]);
    EXPECT_EQ(e->points.size(), points);
    EXPECT_TRUE(topologyIsSound(*e));
}

std::unique_ptr<dbReader> cellsOf(std::vector<FixtureCell> cells, std::vector<FixtureWeld> welds = {})
{
    TissueLayout layout;
    layout.cells = std::move(cells);
    layout.welds = std::move(welds);
    std::string error;
    auto e = buildTissue(layout, &error);
    EXPECT_TRUE(e) << error;
    return e;
}

FixtureCell box(double x0, double y0, double x1, double y1)
{
    FixtureCell c;
    c.ring = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    return c;
}

interpair* pairOf(dbReader& e)
{
    auto* p = new interpair(static_cast<int>(e.interpairs.size()), e.cells[0], e.cells[1]);
    p->adhesion = p->adhesion_copy = 0.0;
    e.interpairs.push_back(p);
    e.cells[0]->pairs.push_back(p);
    e.cells[1]->pairs.push_back(p);
    return p;
}

TEST(ContactCandidates, NoArrangementGivesNothing)
{
    // One box strictly inside the other; a plus sign without a shared side.
    for (auto cells : {std::vector<FixtureCell>{box(0, 0, 10, 10), box(3, 3, 6, 6)},
                       std::vector<FixtureCell>{box(2, 0, 8, 10), box(0, 2, 10, 8)}}) {
        auto e = cellsOf(cells);
        ASSERT_TRUE(e);
        std::vector<point3D*> S, T;
        e->collision_candidate(pairOf(*e), S, T);
        EXPECT_TRUE(S.empty());
        EXPECT_TRUE(T.empty());
    }
}

TEST(ContactCandidates, OverlappingCirclesGiveOneStretchEach)
{
    auto e = cellsOf({twentyGon(0, 0), twentyGon(18, 3)});
    ASSERT_TRUE(e);
    std::vector<point3D*> S, T;
    e->collision_candidate(pairOf(*e), S, T);
    ASSERT_EQ(S.size(), 2u);
    ASSERT_EQ(T.size(), 2u);
    // Entries and exits lie on their own cells.
    for (point3D* v : S)
        EXPECT_EQ(v->out_edge->cell, e->cells[0]);
    for (point3D* v : T)
        EXPECT_EQ(v->out_edge->cell, e->cells[1]);
}

TEST(ContactCandidates, WeldedPairGivesTwoLimitsPerStretchEnd)
{
    auto e = cellsOf({box(0, 0, 10, 10), box(10, 0, 20, 10)},
                     {FixtureWeld{0, 1, 1, 1, 0, 0}, FixtureWeld{0, 2, 2, 1, 3, 3}});
    ASSERT_TRUE(e);
    interpair* p = e->interpairs[0];
    ASSERT_EQ(p->MP.size(), 2u);
    std::vector<point3D*> S, T;
    e->collision_candidate(p, S, T);
    EXPECT_EQ(S.size(), 4u);
    EXPECT_EQ(T.size(), 4u);
}

} // namespace
