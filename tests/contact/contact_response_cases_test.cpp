// Worked cases of the per-step contact response that need a tissue of their
// own: the first weld of a new contact and its failures, a fusion that makes
// two cells touch, a pair appended during the stage, and a pair re-running
// itself on an unchanged state.
// Every case that leaves a tissue behind is followed by the checker.
#include "contact_fixtures.h"
#include "contact/welding.h"
#include "support/progress_watch.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The pair of cells a and b, a dissolved one included.
interpair* pairOf(const dbReader& e, int a, int b)
{
    return welding::find_any_pair(e.cells[a], e.cells[b]);
}

// --- the first weld of a new contact ------------------------------------------

struct NewContactCase {
    const char* name;
    std::function<TissueLayout()> layout;
    std::function<void(dbReader&)> prepare;  // may be null
    int result;                              // -1 or the cell at fault
    const char* message;                     // "" when none is expected
    // Expected stretch (cell, ring index) of S1, S2, T1, T2 when welded.
    std::vector<std::pair<int, int>> stretch;
    bool sound = true;  // false: a broken state on purpose, left as found
};

TissueLayout freeCrossing()
{
    return TissueLayout{{FixtureCell{{{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}}, 0},
                         FixtureCell{{{9, 1}, {14, 1}, {19, 1}, {19, 6}, {19, 11}, {14, 11}, {9, 11}, {9, 6}}, 0}},
                        {}};
}

// The square A and the quadrilateral B to its right, welded at A's corner
// (10, 0); B's far edge reaches back into A across A's right side near
// that corner.
TissueLayout weldedCornerPoke()
{
    TissueLayout l{{FixtureCell{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0},
                    FixtureCell{{{10, 0}, {14, 0}, {14, 3}, {2, 1}}, 0}},
                   {}};
    l.welds.push_back({0, 1, 1, 1, 0, 0});
    return l;
}

// Two squares welded along x = 10 whose pair lost its stretch, with the
// run's end couples unwelded and B's ends moved off A: only the middle
// couple (10, 5) still meets, inside a weld of the two cells themselves.
void weldWithoutStretch(dbReader& e)
{
    interpair* pair = e.interpairs[0];
    pair->remove_MP(pair->MP[0]);
    for (const auto& couple : {std::pair<int, int>{1, 0}, std::pair<int, int>{3, 3}}) {
        point3D* a = vertexAt(e, 0, couple.first);
        point3D* b = vertexAt(e, 1, couple.second);
        a->removemp(b);
        b->removemp(a);
        b->x = 10.5;
    }
}

