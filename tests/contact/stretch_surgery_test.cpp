// The blocks of the merges that extend a welded stretch by one couple or open
// it between two fused couples: the re-weld of the loose pieces with each
// merge's flags, the junction merge with the release of swallowed contacts,
// and the arc collapse at a pinched point.
#include "contact/welding.h"
#include "contact_fixtures.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

bool isSide(const cell* c, const edge* e)
{
    return std::find(c->sides.begin(), c->sides.end(), e) != c->sides.end();
}

// facingRuns seen by both merges. Extension: the new end c = P1 (fused
// with d = Q1) and the old end a = P2, b = Q2; the pieces c..a (p1.. = a[])
// and b..d (q1.. from d = b[]) are laid from c's place towards a's.
// Opening: S1 = P1, S2 = P2, T1 = Q1, T2 = Q2.
using Pieces = FacingPieces;

struct ReweldCase {
    bool extension; // boundary merge 1, else the opening merge
    int nA, nB;
    double length;  // the chord; its limit is trunc(length / pi)
    int couples;
    bool flagA, flagB;
};

class ReweldCases : public ::testing::TestWithParam<ReweldCase> {};

TEST_P(ReweldCases, PiecesBecomeOneWeldedStretch)
{
    const ReweldCase k = GetParam();
    Pieces f;
    f.build(k.nA, k.nB, k.length);
    const std::size_t points = f.engine->points.size();
    const welding::Pos from{0.0, 0.0};
    const welding::Pos to{k.length, 0.0};
    if (k.extension)
        ASSERT_TRUE(welding::reweld_extension(*f.engine, f.pair, f.P2, f.Q2, f.P1, f.Q1, from, to));
    else
        ASSERT_TRUE(welding::reweld_opening(*f.engine, f.pair, f.P1, f.P2, f.Q1, f.Q2, from, to));

    const std::vector<point3D*> pa = ringBetween(f.P1, f.P2, false);
    const std::vector<point3D*> qb = ringBetween(f.Q1, f.Q2, true);
    ASSERT_EQ(static_cast<int>(pa.size()), k.couples);
    ASSERT_EQ(static_cast<int>(qb.size()), k.couples);
    for (int j = 0; j < k.couples; ++j) {
        EXPECT_NEAR(pa[j]->x, k.length * (j + 1) / (k.couples + 1), 1e-9);
        EXPECT_NEAR(pa[j]->y, 0.0, 1e-9);
        ASSERT_EQ(pa[j]->mp, std::vector<point3D*>{qb[j]});
        EXPECT_EQ(pa[j]->node, qb[j]->node);
    }
    for (point3D* v = f.P1; v != f.P2; v = v->next)
        EXPECT_EQ(v->out_edge->pair, f.pair);
    EXPECT_EQ(static_cast<bool>(f.A->remesh), k.flagA);
    EXPECT_EQ(static_cast<bool>(f.B->remesh), k.flagB);
    // New vertices take the ids that follow, in order.
    for (std::size_t i = points; i < f.engine->points.size(); ++i)
        EXPECT_EQ(f.engine->points[i]->id, static_cast<int>(i));
    EXPECT_TRUE(topologyIsSound(*f.engine));
}

INSTANTIATE_TEST_SUITE_P(
    BothMerges, ReweldCases,
    ::testing::Values(
        // Extension: a side without vertices flags both cells.
        ReweldCase{true, 0, 0, 10.0, 0, false, false}, ReweldCase{true, 0, 3, 10.0, 1, true, true},
        ReweldCase{true, 3, 0, 10.0, 1, true, true}, ReweldCase{true, 2, 2, 10.0, 2, false, false},
        ReweldCase{true, 3, 1, 10.0, 3, false, true}, ReweldCase{true, 1, 2, 10.0, 2, true, false},
        ReweldCase{true, 2, 3, 3.0, 0, true, true}, ReweldCase{true, 5, 2, 10.0, 2, true, false},
        ReweldCase{true, 2, 4, 7.0, 2, false, true},
        // Opening: only the full side is flagged.
        ReweldCase{false, 0, 5, 10.0, 1, false, true}, ReweldCase{false, 4, 0, 10.0, 1, true, false},
        ReweldCase{false, 3, 3, 10.0, 3, false, false}, ReweldCase{false, 4, 2, 10.0, 2, true, false},
        ReweldCase{false, 2, 3, 3.0, 0, true, true}),
    // Named by row: the struct's padding bytes would otherwise end up in the test names.
    [](const ::testing::TestParamInfo<ReweldCase>& row) {
        return std::string(row.param.extension ? "Extension" : "Opening") + std::to_string(row.index);
    });

