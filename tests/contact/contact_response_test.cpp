// The per-step contact response and its merges on small built tissues: the
// contact intervals of each arrangement, the edge split for a lone vertex,
// the re-welding between two weld points, the growth of a welded end and
// its limit of 16 swallowed ring steps, gross overlaps, and unsound input.
// Every operation that changes topology is followed by the checker.
#include "contact_fixtures.h"
#include "contact/welding.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

std::unique_ptr<dbReader> build(const TissueLayout& layout)
{
    std::string error;
    auto e = buildTissue(layout, &error);
    EXPECT_TRUE(e) << error;
    return e;
}

FixtureCell square(double x0, double y0, double x1, double y1)
{
    return FixtureCell{{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, 0};
}

// --- contact intervals ------------------------------------------------------

struct IntervalCase {
    const char* name;
    std::function<TissueLayout()> layout;
    int code;
    std::vector<std::pair<int, int>> S;  // (cell, ring index) expected in S
    std::vector<std::pair<int, int>> T;
    const char* warning;                  // expected standard output
};

TEST(ContactIntervals, ArrangementsGiveTheirCodesArcsAndWarnings)
{
    const std::vector<IntervalCase> cases = {
        // Identical boxes: code 1; the xmin sides are equal, so A searches
        // its whole ring but its arc's other end.
        {"identical boxes", [] { return TissueLayout{{square(0, 0, 10, 10), square(0, 0, 10, 10)}, {}}; }, 1,
         {{0, 1}, {0, 3}}, {{1, 2}, {1, 1}}, ""},
        // B inside A touching A's right side only.
        {"inside, touching one side",
         [] { return TissueLayout{{square(0, 0, 10, 10), square(5, 3, 10, 7)}, {}}; }, 15, {}, {},
         "  -> warning: the pair 0:0,1 type: 15: one embrased another one!\n"},
        // The same, welded at B's corner on A's side: no warning.
        {"inside, welded",
         [] {
             TissueLayout l{{FixtureCell{{{0, 0}, {10, 0}, {10, 3}, {10, 10}, {0, 10}}, 0}, square(5, 3, 10, 7)}, {}};
             l.welds.push_back({0, 2, 2, 1, 1, 1});
             return l;
         },
         15, {}, {}, ""},
        // B at A's lower right, welded at two single points: code 3, two
        // vertices per stretch on each cell.
        {"two stretches, code 3",
         [] {
             TissueLayout l;
             l.cells.push_back({{{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {0, 10}}, 0});
             l.cells.push_back({{{5, -5}, {15, -5}, {15, 5}, {10, 5}, {5, 5}, {5, 0}}, 0});
             l.welds.push_back({0, 1, 1, 1, 5, 5});
             l.welds.push_back({0, 3, 3, 1, 3, 3});
             return l;
         },
         3, {{0, 0}, {0, 4}, {0, 0}, {0, 4}}, {{1, 1}, {1, 0}, {1, 1}, {1, 0}}, ""},
    };
    for (const IntervalCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = build(c.layout());
        ASSERT_TRUE(e);
        if (e->interpairs.empty())
            welding::new_pair(*e, e->cells[0], e->cells[1]);
        std::vector<point3D*> S, T;
        testing::internal::CaptureStdout();
        const int code = e->collision_candidate2(e->interpairs[0], S, T);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.warning);
        EXPECT_EQ(code, c.code);
        ASSERT_EQ(S.size(), c.S.size());
        ASSERT_EQ(T.size(), c.T.size());
        for (std::size_t k = 0; k < S.size(); ++k)
            EXPECT_EQ(S[k], vertexAt(*e, c.S[k].first, c.S[k].second)) << "S " << k;
        for (std::size_t k = 0; k < T.size(); ++k)
            EXPECT_EQ(T[k], vertexAt(*e, c.T[k].first, c.T[k].second)) << "T " << k;
    }
}

// --- edge split for a lone vertex --------------------------------------------

TEST(BoundaryMergeRefresh, FreeAndSharedEdgesAreSplitAtTheirMidpoint)
{
    // Shape 2 on a free edge: one vertex, two edges, one node.
    auto e = build(singleSquare());
    ASSERT_TRUE(e);
    point3D* a = vertexAt(*e, 0, 0);
    point3D* b = vertexAt(*e, 0, 1);
    point3D* lone = vertexAt(*e, 0, 3);
    const std::size_t np = e->points.size(), ne = e->edges.size(), nn = e->nodes.size();
    e->boundary_merge_refresh(a, b, lone, lone);
    EXPECT_EQ(e->points.size() - np, 1u);
    EXPECT_EQ(e->edges.size() - ne, 2u);
    EXPECT_EQ(e->nodes.size() - nn, 1u);
    point3D* N = a->next;
    EXPECT_EQ(N, b->prev);
    EXPECT_EQ(N->id, static_cast<int>(np));
    EXPECT_DOUBLE_EQ(N->x, 5.0);
    EXPECT_DOUBLE_EQ(N->y, 0.0);
    EXPECT_TRUE(N->mp.empty());
    EXPECT_EQ(e->cells[0]->sides.size(), 5u);
    EXPECT_TRUE(topologyIsSound(*e));

    // Neither shape: nothing changes.
    e->boundary_merge_refresh(a, a->next->next, lone, vertexAt(*e, 0, 2));
    EXPECT_EQ(e->points.size() - np, 1u);

    // Shape 1 on a shared edge: two welded twins in one new node.
    auto f = build(twoWeldedCells());
    ASSERT_TRUE(f);
    point3D* d = vertexAt(*f, 0, 1);  // (10, 0), welded to cell 1
    point3D* c = vertexAt(*f, 0, 2);  // (10, 5)
    const std::size_t mp = f->points.size(), me = f->edges.size(), mn = f->nodes.size();
    point3D* other = vertexAt(*f, 0, 0);
    f->boundary_merge_refresh(other, other, c, d);
    EXPECT_EQ(f->points.size() - mp, 2u);
    EXPECT_EQ(f->edges.size() - me, 4u);
    EXPECT_EQ(f->nodes.size() - mn, 1u);
    point3D* M = c->prev;
    EXPECT_EQ(M, d->next);
    point3D* twin = f->points[mp + 1];
    EXPECT_EQ(M->mp, std::vector<point3D*>{twin});
    EXPECT_EQ(twin->mp, std::vector<point3D*>{M});
    EXPECT_EQ(f->nodes.back()->vertices, (std::vector<point3D*>{M, twin}));
    EXPECT_TRUE(M->in_edge->bonded && M->out_edge->bonded);
    EXPECT_TRUE(topologyIsSound(*f));
}

// --- re-welding between two weld points ---------------------------------------

struct RunCase {
    const char* name;
    int kA, kB;
    double length;
    std::vector<double> xs;  // the interior couples' x afterwards
};

TEST(BoundaryMerge3, TheRunBetweenTwoWeldPointsIsRebuiltByTheTargetLength)
{
    const std::vector<RunCase> cases = {
        {"one edge each: only bonded", 0, 0, 10.0, {}},
        {"A empty: one new vertex midway", 0, 2, 10.0, {5.0}},
        {"B empty: mirror", 2, 0, 10.0, {5.0}},
        {"four a side over 10.0: three couples", 4, 4, 10.0, {2.5, 5.0, 7.5}},
        {"equal counts within n", 2, 2, 10.0, {10.0 / 3.0, 20.0 / 3.0}},
        {"A richer within n: B gains", 3, 1, 10.0, {2.5, 5.0, 7.5}},
        {"B richer within n: A gains", 1, 3, 10.0, {2.5, 5.0, 7.5}},
        {"closer than pi: all dropped", 2, 2, 2.0, {}},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = build(facingRuns(c.kA, c.kB, c.length));
        ASSERT_TRUE(e);
        point3D* P1 = vertexAt(*e, 0, 0);
        point3D* P2 = vertexAt(*e, 0, c.kA + 1);
        point3D* Q2 = vertexAt(*e, 1, 0);
        point3D* Q1 = vertexAt(*e, 1, c.kB + 1);
        interpair* pair = e->interpairs[0];
        pair->MP.push_back(new mergepair(0, P1, P2, Q2, Q1));
        e->boundary_merge_3(P1, P2, Q1, Q2, pair->id);
        ASSERT_TRUE(topologyIsSound(*e));
        std::vector<double> xs;
        int guard = 0;
        for (point3D* v = P1->next; v != P2 && ++guard < 50; v = v->next) {
            xs.push_back(v->x);
            EXPECT_NEAR(v->y, 0.0, 1e-9);
            ASSERT_EQ(v->mp.size(), 1u);
            EXPECT_EQ(welding::cell_of(v->mp[0]), e->cells[1]);
        }
        ASSERT_EQ(xs.size(), c.xs.size());
        for (std::size_t k = 0; k < xs.size(); ++k)
            EXPECT_NEAR(xs[k], c.xs[k], 1e-9) << k;
        EXPECT_TRUE(P1->out_edge->bonded && P2->in_edge->bonded);
    }
}

TEST(BoundaryMerge3, ASinglePointWeldsTwoFreeVerticesWithoutAPair)
{
    auto e = build(facingRuns(2, 2, 10.0));
    ASSERT_TRUE(e);
    point3D* p = vertexAt(*e, 0, 1);
    point3D* q = vertexAt(*e, 1, 2);
    const std::size_t pairs = e->interpairs.size();
    e->interpairs[0]->MP.push_back(new mergepair(0, p, p, q, q));
    e->boundary_merge_3(p, p, q, q, 0);
    EXPECT_EQ(p->mp, std::vector<point3D*>{q});
    EXPECT_EQ(q->mp, std::vector<point3D*>{p});
    EXPECT_EQ(p->node, q->node);
    EXPECT_DOUBLE_EQ(p->y, 0.0);
    EXPECT_EQ(e->interpairs.size(), pairs);
    EXPECT_TRUE(topologyIsSound(*e));
}

// --- growth of a welded end ----------------------------------------------------

TEST(BoundaryMerge4, GrowingAnEndRebuildsTheRunFromTheNewEndToTheOld)
{
    struct Case {
        const char* name;
        int kA, kB;
        double length;
        std::size_t couples;
    };
    const std::vector<Case> cases = {
        {"no vertex between: only bonded", 0, 0, 10.0, 0},
        {"one side empty: one vertex midway", 0, 2, 10.0, 1},
        {"both sides, closer than pi: all dropped", 2, 2, 2.0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = build(facingRuns(c.kA, c.kB, c.length));
        ASSERT_TRUE(e);
        // The stretch ending at P2/Q2 grows to P1/Q1.
        point3D* P1 = vertexAt(*e, 0, 0);
        point3D* P2 = vertexAt(*e, 0, c.kA + 1);
        point3D* Q2 = vertexAt(*e, 1, 0);
        point3D* Q1 = vertexAt(*e, 1, c.kB + 1);
        interpair* pair = e->interpairs[0];
        e->boundary_merge_4(P2, Q2, P1, Q1, pair->id);
        mergepair* m = pair->MP[1];
        m->S1 = P1;
        m->T2 = Q1;
        ASSERT_TRUE(topologyIsSound(*e));
        std::size_t couples = 0;
        for (point3D* v = P1->next; v != P2 && couples < 50; v = v->next, ++couples) {
            if (couples == 0 && c.couples == 1) {
                EXPECT_NEAR(v->x, c.length / 2.0, 1e-9);
            }
        }
        EXPECT_EQ(couples, c.couples);
        EXPECT_TRUE(P1->out_edge->bonded);
    }
}

// --- the per-step response ------------------------------------------------------

// A (cell 0) above B (cell 1), welded at the single point (0, 0). A's
// bottom runs right along y = 0 through x = 1 .. j + 5; B's top runs left
// along y = 0.5 from x = j + 0.3 (plus one vertex at x = 0.5 when `extra`),
// so that B's right side crosses A's bottom between x = j and j + 1: growing
// the weld's end there swallows 2j + 1 ring steps (2j + 2 with `extra`).
TissueLayout overrun(int j, bool extra)
{
    TissueLayout l;
    FixtureCell a;
    for (int x = 0; x <= j + 5; ++x)
        a.ring.push_back({double(x), 0.0});
    a.ring.push_back({double(j + 5), 10.0});
    a.ring.push_back({-1.0, 10.0});
    FixtureCell b;
    b.ring.push_back({0.0, 0.0});
    b.ring.push_back({-1.0, -10.0});
    b.ring.push_back({j + 0.3, -10.0});
    b.ring.push_back({j + 0.3, 0.5});
    for (int x = j; x >= 1; --x)
        b.ring.push_back({double(x), 0.5});
    if (extra)
        b.ring.push_back({0.5, 0.5});
    l.cells = {a, b};
    l.welds.push_back({0, 0, 0, 1, 0, 0});
    return l;
}

TEST(ContactResponse, AnOverrunEndIsFusedUpToFifteenStepsAndTheSmallerCellDiesBeyond)
{
    {
        SCOPED_TRACE("n = 15");
        auto e = build(overrun(7, false));
        ASSERT_TRUE(e);
        interpair* pair = e->interpairs[0];
        point3D* weldPoint = vertexAt(*e, 0, 0);
        point3D* crossing = vertexAt(*e, 0, 7);
        EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK) << e->message.toStdString();
        EXPECT_FALSE(e->cells[0]->dead || e->cells[1]->dead);
        ASSERT_EQ(pair->MP.size(), 1u);
        const mergepair* m = pair->MP[0];
        // The S2/T1 end moved out to the fused couple at the crossing.
        EXPECT_EQ(m->S2, crossing);
        EXPECT_EQ(m->S1, weldPoint);
        EXPECT_TRUE(m->S2->checkmp(m->T1));
        EXPECT_NEAR(m->S2->x, 7.15, 1e-9);
        EXPECT_NEAR(m->S2->y, 0.25, 1e-9);
        EXPECT_TRUE(e->cells[0]->remesh && e->cells[1]->remesh);
        EXPECT_TRUE(topologyIsSound(*e));
    }
    {
        SCOPED_TRACE("n = 16");
        auto e = build(overrun(7, true));
        ASSERT_TRUE(e);
        interpair* pair = e->interpairs[0];
        const mergepair before = *pair->MP[0];
        EXPECT_LT(e->cells[1]->area, e->cells[0]->area);
        EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK);
        EXPECT_TRUE(e->cells[1]->dead);
        EXPECT_FALSE(e->cells[0]->dead);
        ASSERT_EQ(pair->MP.size(), 1u);
        EXPECT_EQ(pair->MP[0]->S2, before.S2);
        EXPECT_EQ(pair->MP[0]->T1, before.T1);
    }
}