TEST(NewContactWelding, CrossingsAreWeldedOrFailWithTheirTexts)
{
    const std::vector<NewContactCase> cases = {
        // Two free boundaries crossing at (10, 1) and (9, 10): the stretch
        // runs from A's (10, 0) to (10, 10) and from B's (9, 11) to (9, 1).
        {"free crossing", freeCrossing, nullptr, -1, "", {{0, 2}, {0, 4}, {1, 6}, {1, 0}}},
        // Both walks meet A at its corner only; the corner is already welded
        // to the first walk's B vertex, so the stretch takes A's next edge.
        {"single vertex welded to t1", weldedCornerPoke,
         [](dbReader& e) { e.interpairs[0]->remove_MP(e.interpairs[0]->MP[0]); }, -1, "",
         {{0, 1}, {0, 2}, {1, 2}, {1, 0}}},
        // B touches A at A's vertex (10, 2) only: the first walk meets it,
        // the second cannot.
        {"touching at one vertex",
         [] {
             return TissueLayout{{FixtureCell{{{0, 0}, {10, 2}, {10, 10}}, 0},
                                  FixtureCell{{{10, 2}, {20, 1}, {20, 6}, {12, 8}}, 0}},
                                 {}};
         },
         nullptr, 0, "ERROR: T1 and T2 intersection points were missing between cells 0 and 1!", {}},
        // The single couple lies inside the cells' own weld: on cell2's side
        // the result names cell1; with cell2's edges there unbonded, only
        // cell1's side is welded and the result names cell2.
        {"point inside the own weld, cell2 side", twoWeldedCells, weldWithoutStretch, 0,
         "ERROR: pair 0 between cells 0 and 1 was empty!", {}, false},
        {"point inside the own weld, cell1 side", twoWeldedCells,
         [](dbReader& e) {
             weldWithoutStretch(e);
             sideAt(e, 1, 3)->bonded = 0;
             sideAt(e, 1, 4)->bonded = 0;
         },
         1, "ERROR: pair 0 between cells 0 and 1 was empty!", {}, false},
    };
    for (const NewContactCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = buildChecked(c.layout());
        ASSERT_TRUE(e);
        if (e->interpairs.empty())
            welding::new_pair(*e, e->cells[0], e->cells[1]);
        if (c.prepare)
            c.prepare(*e);
        interpair* pair = e->interpairs[0];
        std::vector<point3D*> ends;
        for (const auto& v : c.stretch)
            ends.push_back(vertexAt(*e, v.first, v.second));
        e->message.clear();
        EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), c.result);
        EXPECT_EQ(e->message.toStdString(), c.message);
        if (c.stretch.empty()) {
            EXPECT_TRUE(pair->MP.empty());
        } else {
            ASSERT_EQ(pair->MP.size(), 1u);
            const mergepair* m = pair->MP[0];
            EXPECT_EQ(m->id, 0);
            EXPECT_EQ(m->S1, ends[0]);
            EXPECT_EQ(m->S2, ends[1]);
            EXPECT_EQ(m->T1, ends[2]);
            EXPECT_EQ(m->T2, ends[3]);
            EXPECT_TRUE(e->cells[0]->remesh && e->cells[1]->remesh);
        }
        if (c.sound) {
            EXPECT_TRUE(topologyIsSound(*e));
        }
    }
}

// --- a fusion that makes two cells touch -----------------------------------------

TEST(BoundaryMerge4, CellsThatTouchOnlyAtTheFusedPointGetAPairWithoutStretch)
{
    auto e = buildChecked(besideTheRun());
    ASSERT_TRUE(e);
    ASSERT_EQ(pairOf(*e, 1, 2), nullptr);
    point3D* P1 = vertexAt(*e, 0, 0);
    point3D* P2 = vertexAt(*e, 0, 1);
    point3D* Q2 = vertexAt(*e, 1, 0);
    point3D* Q1 = vertexAt(*e, 1, 1);
    point3D* X0 = vertexAt(*e, 2, 0);
    e->boundary_merge_4(P2, Q2, P1, Q1, 0);
    interpair* bx = pairOf(*e, 1, 2);
    ASSERT_NE(bx, nullptr);
    EXPECT_EQ(bx->id, 2);
    EXPECT_TRUE(bx->MP.empty());
    EXPECT_TRUE(Q1->checkmp(X0) && X0->checkmp(Q1) && Q1->checkmp(P1));
    EXPECT_EQ(Q1->node, X0->node);
    EXPECT_TRUE(P1->out_edge->bonded && Q1->in_edge->bonded);
    EXPECT_TRUE(topologyIsSound(*e));
}

} // namespace