TEST(ExtensionReweld, KeptVerticesNewEdgesAndRetiredEdges)
{
    // nA = 0, nB = 3: q3 and q2 go, q1 stays and moves to the middle, joined
    // by the new vertex on A; the replaced edges are out of use.
    Pieces f;
    f.build(0, 3, 10.0);
    edge* ca = f.P1->out_edge;
    edge* bq3 = f.Q2->out_edge;
    point3D* q1 = f.b[0];
    ASSERT_TRUE(welding::reweld_extension(*f.engine, f.pair, f.P2, f.Q2, f.P1, f.Q1, {0.0, 0.0}, {10.0, 0.0}));
    EXPECT_TRUE(q1->alive);
    EXPECT_FALSE(f.b[1]->alive);
    EXPECT_FALSE(f.b[2]->alive);
    EXPECT_NEAR(q1->x, 5.0, 1e-12);
    EXPECT_EQ(ca->in_use, 0);
    EXPECT_EQ(bq3->in_use, 0);
    EXPECT_FALSE(isSide(f.A, ca));

    // nA = 3, nB = 0: p3, next to a, stays.
    f.build(3, 0, 10.0);
    point3D* p3 = f.a[2];
    ASSERT_TRUE(welding::reweld_extension(*f.engine, f.pair, f.P2, f.Q2, f.P1, f.Q1, {0.0, 0.0}, {10.0, 0.0}));
    EXPECT_TRUE(p3->alive);
    EXPECT_FALSE(f.a[0]->alive);
    EXPECT_FALSE(f.a[1]->alive);

    // nA = 3, nB = 1: B gains w2 and w3; its new edges run w2 -> q1, w3 -> w2,
    // b -> w3, and the old edge b -> q1 is out of use.
    f.build(3, 1, 10.0);
    const std::size_t points = f.engine->points.size();
    const std::size_t edges = f.engine->edges.size();
    edge* bq1 = f.Q2->out_edge;
    q1 = f.b[0];
    ASSERT_TRUE(welding::reweld_extension(*f.engine, f.pair, f.P2, f.Q2, f.P1, f.Q1, {0.0, 0.0}, {10.0, 0.0}));
    ASSERT_EQ(f.engine->points.size(), points + 2);
    ASSERT_EQ(f.engine->edges.size(), edges + 3);
    point3D* w2 = f.engine->points[points];
    point3D* w3 = f.engine->points[points + 1];
    const auto runs = [&](std::size_t i, point3D* from, point3D* to) {
        return f.engine->edges[edges + i]->p1 == from && f.engine->edges[edges + i]->p2 == to;
    };
    EXPECT_TRUE(runs(0, w2, q1));
    EXPECT_TRUE(runs(1, w3, w2));
    EXPECT_TRUE(runs(2, f.Q2, w3));
    EXPECT_EQ(bq1->in_use, 0);
    EXPECT_FALSE(bq1->bonded);
    EXPECT_TRUE(topologyIsSound(*f.engine));

    // s = 0, nA = 2, nB = 3: all five go; a's in edge now starts at c and is
    // bonded to b's out edge, which ends at d.
    f.build(2, 3, 3.0);
    ASSERT_TRUE(welding::reweld_extension(*f.engine, f.pair, f.P2, f.Q2, f.P1, f.Q1, {0.0, 0.0}, {3.0, 0.0}));
    for (point3D* v : f.a)
        EXPECT_FALSE(v->alive);
    for (point3D* v : f.b)
        EXPECT_FALSE(v->alive);
    EXPECT_EQ(f.P2->in_edge->p1, f.P1);
    EXPECT_EQ(f.Q2->out_edge->p2, f.Q1);
    EXPECT_EQ(f.P2->in_edge->partner, f.Q2->out_edge);
    EXPECT_TRUE(topologyIsSound(*f.engine));
}