TEST(ContactResponse, GrossOverlapsRemoveTheCellTheTableNames)
{
    struct Case {
        const char* name;
        TissueLayout layout;
        int dies;  // -1: none
    };
    TissueLayout welded15{{FixtureCell{{{0, 0}, {10, 0}, {10, 3}, {10, 10}, {0, 10}}, 0}, square(5, 3, 10, 7)}, {}};
    welded15.welds.push_back({0, 2, 2, 1, 1, 1});
    TissueLayout welded16{{square(5, 3, 10, 7), FixtureCell{{{0, 0}, {10, 0}, {10, 3}, {10, 10}, {0, 10}}, 0}}, {}};
    welded16.welds.push_back({0, 1, 1, 1, 2, 2});
    const std::vector<Case> cases = {
        {"15 unwelded", {{square(0, 0, 10, 10), square(2, 2, 8, 8)}, {}}, 1},
        {"16 unwelded", {{square(2, 2, 8, 8), square(0, 0, 10, 10)}, {}}, 0},
        {"15 welded", welded15, 1},
        {"16 welded", welded16, 0},
        {"13 unwelded", {{square(4, 0, 6, 10), square(0, 4, 10, 6)}, {}}, 0},
        {"14 unwelded", {{square(0, 4, 10, 6), square(4, 0, 6, 10)}, {}}, 0},
        {"disjoint", {{square(0, 0, 10, 10), square(20, 0, 30, 10)}, {}}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = build(c.layout);
        ASSERT_TRUE(e);
        if (e->interpairs.empty())
            welding::new_pair(*e, e->cells[0], e->cells[1]);
        interpair* pair = e->interpairs[0];
        testing::internal::CaptureStdout();
        EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK);
        testing::internal::GetCapturedStdout();
        for (int k = 0; k < 2; ++k)
            EXPECT_EQ(bool(e->cells[k]->dead), k == c.dies) << "cell " << k;
        // A removed pair or a dead cell is left alone at once.
        EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK);
    }
}