namespace {

TEST(CollisionStage, APairAppendedInTheFirstPassIsVisitedInTheSamePassAndInTheSecond)
{
    TissueLayout l = besideTheRun();
    // B's corner at (0, 0) rises into A, so that the weld's free end grows
    // over to it and B comes to touch X at the fused point.
    l.cells[1].ring[1] = {0.5, 0.5};
    auto e = buildChecked(l);
    ASSERT_TRUE(e);
    ASSERT_EQ(e->interpairs.size(), 2u);
    ProgressWatch watch("Simulation: collision-detection");
    ResponseLog log;
    e->message.clear();
    EXPECT_EQ(e->detect_collision(1), dbReader::STEP_OK) << e->message.toStdString();
    watch.stop();
    welding::record_responses(nullptr);
    EXPECT_TRUE(e->message.isEmpty()) << e->message.toStdString();
    // The pair of B and X, appended while pair 0 grew, was visited in the
    // first pass (its progress value, 2 * 50 / 3) and recorded their weld
    // point as its stretch.
    ASSERT_EQ(e->interpairs.size(), 3u);
    interpair* bx = e->interpairs[2];
    EXPECT_EQ(bx, pairOf(*e, 1, 2));
    EXPECT_TRUE(watch.values.contains(33)) << watch.values.size();
    ASSERT_EQ(bx->MP.size(), 1u);
    const mergepair* m = bx->MP[0];
    EXPECT_EQ(m->S1, m->S2);
    EXPECT_EQ(m->T1, m->T2);
    EXPECT_TRUE(m->S1->checkmp(m->T1));
    // The stage's own calls (depth 1): each pass visits the appended pair
    // after the two it started with, handing it its own id; the second
    // visit found its weld up to date.
    std::vector<std::pair<int, int>> visits;
    for (const welding::ResponseCall& c : log.calls) {
        if (c.depth != 1)
            continue;
        EXPECT_FALSE(c.three);
        EXPECT_EQ(c.first, c.pair);
        visits.push_back({c.pass, c.pair});
    }
    const std::vector<std::pair<int, int>> expected = {{1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {2, 2}};
    EXPECT_EQ(visits, expected);
    EXPECT_EQ(bx->MP.size(), 1u);
    EXPECT_TRUE(topologyIsSound(*e));
    EXPECT_TRUE(boundaryCrossings(*e).empty());
}

} // namespace

namespace {

// The bottom cell (0) welded to X (1) along y = 10; the diamond (2) pokes
// down through that weld. Handled as the pair (bottom, diamond), the
// crossing lies in the first cell's weld with X.
TissueLayout diamondThroughWeld()
{
    TissueLayout l;
    l.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {7, 10}, {5, 10}, {3, 10}, {0, 10}}, 0});
    l.cells.push_back({{{0, 10}, {3, 10}, {5, 10}, {7, 10}, {10, 10}, {10, 20}, {0, 20}}, 0});
    l.cells.push_back({{{5, 8.5}, {7.5, 11}, {5, 13.5}, {2.5, 11}}, 0});
    l.welds.push_back({0, 2, 6, 1, 0, 4});
    return l;
}

TEST(NewContactWelding, AOneWayLinkToADeadVertexReRunsItsPairAtMostOnce)
{
    for (int pass : {1, 2}) {
        SCOPED_TRACE(pass);
        auto e = buildChecked(diamondThroughWeld());
        ASSERT_TRUE(e);
        // A dead vertex of the bottom cell, on its welded edge (7, 10) ->
        // (5, 10), still listed by the diamond's vertex (7.5, 11) where the
        // first crossing is met: the stretch's end snaps onto it.
        point3D* dead = new point3D(static_cast<int>(e->points.size()), 7.0, 10.0);
        e->points.push_back(dead);
        dead->alive = 0;
        dead->out_edge = sideAt(*e, 0, 3);
        dead->in_edge = sideAt(*e, 0, 2);
        point3D* t1 = vertexAt(*e, 2, 1);
        t1->mp.push_back(dead);
        interpair* pair = welding::new_pair(*e, e->cells[0], e->cells[2]);
        const std::size_t points = e->points.size();
        // The re-run on the unchanged state would repeat itself; it runs at
        // most once and the call ends.
        EXPECT_EQ(e->collision_response_m2(pair, 1, pass, pair->id), dbReader::STEP_OK) << e->message.toStdString();
        EXPECT_TRUE(pair->MP.empty());
        // The diamond's pair with X was looked up (made) once, nothing else.
        ASSERT_EQ(e->interpairs.size(), 3u);
        EXPECT_EQ(e->interpairs[2], pairOf(*e, 2, 1));
        EXPECT_EQ(e->points.size(), points);
        // The overlap was never measured: the dead end stopped the hand-on.
        EXPECT_FALSE(vertexAt(*e, 0, 4)->overlap_mark);
        for (const cell* c : e->cells)
            EXPECT_FALSE(c->dead);
        t1->removemp(dead);
        EXPECT_TRUE(topologyIsSound(*e));
    }
}

} // namespace