TEST(OpeningReweld, OneEmptySideRetiresWithoutMarking)
{
    // kA = 0, kB = 5: q2..q5 go, the five edges from T2 to q1 leave B's sides
    // but keep their in_use; only cell B is flagged.
    Pieces f;
    f.build(0, 5, 10.0);
    std::vector<edge*> old;
    for (point3D* v = f.Q2; v != f.b[0]; v = v->next)
        old.push_back(v->out_edge);
    ASSERT_EQ(old.size(), 5u);
    ASSERT_TRUE(welding::reweld_opening(*f.engine, f.pair, f.P1, f.P2, f.Q1, f.Q2, {0.0, 0.0}, {10.0, 0.0}));
    for (edge* e : old) {
        EXPECT_FALSE(isSide(f.B, e));
        EXPECT_EQ(e->in_use, 1);
    }
    for (int j = 1; j < 5; ++j)
        EXPECT_FALSE(f.b[j]->alive);
    EXPECT_TRUE(f.b[0]->alive);
    EXPECT_FALSE(f.A->remesh);
    EXPECT_TRUE(f.B->remesh);
}

TEST(ReweldRefusal, NoMainPairChangesNothing)
{
    Pieces f;
    f.build(2, 3, 10.0);
    const std::size_t points = f.engine->points.size();
    EXPECT_FALSE(welding::reweld_extension(*f.engine, nullptr, f.P2, f.Q2, f.P1, f.Q1, {0.0, 0.0}, {10.0, 0.0}));
    EXPECT_FALSE(welding::reweld_opening(*f.engine, nullptr, f.P1, f.P2, f.Q1, f.Q2, {0.0, 0.0}, {10.0, 0.0}));
    EXPECT_EQ(f.engine->points.size(), points);
    EXPECT_FALSE(f.A->remesh || f.B->remesh);
    EXPECT_TRUE(topologyIsSound(*f.engine));
}

// facingRuns(3, 3) with a third cell C under A's piece, welded to p1 -> p2
// -> p3 (two edges).
// The ends of facingRuns(3, 3): c = P1, a = P2, b = Q2, d = Q1.
std::array<point3D*, 4> ends(const dbReader& engine)
{
    return {vertexAt(engine, 0, 0), vertexAt(engine, 0, 4), vertexAt(engine, 1, 0), vertexAt(engine, 1, 4)};
}

std::unique_ptr<dbReader> swallowingLayout()
{
    TissueLayout layout = facingRuns(3, 3, 8.0);
    FixtureCell cc;
    cc.ring = {{6.0, -0.5}, {4.0, -0.5}, {2.0, -0.5}, {2.0, -0.8}, {6.0, -0.8}};
    layout.cells.push_back(cc);
    layout.welds.push_back(FixtureWeld{0, 1, 3, 2, 0, 2});
    std::string error;
    auto engine = buildTissue(layout, &error);
    EXPECT_TRUE(engine) << error;
    return engine;
}