TEST(ContactResponse, TwoFreeBoundariesThatCrossAreWeldedAsOneStretch)
{
    // Two squares overlapping by one unit, paired but not welded.
    auto e = build(TissueLayout{{FixtureCell{{{0, 0}, {5, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}, {0, 5}}, 0},
                                 FixtureCell{{{9, 1}, {14, 1}, {19, 1}, {19, 6}, {19, 11}, {14, 11}, {9, 11}, {9, 6}}, 0}},
                                {}});
    ASSERT_TRUE(e);
    interpair* pair = welding::new_pair(*e, e->cells[0], e->cells[1]);
    EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK) << e->message.toStdString();
    ASSERT_EQ(pair->MP.size(), 1u);
    const mergepair* m = pair->MP[0];
    EXPECT_NE(m->S1, m->S2);
    EXPECT_TRUE(m->S1->checkmp(m->T2));
    EXPECT_TRUE(m->S2->checkmp(m->T1));
    EXPECT_TRUE(e->cells[0]->remesh && e->cells[1]->remesh);
    EXPECT_TRUE(topologyIsSound(*e));
    EXPECT_TRUE(boundaryCrossings(*e).empty());
}

// --- the stage ---------------------------------------------------------------------

TEST(ContactResponse, APairWithADeadCellLeavesItsMessageAndTheStageSucceeds)
{
    auto e = build(threeWeldedCells());
    ASSERT_TRUE(e);
    e->cells[2]->dead = 1;
    EXPECT_EQ(e->detect_collision(1), dbReader::STEP_OK);
    EXPECT_EQ(e->message.toStdString(), "ERROR: one cell of 1 and 2 is already dead!");
}

