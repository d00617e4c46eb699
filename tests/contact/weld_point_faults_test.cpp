// Faults of the weld-point merges met when tissues are squeezed: a second
// pinched cell left in place, a cut stretch ending on a vertex its facing
// end is not welded to, a re-weld deleting a stretch it does not cross, and
// parallel edges far apart taken for a contact (while two meeting end to
// end at one point are one). Each case must leave a sound tissue.
#include "contact_fixtures.h"
#include "contact/welding.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

namespace {

interpair* pairBetween(const dbReader& e, int a, int b)
{
    for (interpair* p : e.cells[a]->pairs)
        if (!p->removed && ((p->cell1->id == a && p->cell2->id == b) || (p->cell1->id == b && p->cell2->id == a)))
            return p;
    return nullptr;
}

// Cp (cell 0) right of the origin and Cq (cell 1) left of it; W1 (cell 2)
// below and W2 (cell 3) above both pass through Cp's corner p = (5, 0) and
// Cq's corner q = (-5, 0), welded there. Fusing p with q at the origin
// makes both third cells pass twice through the weld point.
TissueLayout twoCellsPinchedAtOnePoint()
{
    TissueLayout l;
    l.cells.push_back({{{5, 0}, {15, -5}, {15, 5}}, 0});
    l.cells.push_back({{{-5, 0}, {-15, 5}, {-15, -5}}, 0});
    l.cells.push_back({{{5, 0}, {0, -3}, {-5, 0}, {-5, -8}, {5, -8}}, 0});
    l.cells.push_back({{{5, 0}, {5, 8}, {-5, 8}, {-5, 0}, {0, 3}}, 0});
    l.welds.push_back({0, 0, 0, 2, 0, 0});
    l.welds.push_back({0, 0, 0, 3, 0, 0});
    l.welds.push_back({2, 0, 0, 3, 0, 0});
    l.welds.push_back({1, 0, 0, 2, 2, 2});
    l.welds.push_back({1, 0, 0, 3, 3, 3});
    l.welds.push_back({2, 2, 2, 3, 3, 3});
    return l;
}

TEST(WeldPointFaults, EveryThirdCellPinchedAtTheWeldPointLosesALoop)
{
    auto e = buildChecked(twoCellsPinchedAtOnePoint());
    ASSERT_TRUE(e);
    ASSERT_TRUE(topologyIsSound(*e));
    point3D* p = vertexAt(*e, 0, 0);
    point3D* q = vertexAt(*e, 1, 0);
    std::vector<point3D*> W1, W2;
    for (int k = 0; k < 5; ++k) {
        W1.push_back(vertexAt(*e, 2, k));
        W2.push_back(vertexAt(*e, 3, k));
    }
    interpair* pair = welding::new_pair(*e, e->cells[0], e->cells[1]);
    pair->MP.push_back(new mergepair(0, p, p, q, q));
    e->boundary_merge_3(p, p, q, q, pair->id);

    // W1 keeps q's partner and loses the shorter loop through (0, -3); W2
    // keeps p's partner and loses the one through (0, 3).
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(bool(W1[k]->alive), k >= 2) << "W1 " << k;
        EXPECT_EQ(bool(W2[k]->alive), k <= 2) << "W2 " << k;
    }
    EXPECT_EQ(e->cells[2]->sides.size(), 3u);
    EXPECT_EQ(e->cells[3]->sides.size(), 3u);
    EXPECT_EQ(p->node, q->node);
    EXPECT_EQ(p->node->vertices.size(), 4u);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(WeldPointFaults, ACutStretchEndsOnTheSurvivorsPartnerAtTheWeldPoint)
{
    // Cp is welded to the hexagon W along W0..W1, beyond the junction W0
    // where the cut's survivor W3 will stand. Once the loop W0..W2 is cut
    // the stretch of Cp and W ends at W3 on W, so on Cp it ends at W3's
    // partner there, p, and not at Cp's vertex that faced W1.
    FixtureCell cp{{{5, 0}, {15, -5}, {15, 5}, {2.5, 4.330127018922193}}, 0};
    TissueLayout l = pinchAcrossHexagon(cp, 0, {{{-5, 0}, {-15, 5}, {-15, -5}}, 0}, 0);
    l.welds[0] = {0, 3, 0, 2, 0, 1};
    auto e = buildChecked(l);
    ASSERT_TRUE(e);
    ASSERT_TRUE(topologyIsSound(*e));
    point3D* p = vertexAt(*e, 0, 0);
    point3D* q = vertexAt(*e, 1, 0);
    point3D* farEnd = vertexAt(*e, 0, 3);
    std::vector<point3D*> W;
    for (int k = 0; k < 6; ++k)
        W.push_back(vertexAt(*e, 2, k));
    interpair* pw = pairBetween(*e, 0, 2);
    interpair* pair = welding::new_pair(*e, e->cells[0], e->cells[1]);
    pair->MP.push_back(new mergepair(0, p, p, q, q));
    e->boundary_merge_3(p, p, q, q, pair->id);

    expectHexagonPinchedAtW3(*e, p, q, W);
    ASSERT_EQ(pw->MP.size(), 1u);
    const mergepair* m = pw->MP[0];
    EXPECT_TRUE(m->S1 == p && m->S2 == p && m->T1 == W[3] && m->T2 == W[3]);
    EXPECT_TRUE(farEnd->mp.empty());
    EXPECT_FALSE(farEnd->out_edge->bonded);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(WeldPointFaults, AReweldKeepsAStretchThatDoesNotCrossTheRun)
{
    // A above B, their facing runs welded at the ends only. X is welded to
    // A's top along a stretch, and touches A again at the run's vertex a1,
    // through a weld point that is no stretch of theirs. Re-welding the run
    // takes a1 out of X's touch; the stretch along the top stays.
    TissueLayout l = facingRuns(2, 2, 10.0);
    const double a1x = 10.0 / 3.0;
    l.cells.push_back({{{0, 10}, {10, 10}, {5, 20}, {-5, 5}, {a1x, -0.5}}, 0});
    l.welds.push_back({0, 4, 5, 2, 0, 1});
    l.welds.push_back({0, 1, 1, 2, 4, 4});
    auto e = buildChecked(l);
    ASSERT_TRUE(e);
    interpair* ax = pairBetween(*e, 0, 2);
    ASSERT_TRUE(ax);
    ASSERT_EQ(ax->MP.size(), 2u);
    mergepair* top = ax->MP[0];
    ax->remove_MP(ax->MP[1]);
    ASSERT_TRUE(topologyIsSound(*e));

    point3D* P1 = vertexAt(*e, 0, 0);
    point3D* P2 = vertexAt(*e, 0, 3);
    point3D* Q2 = vertexAt(*e, 1, 0);
    point3D* Q1 = vertexAt(*e, 1, 3);
    point3D* a1 = vertexAt(*e, 0, 1);
    point3D* b1 = vertexAt(*e, 1, 2);
    e->boundary_merge_2(P1, P2, Q1, Q2);

    ASSERT_EQ(ax->MP.size(), 1u);
    EXPECT_EQ(ax->MP[0], top);
    EXPECT_TRUE(a1->checkmp(b1));
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(WeldPointFaults, ParallelEdgesApartAreNoContact)
{
    // The square's top runs at y = 10; cell 1's bottom at y = 15 lies
    // exactly over it, with the same x at both ends, and its arm reaches
    // down beside the square so that the boxes overlap. Nothing is welded.
    TissueLayout l;
    l.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0});
    l.cells.push_back({{{0, 15}, {10, 15}, {12, 15}, {12, 5}, {14, 5}, {14, 20}, {-2, 20}, {-2, 15}}, 0});
    auto e = buildChecked(l);
    ASSERT_TRUE(e);
    interpair* pair = welding::new_pair(*e, e->cells[0], e->cells[1]);
    EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_TRUE(pair->MP.empty());
    EXPECT_FALSE(e->cells[0]->dead || e->cells[1]->dead);
    for (const point3D* v : e->points)
        EXPECT_TRUE(v->mp.empty() && v->alive);
    EXPECT_TRUE(topologyIsSound(*e));
}

TEST(WeldPointFaults, ParallelEdgesMeetingEndToEndAreAPointContact)
{
    // The square's left side runs down from (0, 10); cell 1's left side runs
    // down to (0, 10) on the same line, and its next side rises away from
    // the square, so the two cells touch at that one point. The
    // parallel-edge code names the two coincident vertices: they are welded
    // there, as any two cells meeting at a point are.
    TissueLayout l;
    l.cells.push_back({{{10, 0}, {10, 10}, {0, 10}, {0, 0}}, 0});
    l.cells.push_back({{{0, 20}, {0, 10}, {10, 19}, {10, 20}}, 0});
    auto e = buildChecked(l);
    ASSERT_TRUE(e);
    point3D* x = vertexAt(*e, 0, 2);
    point3D* y = vertexAt(*e, 1, 1);
    ASSERT_EQ(e->intersection_type(x, y), 9);
    interpair* pair = welding::new_pair(*e, e->cells[0], e->cells[1]);
    EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK) << e->message.toStdString();
    ASSERT_EQ(pair->MP.size(), 1u);
    const mergepair* m = pair->MP[0];
    EXPECT_TRUE(m->S1 == x && m->S2 == x && m->T1 == y && m->T2 == y);
    EXPECT_TRUE(x->checkmp(y) && y->checkmp(x));
    EXPECT_FALSE(e->cells[0]->dead || e->cells[1]->dead);
    EXPECT_TRUE(topologyIsSound(*e));
}

} // namespace