TEST(JunctionMerge, SwallowedContactsLoseOneStretchPerMeeting)
{
    auto engine = swallowingLayout();
    ASSERT_TRUE(engine);
    const auto [c, a, b, d] = ends(*engine);
    interpair* ac = engine->interpairs[1];
    // A second stretch of the same contact: each meeting drops one.
    ac->MP.push_back(new mergepair(1, ac->MP[0]->S1, ac->MP[0]->S2, ac->MP[0]->T1, ac->MP[0]->T2));
    interpair* main = nullptr;
    ASSERT_TRUE(welding::junction_merge_extension(*engine, a, b, c, d, main));
    EXPECT_EQ(main, engine->interpairs[0]);
    EXPECT_EQ(c->node, d->node);
    EXPECT_TRUE(ac->MP.empty());
    EXPECT_EQ(engine->interpairs[0]->MP.size(), 2u);
    ASSERT_TRUE(welding::reweld_extension(*engine, main, a, b, c, d, welding::pos_of(c), welding::pos_of(a)));
    EXPECT_TRUE(topologyIsSound(*engine));
}

TEST(JunctionMerge, ContactBeyondAnEndIsTrimmedAndKept)
{
    // The same third cell welded over a's in edge: the contact beyond a is
    // protected and cut back to start at a.
    TissueLayout layout = facingRuns(3, 3, 8.0);
    FixtureCell cc;
    cc.ring = {{8.0, 0.0}, {6.0, -0.5}, {4.0, -0.5}, {4.0, -0.8}, {8.0, -0.8}};
    layout.cells.push_back(cc);
    layout.welds.push_back(FixtureWeld{0, 2, 4, 2, 0, 2});
    layout.welds.push_back(FixtureWeld{1, 0, 0, 2, 0, 0});
    std::string error;
    auto engine = buildTissue(layout, &error);
    ASSERT_TRUE(engine) << error;
    const auto [c, a, b, d] = ends(*engine);
    interpair* ac = engine->interpairs[1];
    ASSERT_EQ(a->in_edge->pair, ac);
    ASSERT_TRUE(topologyIsSound(*engine));
    interpair* main = nullptr;
    ASSERT_TRUE(welding::junction_merge_extension(*engine, a, b, c, d, main));
    ASSERT_EQ(ac->MP.size(), 1u);
    EXPECT_EQ(ac->MP[0]->S1, a);
    EXPECT_EQ(ac->MP[0]->T2, vertexAt(*engine, 2, 0));
    ASSERT_TRUE(welding::reweld_extension(*engine, main, a, b, c, d, welding::pos_of(c), welding::pos_of(a)));
    EXPECT_TRUE(topologyIsSound(*engine));
}

TEST(JunctionMerge, RefusesBadEndsWithNothingChanged)
{
    Pieces f;
    f.build(2, 2, 10.0);
    interpair* main = f.pair;
    // Ends on the wrong cells, a dead end, and an opening with S1 == S2.
    EXPECT_FALSE(welding::junction_merge_extension(*f.engine, f.P2, f.Q2, f.Q1, f.P1, main));
    EXPECT_EQ(main, nullptr);
    f.a[0]->alive = 0;
    EXPECT_FALSE(welding::junction_merge_extension(*f.engine, f.P2, f.Q2, f.a[0], f.Q1, main));
    f.a[0]->alive = 1;
    EXPECT_FALSE(welding::junction_merge_opening(*f.engine, f.P1, f.P1, f.Q1, f.Q2, main));
    EXPECT_TRUE(topologyIsSound(*f.engine));
}

TEST(JunctionMerge, OpeningMergesBothJunctionsAndFindsTheMainPair)
{
    auto engine = swallowingLayout();
    ASSERT_TRUE(engine);
    const auto [S1, S2, T2, T1] = ends(*engine);
    interpair* main = nullptr;
    ASSERT_TRUE(welding::junction_merge_opening(*engine, S1, S2, T1, T2, main));
    EXPECT_EQ(main, engine->interpairs[0]);
    EXPECT_TRUE(engine->interpairs[1]->MP.empty());
    ASSERT_TRUE(welding::reweld_opening(*engine, main, S1, S2, T1, T2, welding::pos_of(S1), welding::pos_of(S2)));
    EXPECT_TRUE(topologyIsSound(*engine));
}

} // namespace