// --- unsound input -------------------------------------------------------------------

TEST(ContactResponse, AnUnsoundTissueEndsThePassWithoutReadingWhatIsMissing)
{
    struct Case {
        const char* name;
        std::function<void(dbReader&)> spoil;
    };
    const std::vector<Case> cases = {
        {"stretch on a dead vertex", [](dbReader& e) { e.interpairs[0]->MP[0]->S1->alive = 0; }},
        {"one-way partner link", [](dbReader& e) { vertexAt(e, 1, 2)->removemp(vertexAt(e, 0, 2)); }},
        {"edge bonded without partner or pair",
         [](dbReader& e) {
             edge* s = sideAt(e, 0, 0);
             s->bonded = 1;
             s->partner = nullptr;
             s->pair = nullptr;
         }},
        {"open ring", [](dbReader& e) { vertexAt(e, 0, 0)->next = nullptr; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto e = buildTissue(twoWeldedCells(), &error);
        ASSERT_TRUE(e) << error;
        // Push the cells into each other so that there is work to do.
        for (point3D* p : e->points)
            if (p->mp.empty())
                p->x += (welding::cell_of(p) == e->cells[0]) ? 1.0 : -1.0;
        c.spoil(*e);
        const int r = e->detect_collision(1);
        if (r >= 0) {
            EXPECT_LE(r, 1);
            EXPECT_TRUE(e->message.startsWith("ERROR: ")) << e->message.toStdString();
        }
    }
}

} // namespace

namespace {

// C2 (cell 0) below X (cell 1), welded along C2's top; the diamond C1
// (cell 2) pokes down through that weld.
TissueLayout pokeThroughWeld(double depth)
{
    TissueLayout l;
    l.cells.push_back({{{0, 0}, {10, 0}, {10, 10}, {7, 10}, {5, 10}, {3, 10}, {0, 10}}, 0});
    l.cells.push_back({{{0, 10}, {3, 10}, {5, 10}, {7, 10}, {10, 10}, {10, 20}, {0, 20}}, 0});
    l.cells.push_back({{{5, 10 - depth}, {7.5, 11}, {5, 13.5}, {2.5, 11}}, 0});
    l.welds.push_back({0, 2, 6, 1, 0, 4});
    return l;
}

TEST(ContactResponse, ACrossingInsideAThirdCellsWeldIsHandedToTheThreeCellResponse)
{
    auto e = build(pokeThroughWeld(1.5));
    ASSERT_TRUE(e);
    cell* C2 = e->cells[0];
    cell* X = e->cells[1];
    cell* C1 = e->cells[2];
    interpair* pair = welding::new_pair(*e, C1, C2);
    EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK) << e->message.toStdString();
    // The pair of C1 and X was made and handed on; the three-cell response
    // found that its contact reaches into the weld of the pair being
    // handled, so X, the cell that pair does not involve, is removed.
    ASSERT_EQ(e->interpairs.size(), 3u);
    EXPECT_EQ(e->interpairs[2]->cell1, C1);
    EXPECT_EQ(e->interpairs[2]->cell2, X);
    EXPECT_TRUE(X->dead);
    EXPECT_TRUE(pair->MP.empty());
    EXPECT_TRUE(topologyIsSound(*e));
    // With X gone the next pass welds C1 and C2 directly.
    EXPECT_EQ(e->collision_response_m2(pair, 2, 1, pair->id), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_EQ(pair->MP.size(), 1u);
    EXPECT_TRUE(topologyIsSound(*e));
    EXPECT_TRUE(boundaryCrossings(*e).empty());
}

} // namespace

namespace {

TEST(ContactResponse, ACrossingInsideAThirdCellsWeldOverMostOfTheRingRemovesTheWeldedCell)
{
    TissueLayout l = pokeThroughWeld(1.5);
    l.cells[2].ring = {{3.8, 9.5}, {4.5, 8.8}, {5.5, 8.8}, {6.2, 9.5}, {5, 13}};
    auto e = build(l);
    ASSERT_TRUE(e);
    interpair* pair = welding::new_pair(*e, e->cells[2], e->cells[0]);
    EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_TRUE(e->cells[0]->dead);
    EXPECT_FALSE(e->cells[1]->dead || e->cells[2]->dead);
    EXPECT_TRUE(topologyIsSound(*e));
}

} // namespace

namespace {

// A 3 x 3 grid of 10 x 10 squares welded along every shared side; cell
// 3 * row + column. The centre cell's contacts are closed in at both ends.
TissueLayout grid()
{
    TissueLayout l;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            l.cells.push_back(square(10.0 * c, 10.0 * r, 10.0 * c + 10.0, 10.0 * r + 10.0));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int k = 3 * r + c;
            if (c < 2)
                l.welds.push_back({k, 1, 2, k + 1, 3, 0});
            if (r < 2)
                l.welds.push_back({k, 2, 3, k + 3, 0, 1});
        }
    return l;
}

interpair* pairOf(const dbReader& e, int a, int b)
{
    for (interpair* p : e.cells[a]->pairs)
        if ((p->cell1->id == a && p->cell2->id == b) || (p->cell1->id == b && p->cell2->id == a))
            return p;
    return nullptr;
}

TEST(ContactResponse, AStretchClosedInAtBothEndsIsNotWalked)
{
    auto e = build(grid());
    ASSERT_TRUE(e);
    interpair* p = pairOf(*e, 4, 5);
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(p->check_detection());
    const mergepair before = *p->MP[0];
    const std::size_t points = e->points.size();

    // The per-step response finds nothing to grow.
    EXPECT_EQ(e->collision_response_m2(p, 1, 1, p->id), dbReader::STEP_OK);
    EXPECT_EQ(p->MP[0]->S1, before.S1);
    EXPECT_EQ(p->MP[0]->S2, before.S2);
    EXPECT_EQ(e->points.size(), points);
    for (const cell* c : e->cells)
        EXPECT_FALSE(c->dead);
    EXPECT_TRUE(topologyIsSound(*e));

    // The three-cell response, met while the centre's pair with the cell
    // below is handled, removes the cell of p that pair does not involve.
    interpair* q = pairOf(*e, 1, 4);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(e->collision_response_m3(p, q, 1, 1, q->id), dbReader::STEP_OK);
    EXPECT_TRUE(e->cells[5]->dead);
    EXPECT_FALSE(e->cells[4]->dead);
    EXPECT_TRUE(p->removed);
    EXPECT_TRUE(topologyIsSound(*e));
}

} // namespace