namespace {

// Facing runs of A and B with two vertices a side; Z welded to A along A's
// first run edge (P1 to a1), W welded to A at a2 only.
TEST(BoundaryMerge3, ThirdCellContactsOnTheNewStretchAreCutBackOrDropped)
{
    TissueLayout l = facingRuns(2, 2, 10.0);
    l.cells.push_back(FixtureCell{{{10.0 / 3.0, -0.5}, {0, 0}, {-3, -3}, {2, -3}}, 0});
    l.cells.push_back(FixtureCell{{{20.0 / 3.0, -0.5}, {5, -3}, {8, -3}}, 0});
    l.welds.push_back({0, 0, 1, 2, 0, 1});
    l.welds.push_back({0, 2, 2, 3, 0, 0});
    auto e = buildChecked(l);
    ASSERT_TRUE(e);
    point3D* P1 = vertexAt(*e, 0, 0);
    point3D* P2 = vertexAt(*e, 0, 3);
    point3D* Q2 = vertexAt(*e, 1, 0);
    point3D* Q1 = vertexAt(*e, 1, 3);
    point3D* zP = vertexAt(*e, 2, 1);
    interpair* az = pairOf(*e, 0, 2);
    interpair* aw = pairOf(*e, 0, 3);
    ASSERT_TRUE(az && aw);
    ASSERT_EQ(az->cell1, e->cells[0]);
    interpair* pair = e->interpairs[0];
    pair->MP.push_back(new mergepair(0, P1, P2, Q2, Q1));
    e->boundary_merge_3(P1, P2, Q1, Q2, pair->id);
    // Z's contact ran along P1's out-edge: it now ends at P1, a single point.
    ASSERT_EQ(az->MP.size(), 1u);
    EXPECT_EQ(az->MP[0]->S1, P1);
    EXPECT_EQ(az->MP[0]->S2, P1);
    EXPECT_EQ(az->MP[0]->T1, zP);
    EXPECT_EQ(az->MP[0]->T2, zP);
    // W met A only inside the new stretch: its stretch is gone.
    EXPECT_TRUE(aw->MP.empty());
    EXPECT_TRUE(P1->out_edge->bonded);
    EXPECT_EQ(welding::cell_of(P1->out_edge->partner->p1), e->cells[1]);
    EXPECT_TRUE(topologyIsSound(*e));
}

} // namespace

namespace {

// Cp (cell 0) and Cq (cell 1), welded at (0, -20), reach up to the opposite
// corners u = W0 and v = W3 of the hexagon W (cell 2), welded there. Growing
// their weld's end to (p, q) fuses p with q at W's centre and pinches W;
// both loops have three edges.
TEST(BoundaryMerge4, APinchedThirdCellLosesTheLoopThatStartsAtTheNewEndsPartnerOnATie)
{
    TissueLayout l = pinchAcrossHexagon({{{5, 0}, {0, -20}, {20, 0}}, 0}, 0, {{{0, -20}, {-5, 0}, {-20, 0}}, 0}, 1);
    l.welds.push_back({0, 1, 1, 1, 0, 0});
    auto e = buildChecked(l);
    ASSERT_TRUE(e);
    point3D* p = vertexAt(*e, 0, 0);
    point3D* a = vertexAt(*e, 0, 1);
    point3D* b = vertexAt(*e, 1, 0);
    point3D* q = vertexAt(*e, 1, 1);
    std::vector<point3D*> W;
    for (int k = 0; k < 6; ++k)
        W.push_back(vertexAt(*e, 2, k));
    e->boundary_merge_4(a, b, p, q, pairOf(*e, 0, 1)->id);
    expectHexagonPinchedAtW3(*e, p, q, W);
    EXPECT_NEAR(p->x, 0.0, 1e-12);
    EXPECT_TRUE(p->out_edge->bonded && q->in_edge->bonded);
    EXPECT_TRUE(topologyIsSound(*e));
}

} // namespace