namespace {

// Cp (cell 0) and Cq (cell 1) are welded to opposite corners u = W0 and
// v = W3 of the hexagon W (cell 2). Fusing p with q pinches W at the weld
// point; both loops have three edges.
TEST(BoundaryMerge3, APinchedThirdCellLosesTheLoopThatStartsAtPsPartnerOnATie)
{
    TissueLayout l;
    l.cells.push_back({{{5, 0}, {15, -5}, {15, 5}}, 0});
    l.cells.push_back({{{-5, 0}, {-15, 5}, {-15, -5}}, 0});
    FixtureCell w;
    for (int k = 0; k < 6; ++k)
        w.ring.push_back({5.0 * std::cos(k * 3.14159265358979 / 3.0), 5.0 * std::sin(k * 3.14159265358979 / 3.0)});
    l.cells.push_back(w);
    l.welds.push_back({0, 0, 0, 2, 0, 0});
    l.welds.push_back({1, 0, 0, 2, 3, 3});
    auto e = build(l);
    ASSERT_TRUE(e);
    point3D* p = vertexAt(*e, 0, 0);
    point3D* q = vertexAt(*e, 1, 0);
    std::vector<point3D*> W;
    for (int k = 0; k < 6; ++k)
        W.push_back(vertexAt(*e, 2, k));
    interpair* pair = welding::new_pair(*e, e->cells[0], e->cells[1]);
    pair->MP.push_back(new mergepair(0, p, p, q, q));
    e->boundary_merge_3(p, p, q, q, pair->id);

    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(bool(W[k]->alive), k >= 3) << "W" << k;
    EXPECT_EQ(e->cells[2]->sides.size(), 3u);
    EXPECT_TRUE(p->checkmp(q) && p->checkmp(W[3]) && q->checkmp(W[3]));
    EXPECT_DOUBLE_EQ(W[3]->x, 0.0);
    // The stretch of Cp and W moved to the survivor.
    const interpair* pw = e->cells[0]->pairs[0];
    ASSERT_FALSE(pw->MP.empty());
    EXPECT_EQ(pw->MP[0]->T1, W[3]);
    EXPECT_TRUE(e->cells[2]->remesh);
    EXPECT_TRUE(topologyIsSound(*e));
}

} // namespace

namespace {

// A pair whose stretch list was emptied while its edges stay welded: the new
// contact it seems to have lies inside its own weld, which is a broken state
// that the response reports instead of welding over.
TEST(ContactResponse, ANewContactInsideTheCellsOwnWeldFailsWithTheCellAtFault)
{
    auto e = build(twoWeldedCells());
    ASSERT_TRUE(e);
    interpair* pair = e->interpairs[0];
    pair->remove_MP(pair->MP[0]);
    const int r = e->collision_response_m2(pair, 1, 1, pair->id);
    // Cell 1's end edges are welded to cell 0: the result names cell 0.
    EXPECT_EQ(r, 0);
    EXPECT_EQ(e->message.toStdString(), "ERROR: the interaction between cells 0 and 1 should have been removed!");
    EXPECT_TRUE(pair->MP.empty());
}

} // namespace
